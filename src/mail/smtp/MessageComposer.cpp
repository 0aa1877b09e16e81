// Header lines, body text, multipart layout and attachment parts of an outgoing message.
#include "mail/smtp/MessageComposer.h"

#include "core/Cp1252.h"
#include "mail/codec/EncodedWords.h"
#include "mail/codec/MailDate.h"
#include "mail/codec/MailText.h"
#include "mail/codec/QuotedPrintable.h"
#include "net/SockErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <memory>
#include <stdexcept>

namespace {

// A display name as written when it can stand in a header; otherwise encoded
// or quoted, with a blank before the address that follows.
QString DisplayName(const QString& name) {
    const QString fit = EncodeDisplayName(name);
    return fit == name ? name : EncodeDisplayName(name.trimmed()) + QLatin1Char(' ');
}

// "Name<address>" with the name made fit for a header (encoded or quoted when
// needed); entries of other forms stay as written.
QString Mailbox(const QString& entry) {
    const qsizetype open = entry.indexOf(QLatin1Char('<'));
    if (open <= 0) return OneLine(entry);
    return DisplayName(OneLine(entry.left(open))) + OneLine(entry.mid(open));
}

QString JoinOneLine(const QStringList& entries) {
    QStringList cleaned;
    for (const QString& entry : entries)
        cleaned.append(Mailbox(entry));
    return cleaned.join(QLatin1Char(','));
}

QString SubTypeLine(TSubType subType, const QString& charset) {
    QString type = QStringLiteral("text/plain");
    switch (subType) {
    case mtEnriched:
        type = QStringLiteral("text/enriched");
        break;
    case mtSgml:
        type = QStringLiteral("text/sgml");
        break;
    case mtTabSeparated:
        type = QStringLiteral("text/tab-separated-values");
        break;
    case mtHtml:
        type = QStringLiteral("text/html");
        break;
    case mtPlain:
        break;
    }
    return QStringLiteral("Content-Type: ") + type + QStringLiteral("; charset=") + charset;
}

// The body text as bytes: one CR LF after every line, a line break inside an
// entry starting a new line.
QByteArray TextBytes(const QStringList& lines) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QByteArray bytes;
    for (const QString& entry : lines)
        for (const QString& part : HasLineBreak(entry) ? entry.split(lineBreak) : QStringList{entry}) {
            bytes.append(Cp1252::encode(part));
            bytes.append("\r\n");
        }
    return bytes;
}

// The text in its form: quoted-printable, or the lines with dots doubled.
void AppendText(QByteArray& body, const QStringList& lines, const TTextForm& form) {
    if (form.transferEncoding == QLatin1String("quoted-printable"))
        body.append(EncodeQuotedPrintable(TextBytes(lines)));
    else
        AppendBodyLines(body, lines);
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

TTextForm ChooseTextForm(const QByteArray& text, bool eightBitMime) {
    bool ascii = true, needsQuoting = false;
    qsizetype lineLength = 0;
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            lineLength = 0;
            continue;
        }
        if (++lineLength > 998) needsQuoting = true; // RFC 5322 section 2.1.1
        if (c >= 0x80)
            ascii = false;
        else if (c < 32 && c != '\t' && c != '\r')
            needsQuoting = true;
    }
    TTextForm form;
    form.charset = ascii ? QStringLiteral("us-ascii") : QStringLiteral("windows-1252");
    if (needsQuoting || (!ascii && !eightBitMime))
        form.transferEncoding = QStringLiteral("quoted-printable");
    else if (!ascii)
        form.transferEncoding = QStringLiteral("8bit");
    return form;
}

