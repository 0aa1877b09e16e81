#pragma once
// Shared pieces of the mail protocols: fields of a text cut at a delimiter,
// the address inside a recipient entry, the header list, and the base64 and
// UU codecs (RFC 2045 section 6.8 for base64).
#include <QByteArray>
#include <QString>
#include <QStringList>

// Field n (1-based) of `text` cut at `delimiter`; empty beyond the last one.
QString NthField(const QString& text, QChar delimiter, int n);
// "Name <a@b>" gives a@b; "prefix:a@b" gives a@b; a bare address stays.
QString ExtractAddress(const QString& entry);
// Data that goes into a command or a header line: CR and LF become blanks, so
// no value can end the line and start another command or header.
QString SinSaltos(const QString& value);

// A list of "Name: value" lines with case-insensitive name lookup.
class THeaderList : public QStringList {
public:
    int IndexOfName(const QString& name) const;
    QString Value(const QString& name) const;
    // A non-empty value replaces the named line (or is added at the end);
    // an empty value removes it.
    void SetValue(const QString& name, const QString& value);
};

enum class TEncodeMethod { emBase64, emUU };

namespace TUUProcessor {
// Lines of 45 input bytes: base64 60 characters with "=" padding; UU a length
// character, the data, and a final line holding only the grave accent. CR LF ends each line.
QByteArray Encode(const QByteArray& data, TEncodeMethod method);
// Tolerant line-by-line decoding: lines shorter than 3 characters are skipped,
// characters outside the alphabet are skipped, base64 stops after padding.
// A UU line shorter than its length character asks for is padded with zero values.
QByteArray Decode(const QByteArray& text, TEncodeMethod method);
} // namespace TUUProcessor
