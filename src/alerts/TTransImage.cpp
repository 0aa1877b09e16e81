// The shaped picture control and its run-of-pixels region.
#include "alerts/TTransImage.h"

#include <QPainter>
#include <QVector>

TTransImage::TTransImage(QWidget* parent) : QWidget(parent) {}

void TTransImage::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void TTransImage::setTransparent(bool on) {
    m_transparent = on;
    setAttribute(Qt::WA_TranslucentBackground, on);
    update();
}

QRegion TTransImage::regionOpaca(const QImage& picture, QColor transparent) {
    QRegion region;
    if (picture.isNull()) return region;
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb key = transparent.rgb() & 0x00FFFFFF;
    QVector<QRect> rects;
    rects.reserve(100);
    auto flush = [&]() {
        if (rects.isEmpty()) return;
        QRegion batch;
        batch.setRects(rects.constData(), static_cast<int>(rects.size()));
        region = region.united(batch);
        rects.clear();
    };
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        int x = 0;
        while (x < pixels.width()) {
            while (x < pixels.width() && (row[x] & 0x00FFFFFF) == key)
                ++x;
            const int start = x;
            while (x < pixels.width() && (row[x] & 0x00FFFFFF) != key)
                ++x;
            if (x > start) {
                if (rects.size() == rects.capacity()) rects.reserve(rects.size() + 100);
                rects.append(QRect(start, y, x - start, 1));
                if (rects.size() == kRectsPerBatch) flush();
            }
        }
    }
    flush();
    return region;
}

void TTransImage::conformarVentana() {
    if (m_picture.isNull()) return;
    QWidget* form = window();
    if (m_adjustFormSize) {
        resize(m_picture.size());
        form->resize(m_picture.size());
    }
    form->setMask(regionOpaca(m_picture, m_transparentColor).translated(mapTo(form, QPoint(0, 0))));
}

void TTransImage::paintEvent(QPaintEvent*) {
    if (m_picture.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}
