#pragma once
// Structured MIME header values (Content-Type, Content-Disposition): the
// value before the first ";" and its parameters, as mail programs write them.
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

struct MimeValue {
    QString value;                  // "multipart/mixed": trimmed, in small letters
    QHash<QString, QString> params; // names in small letters; values unquoted and decoded
    QString param(const QString& name) const { return params.value(name); }
};

// Parses one unfolded header value. Parameter names in any case; quoted values
// with backslash escapes; RFC 2231 extended values ("name*=utf-8''gr%C3%A1fico")
// and continuations ("name*0*=", "name*1="), which win over a plain value of
// the same name; RFC 2047 encoded words inside a plain value. Bytes that are
// not valid UTF-8 read as Windows-1252. Never throws.
MimeValue ParseMimeValue(QByteArrayView text);

// Header bytes as text: UTF-8 when they are valid UTF-8, else Windows-1252.
QString HeaderBytesText(QByteArrayView bytes);
