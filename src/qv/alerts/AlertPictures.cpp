#include "qv/alerts/AlertPictures.h"

#include <QPainter>
#include <QPainterPath>

namespace AlertPictures {

namespace {

// The 16 colours both pictures use.
const QVector<QRgb> kPalette = {
    qRgb(255, 255, 255), qRgb(0, 0, 0),       qRgb(247, 239, 189), qRgb(139, 90, 43),
    qRgb(94, 58, 26),    qRgb(222, 184, 135), qRgb(255, 105, 120), qRgb(255, 214, 186),
    qRgb(240, 160, 150), qRgb(0, 64, 128),    qRgb(120, 180, 230), qRgb(250, 220, 90),
    qRgb(200, 60, 60),   qRgb(90, 160, 90),   qRgb(60, 60, 60),    qRgb(180, 140, 200)};

QColor c(int i) { return QColor::fromRgb(kPalette[i]); }

QImage canvas() {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

// Hard edges only, so the picture keeps its 16 colours.
void setup(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
}

void board(QPainter& p, int frame) {
    p.setPen(QPen(c(frame), 4));
    p.setBrush(c(2));
    p.drawRoundedRect(QRect(32, 128, 212, 146), 14, 14);
}

void bubble(QPainter& p, const QString& text, int ink) {
    p.setPen(QPen(c(1), 3));
    p.setBrush(c(10));
    p.drawRoundedRect(QRect(40, 20, 190, 80), 30, 30);
    QPolygon tail({QPoint(190, 96), QPoint(240, 120), QPoint(205, 92)});
    p.drawPolygon(tail);
    QFont f("DejaVu Sans", 22, QFont::Bold);
    f.setStyleStrategy(QFont::NoAntialias);
    p.setFont(f);
    p.setPen(c(ink));
    p.drawText(QRect(40, 20, 190, 80), Qt::AlignCenter, text);
}

QImage finish(const QImage& rgb) { return rgb.convertToFormat(QImage::Format_Indexed8, kPalette, Qt::ThresholdDither); }

} // namespace

QImage doggy() {
    QImage img = canvas();
    QPainter p(&img);
    setup(p);
    bubble(p, QStringLiteral("Woof!"), 9);
    board(p, 4);
    // Body and tail
    p.setPen(QPen(c(4), 3));
    p.setBrush(c(3));
    p.drawEllipse(QRect(238, 150, 120, 120));
    p.drawChord(QRect(330, 140, 50, 60), 0, 180 * 16);
    // Paws on the board's edge
    p.setBrush(c(5));
    p.drawEllipse(QRect(226, 230, 34, 26));
    p.drawEllipse(QRect(300, 250, 40, 26));
    // Head
    p.setBrush(c(3));
    p.drawEllipse(QRect(250, 40, 110, 110));
    // Ears
    p.setBrush(c(4));
    p.drawEllipse(QRect(236, 52, 34, 80));
    p.drawEllipse(QRect(340, 52, 34, 80));
    // Muzzle, eyes, nose, tongue
    p.setBrush(c(5));
    p.drawEllipse(QRect(272, 95, 66, 48));
    p.setBrush(c(1));
    p.drawEllipse(QRect(280, 72, 14, 16));
    p.drawEllipse(QRect(316, 72, 14, 16));
    p.drawEllipse(QRect(294, 98, 22, 16));
    p.setBrush(c(6));
    p.setPen(QPen(c(12), 2));
    p.drawChord(QRect(295, 118, 20, 30), 180 * 16, 180 * 16);
    // Collar with its tag
    p.setPen(QPen(c(1), 2));
    p.setBrush(c(12));
    p.drawRect(QRect(268, 148, 76, 10));
    p.setBrush(c(11));
    p.drawEllipse(QRect(298, 156, 16, 16));
    p.end();
    return finish(img);
}

QImage babe() {
    QImage img = canvas();
    QPainter p(&img);
    setup(p);
    bubble(p, QStringLiteral("Hello!"), 12);
    board(p, 15);
    // Body in a romper
    p.setPen(QPen(c(14), 3));
    p.setBrush(c(10));
    p.drawRoundedRect(QRect(252, 170, 106, 100), 30, 30);
    p.setBrush(c(7));
    p.drawEllipse(QRect(232, 210, 34, 30)); // hand on the board
    // Head
    p.drawEllipse(QRect(248, 42, 118, 120));
    // Bonnet
    p.setBrush(c(15));
    p.drawChord(QRect(240, 30, 134, 110), 10 * 16, 160 * 16);
    p.setBrush(c(11));
    p.drawEllipse(QRect(300, 22, 16, 16));
    // Eyes, cheeks, mouth with a pacifier
    p.setBrush(c(1));
    p.drawEllipse(QRect(280, 94, 12, 14));
    p.drawEllipse(QRect(322, 94, 12, 14));
    p.setPen(Qt::NoPen);
    p.setBrush(c(8));
    p.drawEllipse(QRect(266, 112, 20, 14));
    p.drawEllipse(QRect(328, 112, 20, 14));
    p.setPen(QPen(c(14), 2));
    p.setBrush(c(6));
    p.drawEllipse(QRect(296, 126, 24, 18));
    p.setBrush(c(11));
    p.drawEllipse(QRect(302, 131, 12, 8));
    p.end();
    return finish(img);
}

QImage byName(const QString& name) {
    if (name == QLatin1String("BMP_DOGGY")) return doggy();
    if (name == QLatin1String("BMP_BABE")) return babe();
    return {};
}

} // namespace AlertPictures
