#include "qv/alerts/TTransImage.h"

#include <QVector>

namespace TTransImage {

QRegion regionFrom(const QImage& picture, QColor transparent) {
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb key = transparent.rgb() & 0x00FFFFFF;
    QRegion region;
    QVector<QRect> batch;
    batch.reserve(kBatch);
    auto flush = [&] {
        if (batch.isEmpty()) return;
        QRegion part;
        part.setRects(batch.constData(), static_cast<int>(batch.size()));
        region = region.united(part);
        batch.clear();
    };
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        int x = 0;
        while (x < img.width()) {
            while (x < img.width() && (row[x] & 0x00FFFFFF) == key) ++x;
            const int start = x;
            while (x < img.width() && (row[x] & 0x00FFFFFF) != key) ++x;
            if (x > start) {
                batch.append(QRect(start, y, x - start, 1));
                if (batch.size() == kBatch) flush();
            }
        }
    }
    flush();
    return region;
}

} // namespace TTransImage
