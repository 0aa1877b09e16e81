// Header lines, body text, multipart layout and attachment parts of an outgoing message.
#include "mail/smtp/MessageComposer.h"

#include "core/Cp1252.h"
#include "mail/codec/MailText.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <stdexcept>

namespace {

QString JoinOneLine(const QStringList& entries) {
    QStringList cleaned;
    for (const QString& entry : entries)
        cleaned.append(OneLine(entry));
    return cleaned.join(QLatin1Char(','));
}

QString SubTypeLine(TSubType subType) {
    switch (subType) {
    case mtEnriched:
        return QStringLiteral("Content-Type: text/enriched; charset=us-ascii");
    case mtSgml:
        return QStringLiteral("Content-Type: text/sgml; charset=us-ascii");
    case mtTabSeparated:
        return QStringLiteral("Content-Type: text/tab-separated-values; charset=us-ascii");
    case mtHtml:
        return QStringLiteral("Content-Type: text/html; charset=us-ascii");
    case mtPlain:
        break;
    }
    return QStringLiteral("Content-Type: text/plain; charset=us-ascii");
}

// A name in the part header must not close its quotes or the line.
QString QuotedName(const QString& name) {
    QString safe = OneLine(name);
    safe.replace(QLatin1Char('"'), QLatin1Char('_'));
    return QLatin1Char('"') + safe + QLatin1Char('"');
}

} // namespace

QString MakeBoundary(const QTime& time) {
    return QStringLiteral("====================54535") + time.toString(QStringLiteral("hh:mm:ss")) +
           QStringLiteral("====");
}

THeaderList BuildHeaderLines(const TPostMessage& message, TSubType subType, const QString& boundary) {
    THeaderList header;
    header.append(QStringLiteral("From: ") + OneLine(message.FromName) + QLatin1Char('<') +
                  OneLine(message.FromAddress) + QLatin1Char('>'));
    if (!message.ToAddress.isEmpty()) header.append(QStringLiteral("To: ") + JoinOneLine(message.ToAddress));
    if (!message.ToCarbonCopy.isEmpty())
        header.append(QStringLiteral("CC: ") + JoinOneLine(message.ToCarbonCopy));
    header.SetValue(QStringLiteral("Subject"), OneLine(message.Subject));
    header.SetValue(QStringLiteral("X-Mailer"), OneLine(message.LocalProgram));
    if (!message.ReplyTo.isEmpty()) header.SetValue(QStringLiteral("Reply-To"), OneLine(message.ReplyTo));
    if (!message.Date.isEmpty()) header.SetValue(QStringLiteral("Date"), OneLine(message.Date));
    header.append(QStringLiteral("Mime-Version: 1.0"));
    if (!message.Attachments.isEmpty())
        header.append(QStringLiteral("Content-Type: multipart/mixed; boundary=\"") + boundary +
                      QLatin1Char('"'));
    else
        header.append(SubTypeLine(subType));
    return header;
}

void AppendBodyLines(QByteArray& body, const QStringList& lines) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (const QString& entry : lines) {
        const QStringList parts = HasLineBreak(entry) ? entry.split(lineBreak) : QStringList{entry};
        for (const QString& part : parts) {
            if (part.startsWith(QLatin1Char('.'))) body.append('.');
            body.append(Cp1252::encode(part));
            body.append("\r\n");
        }
    }
}

void EncodeAttachmentPart(QByteArray& body, const QString& path, const QString& boundary,
                          TEncodeMethod method, const TComposeEvents& events) {
    const QString name = QuotedName(QFileInfo(path).fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (events.OnAttachmentNotFound) events.OnAttachmentNotFound(path);
        throw std::runtime_error(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()).toStdString());
    }
    body.append(Cp1252::encode(QStringLiteral("--") + boundary + QStringLiteral("\r\n") +
                               QStringLiteral("Content-Type: application/octet-stream; name=") + name +
                               QStringLiteral("\r\n")));
    // UU lines are labelled as such so that a reader does not take them for base64.
    body.append(method == emUU ? "Content-Transfer-Encoding: X-UUENCODE\r\n"
                               : "Content-Transfer-Encoding: base64\r\n");
    body.append(Cp1252::encode(QStringLiteral("Content-Disposition: attachment; filename=") + name +
                               QStringLiteral("\r\n\r\n")));

    const qsizetype dataStart = body.size() - 2; // from the CR LF before the first data line
    QBuffer output(&body);
    output.open(QIODevice::WriteOnly | QIODevice::Append);
    if (file.size() > 0) body.reserve(body.size() + file.size() / 45 * 62 + 128);
    TUUProcessor processor;
    processor.Method = method;
    processor.InputStream = &file;
    processor.OutputStream = &output;
    if (events.OnEncodeStart) events.OnEncodeStart(path);
    processor.Encode();
    // A UU line for 14 bytes starts with "." and would lose it on the way: stuff it.
    if (method == emUU && body.indexOf("\r\n.", dataStart) >= 0) {
        QByteArray data = body.mid(dataStart);
        data.replace("\r\n.", "\r\n..");
        body.truncate(dataStart);
        body.append(data);
    }
    if (events.OnEncodeEnd) events.OnEncodeEnd(path);
}

void ComposeMessage(const TPostMessage& message, TSubType subType, TEncodeMethod method, const QTime& now,
                    const TComposeEvents& events, THeaderList& header, QByteArray& body, QString& boundary) {
    const bool multipart = !message.Attachments.isEmpty();
    if (multipart) boundary = MakeBoundary(now);
    header = BuildHeaderLines(message, subType, boundary);
    body.clear();
    if (!multipart) {
        AppendBodyLines(body, message.Body);
        return;
    }
    body.append(Cp1252::encode(QStringLiteral("--") + boundary + QStringLiteral("\r\n")));
    body.append("Content-Type: text/plain; charset=us-ascii\r\n\r\n");
    AppendBodyLines(body, message.Body);
    for (const QString& path : message.Attachments)
        EncodeAttachmentPart(body, path, boundary, method, events);
    body.append(Cp1252::encode(QStringLiteral("--") + boundary + QStringLiteral("--\r\n")));
}
