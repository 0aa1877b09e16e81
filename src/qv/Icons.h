#pragma once
// The reminder program's icons, drawn in code so that they scale and need no
// image files: the application icon and the list and tray icons by their
// resource names ("ICN_ACTIVADO", "ICN_DESACTIVADO", "ICN_GOMAIL",
// "ICN_STOPMAIL", "ICN_EXEC").
//
// The icons are made when first painted, not when set: a program that starts
// in the tray draws none of its window's icons until the window is shown.
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <functional>

namespace Icons {
QIcon application();
QIcon byName(const QString& name); // null icon for an unknown name
QPixmap pixmap(const QString& name, int size = 16);
// An icon that `make` builds the first time it is painted or measured.
QIcon lazy(std::function<QIcon()> make);
} // namespace Icons
