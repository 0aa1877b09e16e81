#pragma once
// The reminder program's icons, drawn in code so that they scale and need no
// image files: the application icon and the list and tray icons by their
// resource names ("ICN_ACTIVADO", "ICN_DESACTIVADO", "ICN_GOMAIL",
// "ICN_STOPMAIL", "ICN_EXEC").
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace Icons {
QIcon application();
QIcon byName(const QString& name); // null icon for an unknown name
QPixmap pixmap(const QString& name, int size = 16);
} // namespace Icons
