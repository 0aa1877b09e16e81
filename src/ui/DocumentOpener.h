#pragma once
// Opens a help page or a log: with the desktop's program when the desktop has
// one for the file, otherwise (or when handing it over fails) in the program's
// own viewer window, so the user always sees something.
#include <QString>

namespace DocumentOpener {
void open(const QString& filePath);
// Test seam: while set, every open goes to `opener` instead.
void setOpenerForTests(void (*opener)(const QString&));
} // namespace DocumentOpener
