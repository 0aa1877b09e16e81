#pragma once
// Start at login: an XDG autostart entry $XDG_CONFIG_HOME/autostart/Orbalinder.desktop
// that starts the given program in its program folder, with the program's name and icon.
#include <QString>

namespace Autostart {
QString entryPath();
bool exists();
// Writes the entry that starts `programPath` in `workingFolder`, or removes it when
// `on` is false. Returns false when the file could not be written or removed.
bool set(bool on, const QString& programPath, const QString& workingFolder);
// The program the entry starts; empty when there is no entry.
QString program();
// The folder the entry starts it in; empty when there is none.
QString workingFolder();
} // namespace Autostart
