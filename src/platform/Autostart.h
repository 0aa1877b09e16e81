#pragma once
// Start at login: an XDG autostart entry $XDG_CONFIG_HOME/autostart/Orbalinder.desktop
// whose Exec line starts the given program.
#include <QString>

namespace Autostart {
QString entryPath();
bool exists();
// Writes the entry for `programPath`, or removes it when `on` is false.
// Returns false when the file could not be written or removed.
bool set(bool on, const QString& programPath);
// The program the entry starts; empty when there is no entry.
QString program();
} // namespace Autostart
