// Quoted-printable encoding and decoding.
#include "mail/codec/QuotedPrintable.h"

#include <QList>

namespace {

constexpr int kMaxLine = 76;
constexpr char kHex[] = "0123456789ABCDEF";

QList<QByteArray> SplitLines(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty() && text.endsWith('\n')) lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

QByteArray EncodeQuotedPrintable(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size() + text.size() / 8 + 16);
    for (const QByteArray& line : SplitLines(text)) {
        int column = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(line[i]);
            const bool last = i + 1 == line.size();
            const bool literal = (c >= 33 && c <= 126 && c != '=' && !(c == '.' && column == 0)) ||
                                 ((c == ' ' || c == '\t') && !last);
            const int width = literal ? 1 : 3;
            // Room for the soft break "=" unless this is the line's last character.
            if (column + width > (last ? kMaxLine : kMaxLine - 1)) {
                out.append("=\r\n");
                column = 0;
            }
            if (literal && !(c == '.' && column == 0)) {
                out.append(char(c));
                column += 1;
            } else {
                out.append('=');
                out.append(kHex[c >> 4]);
                out.append(kHex[c & 15]);
                column += 3;
            }
        }
        out.append("\r\n");
    }
    return out;
}

QByteArray DecodeQuotedPrintable(const QByteArray& encoded) {
    QByteArray out;
    out.reserve(encoded.size());
    const QList<QByteArray> lines = SplitLines(encoded);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        while (!line.isEmpty() && (line.endsWith(' ') || line.endsWith('\t')))
            line.chop(1);
        bool soft = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (c != '=') {
                out.append(c);
                continue;
            }
            if (i + 1 == line.size()) {
                soft = true;
                break;
            }
            const int high = i + 2 < line.size() ? HexValue(line[i + 1]) : -1;
            const int low = high >= 0 ? HexValue(line[i + 2]) : -1;
            if (low < 0) {
                out.append(c);
                continue;
            }
            out.append(char(high * 16 + low));
            i += 2;
        }
        if (!soft && n + 1 < lines.size())
            out.append("\r\n");
        else if (!soft && encoded.endsWith('\n'))
            out.append("\r\n");
    }
    return out;
}
