#include "qvmc/TrayFrames.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace TrayFrames {

namespace {
QPixmap frame(int i, int s) {
    QPixmap pm(s, s);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF env(s * 0.08, s * 0.28, s * 0.84, s * 0.56);
    p.setPen(QPen(QColor(0, 64, 128), s / 16.0));
    p.setBrush(QColor(250, 250, 240));
    p.drawRect(env);
    p.drawLine(env.topLeft(), QPointF(env.center().x(), env.center().y() + s * 0.05));
    p.drawLine(env.topRight(), QPointF(env.center().x(), env.center().y() + s * 0.05));
    // A dot travelling round the envelope: one of nine positions.
    const double a = 2 * M_PI * i / 9.0;
    const QPointF c(s * 0.5 + s * 0.36 * std::cos(a), s * 0.56 + s * 0.36 * std::sin(a));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(242, 183, 5));
    p.drawEllipse(c, s * 0.12, s * 0.12);
    return pm;
}
} // namespace

QList<QIcon> frames() {
    QList<QIcon> out;
    for (int i = 0; i < 9; ++i) {
        QIcon icon;
        for (int s : {16, 22, 32})
            icon.addPixmap(frame(i, s));
        out << icon;
    }
    return out;
}

} // namespace TrayFrames
