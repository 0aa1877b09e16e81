#pragma once
// Character sets of received text: the charset parameter of a Content-Type
// value, and bytes decoded by the set they declare.
#include <QByteArray>
#include <QString>
#include <QStringList>

// The charset parameter of a Content-Type value ("text/plain; charset=UTF-8"),
// without quotes, in small letters; empty when there is none.
QString CharsetParameter(const QString& contentType);

// Bytes in the named set. UTF-8 and the Windows and ISO Latin sets are decoded
// here; others through Qt's converters. An empty, unknown or ASCII name reads
// as Windows-1252 (the sets of this program's own messages and of most old
// mail; ASCII is a subset of it), so no byte is lost.
QString DecodeCharset(const QByteArray& bytes, const QString& charset);

// The lines of a text body as received (CR LF removed) turned into text: the
// transfer encoding ("quoted-printable", "base64", or none) undone, then the
// declared character set. A last line break does not give an extra empty line.
QStringList DecodeTextBody(const QList<QByteArray>& lines, const QString& transferEncoding,
                           const QString& contentType);
