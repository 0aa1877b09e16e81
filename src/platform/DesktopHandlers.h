#pragma once
// Whether the desktop has a program that opens a given file. Qt's open call
// reports success as soon as it has started xdg-open, even when no program then
// opens anything, so callers ask first and show the file themselves otherwise.
#include <QString>

namespace DesktopHandlers {
// The file's MIME type from `xdg-mime query filetype`, then its default program
// from `xdg-mime query default`. False without xdg-mime, without a type, or
// without a default program; each query waits at most 3 seconds.
bool hasHandler(const QString& filePath);
} // namespace DesktopHandlers
