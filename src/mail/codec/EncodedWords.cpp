// RFC 2047 encoded words: UTF-8 "Q" words out, "B" and "Q" words of any set in.
#include "mail/codec/EncodedWords.h"

#include "mail/codec/Charsets.h"

#include <QRegularExpression>

namespace {

constexpr int kMaxWord = 75; // RFC 2047 section 2
constexpr char kHex[] = "0123456789ABCDEF";

bool IsAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 126 || (c.unicode() < 32 && c != QLatin1Char('\t'))) return false;
    return true;
}

// Characters that stand as they are inside a "Q" word of a phrase (section 5 (3)).
bool PlainInQ(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '!' ||
           c == '*' || c == '+' || c == '-' || c == '/';
}

// One or more words; a UTF-8 sequence is never split between two of them.
QString EncodeWords(const QString& text) {
    static const QByteArray prefix = "=?UTF-8?Q?";
    QStringList words;
    QByteArray word;
    auto flush = [&]() {
        if (!word.isEmpty()) words.append(QString::fromLatin1(prefix + word + "?="));
        word.clear();
    };
    const QByteArray utf8 = text.toUtf8();
    for (qsizetype i = 0; i < utf8.size();) {
        // The bytes of one character.
        qsizetype n = 1;
        while (i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80)
            ++n;
        QByteArray piece;
        for (qsizetype k = i; k < i + n; ++k) {
            const unsigned char c = static_cast<unsigned char>(utf8[k]);
            if (c == ' ')
                piece.append('_');
            else if (PlainInQ(c))
                piece.append(char(c));
            else {
                piece.append('=');
                piece.append(kHex[c >> 4]);
                piece.append(kHex[c & 15]);
            }
        }
        if (prefix.size() + word.size() + piece.size() + 2 > kMaxWord) flush();
        word.append(piece);
        i += n;
    }
    flush();
    return words.join(QLatin1Char(' '));
}

QByteArray DecodeQWord(const QString& text) {
    QByteArray out;
    const QByteArray bytes = text.toLatin1();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '_')
            out.append(' ');
        else if (c == '=' && i + 2 < bytes.size()) {
            bool ok = false;
            const int value = bytes.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 2;
            } else
                out.append(c);
        } else
            out.append(c);
    }
    return out;
}

} // namespace

QString EncodeDisplayName(const QString& name) {
    if (!IsAscii(name)) return EncodeWords(name);
    static const QRegularExpression special(QStringLiteral("[()<>\\[\\]:;@\\\\,\"]"));
    if (!name.contains(special)) return name;
    QString quoted = name;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString EncodeHeaderText(const QString& text) {
    if (IsAscii(text) && !text.contains(QLatin1String("=?"))) return text;
    return EncodeWords(text);
}

QString DecodeHeaderText(const QString& value) {
    static const QRegularExpression word(QStringLiteral("=\\?([^?\\s]+)\\?([BbQq])\\?([^?\\s]*)\\?="));
    QString out;
    qsizetype position = 0;
    qsizetype lastWordEnd = -1;
    auto it = word.globalMatch(value);
    while (it.hasNext()) {
        const auto m = it.next();
        const QString between = value.mid(position, m.capturedStart() - position);
        // Blanks between two encoded words are not part of the text.
        if (!(lastWordEnd == position && between.trimmed().isEmpty())) out += between;
        QString charset = m.captured(1);
        const qsizetype star = charset.indexOf(QLatin1Char('*')); // language suffix (RFC 2231)
        if (star >= 0) charset.truncate(star);
        const QString encoding = m.captured(2).toUpper();
        const QByteArray bytes = encoding == QLatin1String("B")
                                     ? QByteArray::fromBase64(m.captured(3).toLatin1())
                                     : DecodeQWord(m.captured(3));
        out += DecodeCharset(bytes, charset);
        position = m.capturedEnd();
        lastWordEnd = position;
    }
    out += value.mid(position);
    return out;
}
