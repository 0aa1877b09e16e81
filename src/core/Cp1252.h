#pragma once
// Windows-1252 text: every text the programs store on disk or send in mail
// files is kept in this code page so that files stay byte-compatible with
// the Windows installations. Characters it cannot hold become '?'.
#include <QByteArray>
#include <QString>

namespace Cp1252 {
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
QString decode(const char* data, qsizetype size);
// The characters of `text` that the code page cannot hold, each once, in the
// order they first appear (a character outside the BMP stays whole); empty
// when all of `text` can be stored. Input is checked with this before it is
// stored, so nothing is silently turned into '?'.
QString unrepresentable(const QString& text);
} // namespace Cp1252
