#include "mailproto/SmtpClient.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "core/DisplayFormats.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

namespace {
// Appends one body line with CR LF, a leading "." doubled (RFC 5321 section 4.5.2).
void bodyLine(QByteArray& body, const QByteArray& line) {
    if (line.startsWith('.')) body += '.';
    body += line;
    body += "\r\n";
}

struct SendingGuard {
    bool& flag;
    bool owner;
    explicit SendingGuard(bool& f) : flag(f), owner(!f) { flag = true; }
    ~SendingGuard() {
        if (owner) flag = false;
    }
};
} // namespace

TSmtpClient::TSmtpClient(QObject* owner) : TSockClient(owner) { setPort(25); }

QByteArray TSmtpClient::command(const QString& text) { return Transaction(Cp1252::encode(OneLine(text))); }

void TSmtpClient::ReadExtraLines(QByteArray& reply) {
    // Continuation lines: a first character blank, or "-" after the code.
    while (!reply.isEmpty() && (reply[0] == ' ' || (reply.size() > 3 && reply[3] == '-'))) reply = ReadLn();
}

void TSmtpClient::Connect() {
    bool helloDone = false;
    try {
        SendingGuard guard(m_sending); // released before OnConnect, which may send at once
        TSockClient::Connect();
        QByteArray greeting = ReadLn();
        ReadExtraLines(greeting);
        bool ok = false;
        const int code = greeting.left(3).toInt(&ok);
        if (ok && code >= 400) throw ESmtpError(greeting.toStdString());
        int tries = 0;
        for (;;) {
            // HELO needs a name (RFC 5321 section 4.1.1.1): without a UserID the
            // machine's own name is given, which every server accepts.
            const QString name = m_userID.trimmed().isEmpty() ? QSysInfo::machineHostName() : m_userID;
            QByteArray reply = command(QStringLiteral("HELO ") + (name.isEmpty() ? QStringLiteral("localhost") : name));
            ReadExtraLines(reply);
            if (ReplyNumber() < 300) break;
            bool handled = false;
            if (tries > 0 || !OnAuthenticationFailed) throw ESmtpError("Authentication failed");
            OnAuthenticationFailed(this, handled);
            if (!handled) throw ESmtpError("Authentication failed");
            ++tries;
        }
        helloDone = true;
    } catch (...) {
        if (Connected()) {
            try {
                Disconnect();
            } catch (...) {
            }
        }
        throw;
    }
    if (helloDone && OnConnect) OnConnect(this);
}

void TSmtpClient::ClearParameters() {
    m_post.ToAddress.clear();
    m_post.ToCarbonCopy.clear();
    m_post.ToBlindCarbonCopy.clear();
    m_post.Attachments.clear();
}

void TSmtpClient::BuildMessage() {
    const TPostMessage& p = m_post;
    m_header.clear();
    m_header << QStringLiteral("From: ") + OneLine(p.FromName) + QLatin1Char('<') + OneLine(p.FromAddress) +
                    QLatin1Char('>');
    auto join = [](const QStringList& l) {
        QStringList clean;
        for (const QString& e : l) clean << OneLine(e);
        return clean.join(QLatin1Char(','));
    };
    if (!p.ToAddress.isEmpty()) m_header << QStringLiteral("To: ") + join(p.ToAddress);
    if (!p.ToCarbonCopy.isEmpty()) m_header << QStringLiteral("CC: ") + join(p.ToCarbonCopy);
    // Values from data stay on their header line (no header injection).
    m_header.SetValue(QStringLiteral("Subject"), OneLine(p.Subject));
    m_header.SetValue(QStringLiteral("X-Mailer"), OneLine(p.LocalProgram));
    if (!p.ReplyTo.isEmpty()) m_header.SetValue(QStringLiteral("Reply-To"), OneLine(p.ReplyTo));
    if (!p.Date.isEmpty()) m_header.SetValue(QStringLiteral("Date"), OneLine(p.Date));
    m_header << QStringLiteral("Mime-Version: 1.0");
    m_body.clear();
    if (!p.Attachments.isEmpty()) {
        m_boundary = QStringLiteral("====================54535") +
                     DisplayFormats::longTime(Clock::current().now().time()) + QStringLiteral("====");
        m_header << QStringLiteral("Content-Type: multipart/mixed; boundary=\"") + m_boundary + QLatin1Char('"');
        m_body += "--" + Cp1252::encode(m_boundary) + "\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n";
    } else {
        static const char* types[] = {"text/plain", "text/enriched", "text/sgml", "text/tab-separated-values",
                                      "text/html"};
        m_header << QStringLiteral("Content-Type: %1; charset=us-ascii").arg(types[static_cast<int>(SubType)]);
    }
    for (const QString& line : p.Body) bodyLine(m_body, Cp1252::encode(line));
    if (!p.Attachments.isEmpty()) {
        for (int i = 1; i <= p.Attachments.size(); ++i) EncodeAttachment(i);
        m_body += "--" + Cp1252::encode(m_boundary) + "--\r\n";
    }
}