THeaderList BuildHeaderLines(const TPostMessage& message, TSubType subType, const QString& boundary,
                             const TTextForm& form, const QDateTime& now) {
    THeaderList header;
    header.append(QStringLiteral("From: ") + DisplayName(OneLine(message.FromName)) + QLatin1Char('<') +
                  OneLine(message.FromAddress) + QLatin1Char('>'));
    if (!message.ToAddress.isEmpty()) header.append(QStringLiteral("To: ") + JoinOneLine(message.ToAddress));
    if (!message.ToCarbonCopy.isEmpty())
        header.append(QStringLiteral("CC: ") + JoinOneLine(message.ToCarbonCopy));
    header.SetValue(QStringLiteral("Subject"), EncodeHeaderText(OneLine(message.Subject)));
    header.SetValue(QStringLiteral("X-Mailer"), EncodeHeaderText(OneLine(message.LocalProgram)));
    if (!message.ReplyTo.isEmpty()) header.SetValue(QStringLiteral("Reply-To"), OneLine(message.ReplyTo));
    // Providers' filters and readers expect the RFC 5322 form, whatever the locale.
    header.SetValue(QStringLiteral("Date"),
                    IsRfc5322Date(message.Date) ? message.Date.trimmed() : Rfc5322Date(now));
    header.SetValue(QStringLiteral("Message-ID"), MakeMessageId(now, OneLine(message.FromAddress)));
    header.append(QStringLiteral("Mime-Version: 1.0"));
    if (!message.Attachments.isEmpty()) {
        header.append(QStringLiteral("Content-Type: multipart/mixed; boundary=\"") + boundary +
                      QLatin1Char('"'));
    } else {
        header.append(SubTypeLine(subType, form.charset));
        if (!form.transferEncoding.isEmpty())
            header.append(QStringLiteral("Content-Transfer-Encoding: ") + form.transferEncoding);
    }
    return header;
}

THeaderList BuildHeaderLines(const TPostMessage& message, TSubType subType, const QString& boundary) {
    return BuildHeaderLines(message, subType, boundary, TTextForm(), QDateTime::currentDateTime());
}

void AppendBodyLines(QByteArray& body, const QStringList& lines) {
    QByteArray text = TextBytes(lines);
    text.replace("\r\n.", "\r\n..");
    if (text.startsWith('.')) body.append('.');
    body.append(text);
}

namespace {

// Most bytes of a file encoded in one piece: 4096 lines.
constexpr qint64 kEncodeChunk = 45 * 4096;

// Opens an attachment, or tells and throws why it cannot be read.
void OpenAttachment(QFile& file, const TComposeEvents& events) {
    if (file.open(QIODevice::ReadOnly)) return;
    if (events.OnAttachmentNotFound) events.OnAttachmentNotFound(file.fileName());
    throw EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(file.fileName(), file.errorString()));
}

void AppendPartHeader(QByteArray& body, const QString& path, const QString& boundary, TEncodeMethod method) {
    const QString name = QuotedName(QFileInfo(path).fileName());
    body.append(Cp1252::encode(QStringLiteral("--") + boundary + QStringLiteral("\r\n") +
                               QStringLiteral("Content-Type: application/octet-stream; name=") + name +
                               QStringLiteral("\r\n")));
    // UU lines are labelled as such so that a reader does not take them for base64.
    body.append(method == emUU ? "Content-Transfer-Encoding: X-UUENCODE\r\n"
                               : "Content-Transfer-Encoding: base64\r\n");
    body.append(Cp1252::encode(QStringLiteral("Content-Disposition: attachment; filename=") + name +
                               QStringLiteral("\r\n\r\n")));
}

// Appends the encoded lines of the file's next piece; true when the file is
// at its end (the UU end line appended too).
bool AppendEncodedPiece(QByteArray& body, QFile& file, TEncodeMethod method, QByteArray& input) {
    input.resize(kEncodeChunk);
    qint64 got = 0;
    while (got < kEncodeChunk) {
        const qint64 n = file.read(input.data() + got, kEncodeChunk - got);
        if (n < 0) throw std::runtime_error("Stream read error");
        if (n == 0) break;
        got += n;
    }
    const qsizetype lineStart = body.size() - 2; // the CR LF before the piece's first line
    TUUProcessor::AppendLines(input.constData(), got, method, body);
    const bool end = got < kEncodeChunk;
    if (method != emUU) return end;
    if (end) body.append("`\r\n");
    // A UU line for 14 bytes starts with "." and would lose it on the way: stuff it.
    if (body.indexOf("\r\n.", lineStart) >= 0) {
        QByteArray data = body.mid(lineStart);
        data.replace("\r\n.", "\r\n..");
        body.truncate(lineStart);
        body.append(data);
    }
    return end;
}

} // namespace

