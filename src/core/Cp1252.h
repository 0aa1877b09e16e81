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
} // namespace Cp1252
