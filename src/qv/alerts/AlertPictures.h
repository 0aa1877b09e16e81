#pragma once
// The two pictures of the picture alert styles, "BMP_DOGGY" and "BMP_BABE":
// 380 x 285 pixels, 16 colours, pure white as the see-through colour, with a
// board at the lower left that carries the text, the button and the spinner.
#include <QImage>
#include <QString>

namespace AlertPictures {
inline constexpr int kWidth = 380;
inline constexpr int kHeight = 285;
QImage doggy();
QImage babe();
// By resource name; a null image for an unknown name.
QImage byName(const QString& name);
} // namespace AlertPictures
