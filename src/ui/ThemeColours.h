#pragma once
// Colours the program sets itself, chosen for the palette in use: on a dark
// desktop theme they turn light so that they stay readable, and a background
// of our own always comes with its own text colour.
#include <QColor>
#include <QPalette>
#include <QString>

namespace ThemeColours {
// Whether the palette's window colour is dark (light text on dark ground).
bool isDark(const QPalette& palette);
// Emphasised text on the window's ground: navy, or a light blue on a dark theme.
QColor emphasis(const QPalette& palette);
// A style sheet rule giving `selector` the background `ground` and a text
// colour that reads on it (navy on light grounds, white on dark ones).
QString pairRule(const QString& selector, const QColor& ground);
} // namespace ThemeColours