void EncodeAttachmentPart(QByteArray& body, const QString& path, const QString& boundary,
                          TEncodeMethod method, const TComposeEvents& events) {
    QFile file(path);
    OpenAttachment(file, events);
    AppendPartHeader(body, path, boundary, method);
    if (file.size() > 0) body.reserve(body.size() + (file.size() + 44) / 45 * 63 + 128);
    if (events.OnEncodeStart) events.OnEncodeStart(path);
    QByteArray input;
    while (!AppendEncodedPiece(body, file, method, input)) {
    }
    if (events.OnEncodeEnd) events.OnEncodeEnd(path);
}

TBodyComposer::TBodyComposer(const TPostMessage& message, TEncodeMethod method, const QString& boundary,
                             const TTextForm& form, const TComposeEvents& events, QByteArray& body)
    : m_method(method), m_boundary(boundary), m_events(events), m_body(body),
      m_multipart(!message.Attachments.isEmpty()) {
    qint64 room = 1024;
    for (const QString& path : message.Attachments) {
        m_files.push_back(std::make_unique<QFile>(path));
        OpenAttachment(*m_files.back(), events);
        room += 512 + 2 * path.size() + (m_files.back()->size() + 44) / 45 * 63;
    }
    body.clear();
    if (!m_multipart) {
        AppendText(body, message.Body, form);
        return;
    }
    body.reserve(room);
    body.append(Cp1252::encode(QStringLiteral("--") + boundary + QStringLiteral("\r\n")));
    body.append("Content-Type: text/plain; charset=" + form.charset.toLatin1() + "\r\n");
    if (!form.transferEncoding.isEmpty())
        body.append("Content-Transfer-Encoding: " + form.transferEncoding.toLatin1() + "\r\n");
    body.append("\r\n");
    AppendText(body, message.Body, form);
}

TBodyComposer::~TBodyComposer() = default;

bool TBodyComposer::Next() {
    if (m_done) return false;
    if (m_next < qsizetype(m_files.size())) {
        QFile& file = *m_files[size_t(m_next)];
        if (!m_started) {
            AppendPartHeader(m_body, file.fileName(), m_boundary, m_method);
            if (m_events.OnEncodeStart) m_events.OnEncodeStart(file.fileName());
            m_started = true;
        }
        if (AppendEncodedPiece(m_body, file, m_method, m_input)) {
            file.close();
            if (m_events.OnEncodeEnd) m_events.OnEncodeEnd(file.fileName());
            ++m_next;
            m_started = false;
        }
        return true;
    }
    m_done = true;
    if (!m_multipart) return false;
    m_body.append(Cp1252::encode(QStringLiteral("--") + m_boundary + QStringLiteral("--\r\n")));
    return true;
}

std::unique_ptr<TBodyComposer> StartMessage(const TPostMessage& message, TSubType subType,
                                            TEncodeMethod method, const TComposeOptions& options,
                                            const TComposeEvents& events, THeaderList& header,
                                            QByteArray& body, QString& boundary) {
    const QDateTime now = options.now.isValid() ? options.now : QDateTime::currentDateTime();
    const bool multipart = !message.Attachments.isEmpty();
    if (multipart) boundary = MakeBoundary(now.time());
    const TTextForm form = ChooseTextForm(TextBytes(message.Body), options.eightBitMime);
    header = BuildHeaderLines(message, subType, boundary, form, now);
    return std::make_unique<TBodyComposer>(message, method, boundary, form, events, body);
}

void ComposeMessage(const TPostMessage& message, TSubType subType, TEncodeMethod method,
                    const TComposeOptions& options, const TComposeEvents& events, THeaderList& header,
                    QByteArray& body, QString& boundary) {
    const std::unique_ptr<TBodyComposer> composer =
        StartMessage(message, subType, method, options, events, header, body, boundary);
    while (composer->Next()) {
    }
}

void ComposeMessage(const TPostMessage& message, TSubType subType, TEncodeMethod method, const QTime& now,
                    const TComposeEvents& events, THeaderList& header, QByteArray& body, QString& boundary) {
    TComposeOptions options;
    options.now = QDateTime(QDate::currentDate(), now);
    ComposeMessage(message, subType, method, options, events, header, body, boundary);
}
