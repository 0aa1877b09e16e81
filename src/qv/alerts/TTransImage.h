#pragma once
// The shaped picture: the window region made of the picture's pixels that are
// not the transparent colour. Rows are scanned from the top; each maximal run
// of non-transparent pixels becomes a one-pixel-high rectangle; rectangles are
// united into the region in batches of 2000.
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QRegion>

namespace TTransImage {
inline constexpr int kBatch = 2000;
// A pixel is transparent only when its red, green and blue all equal the colour's.
QRegion regionFrom(const QImage& picture, QColor transparent = Qt::white);
} // namespace TTransImage
