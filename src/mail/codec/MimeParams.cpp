// Content-Type and Content-Disposition values with RFC 2045/2231 parameters.
#include "mail/codec/MimeParams.h"

#include "core/Cp1252.h"
#include "mail/codec/Charsets.h"
#include "mail/codec/EncodedWords.h"

#include <QMap>
#include <QStringDecoder>

namespace {

// Continued parameters beyond this many sections are dropped.
constexpr int kMaxSections = 100;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

QByteArray PercentDecoded(QByteArrayView text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0) {
            out.append(text[i]);
            continue;
        }
        out.append(char(high * 16 + low));
        i += 2;
    }
    return out;
}

struct Section {
    bool encoded = false;
    QByteArray text;
};

} // namespace

QString HeaderBytesText(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return Cp1252::decode(bytes.data(), bytes.size());
}

MimeValue ParseMimeValue(QByteArrayView text) {
    MimeValue result;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] != ';')
        ++i;
    result.value = QString::fromLatin1(text.first(i).trimmed()).toLower();

    QHash<QString, QString> plain;
    QHash<QString, QMap<int, Section>> extended;
    while (i < n) {
        ++i; // the ';'
        while (i < n && IsBlank(text[i]))
            ++i;
        const qsizetype nameStart = i;
        while (i < n && text[i] != '=' && text[i] != ';')
            ++i;
        if (i >= n || text[i] != '=') continue; // a parameter without a value
        const QByteArray name = text.sliced(nameStart, i - nameStart).trimmed().toByteArray().toLower();
        ++i; // the '='
        while (i < n && IsBlank(text[i]))
            ++i;
        QByteArray value;
        if (i < n && text[i] == '"') {
            for (++i; i < n && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < n) ++i;
                value.append(text[i]);
            }
            while (i < n && text[i] != ';') // past the closing quote
                ++i;
        } else {
            const qsizetype valueStart = i;
            while (i < n && text[i] != ';')
                ++i;
            value = text.sliced(valueStart, i - valueStart).trimmed().toByteArray();
        }
        if (name.isEmpty()) continue;
        const qsizetype star = name.indexOf('*');
        if (star < 0) {
            plain.insert(QString::fromLatin1(name), HeaderBytesText(value));
            continue;
        }
        // name*, name*N or name*N*
        const QString base = QString::fromLatin1(name.left(star));
        QByteArray rest = name.mid(star + 1);
        Section section;
        int index = 0;
        if (rest.isEmpty()) {
            section.encoded = true;
        } else {
            section.encoded = rest.endsWith('*');
            if (section.encoded) rest.chop(1);
            bool ok = false;
            index = rest.toInt(&ok);
            if (!ok || index < 0 || index >= kMaxSections) continue;
        }
        section.text = value;
        extended[base].insert(index, section);
    }

    for (auto it = plain.cbegin(); it != plain.cend(); ++it) {
        const QString& value = it.value();
        result.params.insert(it.key(), value.contains(QLatin1String("=?")) ? DecodeHeaderText(value) : value);
    }
    for (auto it = extended.cbegin(); it != extended.cend(); ++it) {
        QByteArray bytes;
        QString charset;
        int expected = 0;
        for (auto s = it.value().cbegin(); s != it.value().cend() && s.key() == expected; ++s, ++expected) {
            QByteArray part = s.value().text;
            if (s.value().encoded && expected == 0) {
                // charset'language'value
                const qsizetype first = part.indexOf('\'');
                const qsizetype second = first < 0 ? -1 : part.indexOf('\'', first + 1);
                if (second >= 0) {
                    charset = QString::fromLatin1(part.left(first)).trimmed().toLower();
                    part = part.mid(second + 1);
                }
            }
            bytes += s.value().encoded ? PercentDecoded(part) : part;
        }
        if (expected == 0) continue;
        result.params.insert(it.key(),
                             charset.isEmpty() ? HeaderBytesText(bytes) : DecodeCharset(bytes, charset));
    }
    return result;
}
