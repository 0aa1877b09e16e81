#include "ui/ThemeColours.h"

namespace ThemeColours {

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor emphasis(const QPalette& palette) {
    return isDark(palette) ? QColor(0x9c, 0xc8, 0xff) : QColor(0, 0, 128);
}

QString pairRule(const QString& selector, const QColor& ground) {
    const QColor text = ground.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(0, 0, 128);
    return QStringLiteral("%1 { background: %2; color: %3; }").arg(selector, ground.name(), text.name());
}

} // namespace ThemeColours
