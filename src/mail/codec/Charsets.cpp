// Declared character sets and text bodies of received messages.
#include "mail/codec/Charsets.h"

#include "core/Cp1252.h"
#include "mail/codec/QuotedPrintable.h"

#include <QRegularExpression>
#include <QStringDecoder>

QString CharsetParameter(const QString& contentType) {
    static const QRegularExpression charset(
        QStringLiteral("(?:^|;)\\s*charset\\s*=\\s*(\"[^\"]*\"|[^;\\s]*)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = charset.match(contentType);
    if (!match.hasMatch()) return {};
    QString value = match.captured(1);
    if (value.startsWith(QLatin1Char('"'))) value = value.mid(1, value.size() - 2);
    return value.trimmed().toLower();
}

QString DecodeCharset(const QByteArray& bytes, const QString& charset) {
    const QString name = charset.trimmed().toLower();
    if (name == QLatin1String("utf-8") || name == QLatin1String("utf8")) return QString::fromUtf8(bytes);
    if (name.isEmpty() || name == QLatin1String("us-ascii") || name == QLatin1String("ascii") ||
        name == QLatin1String("windows-1252") || name == QLatin1String("cp1252") ||
        name == QLatin1String("iso-8859-1") || name == QLatin1String("latin1") ||
        name == QLatin1String("iso_8859-1"))
        return Cp1252::decode(bytes);
    QStringDecoder decoder(name.toLatin1().constData());
    if (!decoder.isValid()) return Cp1252::decode(bytes);
    return decoder.decode(bytes);
}

QStringList DecodeTextBody(const QList<QByteArray>& lines, const QString& transferEncoding,
                           const QString& contentType) {
    QByteArray raw;
    for (const QByteArray& line : lines) {
        raw.append(line);
        raw.append("\r\n");
    }
    const QString encoding = transferEncoding.trimmed().toLower();
    QByteArray bytes;
    if (encoding.startsWith(QLatin1String("quoted-printable")))
        bytes = DecodeQuotedPrintable(raw);
    else if (encoding.startsWith(QLatin1String("base64")))
        bytes = QByteArray::fromBase64(raw.replace("\r\n", ""));
    else
        bytes = raw;
    const QString text = DecodeCharset(bytes, CharsetParameter(contentType));
    if (text.isEmpty()) return {};
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n"));
    QStringList result = text.split(lineBreak);
    if (text.endsWith(QLatin1Char('\n'))) result.removeLast();
    return result;
}