void TSmtpClient::EncodeAttachment(int index) {
    const QString path = m_post.Attachments.at(index - 1);
    const QByteArray name = Cp1252::encode(OneLine(QFileInfo(path).fileName()).remove(QLatin1Char('"')));
    m_body += "--" + Cp1252::encode(m_boundary) + "\r\nContent-Type: application/octet-stream; name=\"" + name +
              "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + name +
              "\"\r\n\r\n";
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (OnAttachmentNotFound) OnAttachmentNotFound(this, path);
        throw ESmtpError("Cannot open attachment " + path.toStdString() + ": " + f.errorString().toStdString());
    }
    m_body += TUUProcessor::EncodeBytes(f.readAll(), EncodeType);
}

void TSmtpClient::SendMail() {
    if (m_sending) return;
    SendingGuard guard(m_sending);
    bool success = false;
    BuildMessage();
    CheckConnected();
    int tries = 0;
    while (m_post.FromAddress.isEmpty() ||
           (m_post.ToAddress.isEmpty() && m_post.ToCarbonCopy.isEmpty() && m_post.ToBlindCarbonCopy.isEmpty())) {
        bool handled = false;
        if (tries > 0 || !OnHeaderIncomplete) throw ESmtpError("Incomplete Header");
        OnHeaderIncomplete(this, handled, m_post.FromAddress.isEmpty() ? 1 : 2);
        if (!handled) throw ESmtpError("Incomplete Header");
        ++tries;
    }
    if (OnSendStart) OnSendStart(this);
    QByteArray reply = command(QStringLiteral("RSET"));
    if (ReplyNumber() >= 400) throw ESmtpError(reply.toStdString());
    reply = command(QStringLiteral("MAIL FROM:<") + m_post.FromAddress + QLatin1Char('>'));
    if (ReplyNumber() >= 400) throw ESmtpError(reply.toStdString());
    for (const QStringList* list : {&m_post.ToAddress, &m_post.ToCarbonCopy, &m_post.ToBlindCarbonCopy})
        for (const QString& entry : *list) {
            const QString address = ExtractAddress(entry);
            if (address.isEmpty()) continue;
            command(QStringLiteral("RCPT TO:<") + address + QLatin1Char('>'));
            if (ReplyNumber() > 300 && OnRecipientNotFound) OnRecipientNotFound(this, entry);
        }
    reply = command(QStringLiteral("DATA"));
    if (ReplyNumber() >= 400) throw ESmtpError(reply.toStdString());
    // Header, body and the final dot in large writes, not line by line.
    QByteArray data;
    for (const QString& line : m_header) data += Cp1252::encode(line) + "\r\n";
    data += "\r\n\r\n";
    data += m_body;
    for (qsizetype at = 0; at < data.size(); at += 60000) {
        const QByteArray piece = data.mid(at, 60000);
        SendBuffer(piece.constData(), static_cast<uint16_t>(piece.size()));
    }
    reply = Transaction(".");
    if (ReplyNumber() >= 400) {
        if (OnFailure) OnFailure(this);
        throw ESmtpError(reply.toStdString());
    }
    success = true;
    if (ClearParams) ClearParameters();
    if (success && OnSuccess) OnSuccess(this);
}

void TSmtpClient::Disconnect() {
    QByteArray reply;
    int code = 0;
    if (Connected()) {
        try {
            reply = Transaction("QUIT");
            code = ReplyNumber();
        } catch (...) {
        }
    }
    TSockClient::Disconnect();
    if (code > 339) throw ESmtpError(reply.toStdString());
}
