// SMTP command and reply sequence of TSmtpClient.
#include "mail/smtp/SmtpClient.h"

#include "core/Cp1252.h"
#include "mail/codec/MailText.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>

namespace {

[[noreturn]] void ThrowReply(const QByteArray& reply) {
    throw EProtocolError(reply);
}

[[noreturn]] void AuthenticationFailed() {
    throw ENetError("Authentication failed");
}

// A reply of more lines than this is not SMTP: the connection is dropped.
constexpr int kMaxReplyLines = 100;
// What is kept of one reply; the rest of its lines is read and dropped.
constexpr qsizetype kMaxReplyBytes = 64 * 1024;

bool IsCompletion(int code) {
    return code >= 200 && code < 300;
}

int LeadingNumber(const QByteArray& line) {
    int value = 0;
    for (char c : line) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > 32767) break;
    }
    return value;
}

// Clears a flag on leaving the scope, whatever way it is left.
struct FlagGuard {
    bool& flag;
    bool owns;
    ~FlagGuard() {
        if (owns) flag = false;
    }
};

} // namespace

TSmtpClient::TSmtpClient(QObject* owner) : TSockClient(owner) {
    setPort(25);
    OnCanceledRead = [this](TSockClient*) {
        TSockClient::Disconnect();
        ClearIncomingBuffer();
    };
}

TSmtpClient::~TSmtpClient() = default;

QByteArray TSmtpClient::ReadExtraLines(QByteArray reply) {
    // "NNN-" lines (and lines opening with a blank) announce more; "NNN " is the last.
    auto more = [](QByteArrayView line) {
        return !line.isEmpty() && (line.at(0) == ' ' || (line.size() > 3 && line.at(3) == '-'));
    };
    bool again = more(reply);
    reply.truncate(kMaxReplyBytes);
    for (int lines = 1; again; ++lines) {
        if (lines >= kMaxReplyLines) {
            RequestCloseSocket();
            throw ESockError(QStringLiteral("Reply too long"));
        }
        const QByteArrayView line = ReadLnView();
        again = more(line);
        if (reply.size() < kMaxReplyBytes)
            reply += line.first(qMin(line.size(), kMaxReplyBytes - reply.size()));
    }
    return reply;
}

QByteArray TSmtpClient::Command(const QString& text) {
    // Every reply is read to its last line, so the next command meets its own reply.
    return ReadExtraLines(Transaction(Cp1252::encode(text)));
}

void TSmtpClient::Connect() {
    const bool ownsFlag = !m_sending;
    m_sending = true;
    bool connected = false;
    {
        FlagGuard guard{m_sending, ownsFlag};
        TSockClient::Connect();
        try {
            DoConnect();
            connected = true;
        } catch (...) {
            try {
                Disconnect();
            } catch (...) {
                // The first failure is the one reported.
            }
            throw;
        }
    }
    if (connected && OnConnect) OnConnect(this);
}

void TSmtpClient::DoConnect() {
    m_owedReplies = 0; // a new connection owes nothing
    m_envelopeAhead.clear();
    if (Security == TTransportSecurity::Tls) StartTls();
    const QByteArray first = ReadLn();
    const int greetingCode = LeadingNumber(first);
    const QByteArray greeting = ReadExtraLines(first);
    if (!IsCompletion(greetingCode)) ThrowReply(greeting);
    Hello();
    if (Security == TTransportSecurity::StartTls) {
        // Nothing but EHLO goes out in clear: without STARTTLS the session stops here.
        if (!Offers("STARTTLS")) throw ESecurityError(QStringLiteral("the server does not offer STARTTLS"));
        const QByteArray reply = Command(QStringLiteral("STARTTLS"));
        if (ReplyNumber() != 220)
            throw ESecurityError(QStringLiteral("STARTTLS refused: ") + QString::number(ReplyNumber()) +
                                 QLatin1Char(' ') + ServerWords(reply));
        StartTls();
        Hello(); // what the server offered before encryption counts no more
    }
    if (!Login.isEmpty() && !Password.isEmpty()) Authenticate();
}

void TSmtpClient::Hello() {
    m_capabilities.clear();
    // A line break in the name would start a second command.
    const QByteArray reply = Command(QStringLiteral("EHLO ") + OneLine(UserID));
    if (IsCompletion(ReplyNumber())) {
        // "250-NAME greets", then one keyword (and its parameters) per line.
        const QList<QByteArray> lines = reply.split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray keyword = lines[i].mid(4).trimmed().toUpper();
            if (!keyword.isEmpty()) m_capabilities << keyword;
        }
        return;
    }
    // A server without the extensions: the classic greeting, with one chance to repair it.
    auto greeted = [this] {
        Command(QStringLiteral("HELO ") + OneLine(UserID));
        return IsCompletion(ReplyNumber());
    };
    if (OwnerRepairs(greeted, AskOwner(OnAuthenticationFailed, this)) != TRepair::Done)
        AuthenticationFailed();
}

bool TSmtpClient::Offers(const QByteArray& keyword) const {
    for (const QByteArray& c : m_capabilities)
        if (c == keyword || c.startsWith(keyword + ' ') || c.startsWith(keyword + '=')) return true;
    return false;
}

bool TSmtpClient::OffersAuth(const QByteArray& mechanism) const {
    for (const QByteArray& c : m_capabilities) {
        if (!c.startsWith("AUTH ") && !c.startsWith("AUTH=")) continue;
        const QList<QByteArray> words = c.mid(5).split(' ');
        if (words.contains(mechanism)) return true;
    }
    return false;
}

void TSmtpClient::Authenticate() {
    if (!OffersAuth("PLAIN") && !OffersAuth("LOGIN")) return; // the server asks for none
    // The password never crosses an open wire unless the profile allows it.
    if (!Encrypted() && !AllowPlainLogin)
        throw ESecurityError(QStringLiteral("login refused on an unencrypted connection"));
    // The owner may give another login or password once (OnAuthenticationFailed).
    auto accepted = [this] {
        const QByteArray user = Login.toUtf8();
        const QByteArray password = Password.toUtf8();
        const bool plain = AuthMechanism.isEmpty() ? OffersAuth("PLAIN") : AuthMechanism == "PLAIN";
        if (plain) {
            Command(QStringLiteral("AUTH PLAIN ") +
                    QString::fromLatin1(('\0' + user + '\0' + password).toBase64()));
        } else {
            Command(QStringLiteral("AUTH LOGIN"));
            if (ReplyNumber() == 334) Command(QString::fromLatin1(user.toBase64()));
            if (ReplyNumber() == 334) Command(QString::fromLatin1(password.toBase64()));
        }
        return ReplyNumber() == 235;
    };
    if (OwnerRepairs(accepted, AskOwner(OnAuthenticationFailed, this)) != TRepair::Done)
        AuthenticationFailed();
}

void TSmtpClient::SendMail() {
    if (m_sending) return;
    m_sending = true;
    bool success = false;
    {
        FlagGuard guard{m_sending, true};
        DoSendMail();
        success = true;
        if (ClearParams) ClearParameters();
    }
    if (success && OnSuccess) OnSuccess(this);
}

void TSmtpClient::DoSendMail() {
    const std::optional<TEnvelope> nextEnvelope = std::exchange(NextEnvelope, std::nullopt);
    // The header and the text now (an attachment that cannot be opened stops
    // the message here); the attachments' lines as the body goes out.
    const std::unique_ptr<TBodyComposer> composer = StartMessage();
    CheckConnected();

    // A message without sender or recipient: the owner may fill it in once (OnHeaderIncomplete).
    auto complete = [this] {
        return !PostMessage.FromAddress.isEmpty() &&
               !(PostMessage.ToAddress.isEmpty() && PostMessage.ToCarbonCopy.isEmpty() &&
                 PostMessage.ToBlindCarbonCopy.isEmpty());
    };
    std::function<void(bool&)> ask;
    if (OnHeaderIncomplete)
        ask = [this](bool& handled) {
            OnHeaderIncomplete(this, handled, PostMessage.FromAddress.isEmpty() ? 1 : 2);
        };
    if (OwnerRepairs(complete, ask) != TRepair::Done) throw ENetError("Incomplete Header");
    // The sender goes into a command line as it stands, so it must be one plain address.
    if (!IsPlainAddress(PostMessage.FromAddress)) throw ENetError("Invalid sender address");

    if (OnSendStart) OnSendStart(this);

    const EnvelopeCommands envelope = Envelope({PostMessage.FromAddress, PostMessage.ToAddress,
                                                PostMessage.ToCarbonCopy, PostMessage.ToBlindCarbonCopy});
    // RFC 2920: the envelope may go in one group, DATA last; the text waits for 354.
    const bool batch = Pipelining && Offers("PIPELINING");
    const bool sentAhead = batch && !m_envelopeAhead.isEmpty() && m_envelopeAhead == envelope.commands &&
                           m_owedReplies == envelope.commands.size() && Connected();
    m_envelopeAhead.clear();
    if (!sentAhead) {
        SettleOwedReplies();
        if (batch) {
            WriteCommands(envelope.commands);
            m_owedReplies = static_cast<int>(envelope.commands.size());
        }
    }
    qsizetype next = 0;
    auto nextReply = [&]() -> QByteArray {
        const QByteArray& command = envelope.commands.at(next++);
        if (!batch) return ReadExtraLines(Transaction(command));
        const QByteArray whole = ReadExtraLines(ReadReply());
        --m_owedReplies;
        return whole;
    };

    QByteArray reply = nextReply(); // RSET
    if (!IsCompletion(ReplyNumber())) ThrowReply(reply);
    reply = nextReply(); // MAIL FROM
    if (!IsCompletion(ReplyNumber())) ThrowReply(reply);
    // A refused recipient never stops the transaction.
    for (const auto& [entry, sent] : envelope.recipients) {
        bool refused = true;
        if (sent) {
            nextReply();
            refused = !IsCompletion(ReplyNumber());
        }
        if (refused && OnRecipientNotFound) OnRecipientNotFound(this, entry);
    }
    reply = nextReply();                             // DATA
    if (ReplyNumber() / 100 != 3) ThrowReply(reply); // only "go ahead" opens the message text

    // Header block, its ending blank line and the empty line that opens the
    // body, then the body straight from where it is composed, made as it goes
    // out. Pipelining, the end-of-data dot goes with them in the same write,
    // and the next message's envelope after it when the owner named it.
    QByteArray headerBlock = Cp1252::encode(FinalHeader.Text());
    headerBlock.append("\r\n\r\n");
    QByteArray trailer;
    QList<QByteArray> ahead;
    if (batch) {
        trailer = ".\r\n";
        if (nextEnvelope) {
            const EnvelopeCommands following = Envelope(*nextEnvelope);
            if (following.sendable) ahead = following.commands;
        }
        for (const QByteArray& command : std::as_const(ahead))
            trailer.append(command).append("\r\n");
    }
    qsizetype given = 0; // bytes of MessageBody handed to the socket
    bool trailerGiven = false;
    SendParts({headerBlock}, [&]() -> QByteArrayView {
        while (given == MessageBody.size() && composer->Next()) {
        }
        if (given < MessageBody.size()) {
            const QByteArrayView piece = QByteArrayView(std::as_const(MessageBody)).sliced(given);
            given = MessageBody.size();
            return piece;
        }
        if (std::exchange(trailerGiven, true)) return {};
        return trailer;
    });
    if (batch) {
        m_owedReplies = 1 + static_cast<int>(ahead.size());
        reply = ReadExtraLines(ReadReply());
        --m_owedReplies;
        m_envelopeAhead = ahead;
    } else {
        reply = Command(QStringLiteral("."));
    }
    if (!IsCompletion(ReplyNumber())) {
        if (OnFailure) OnFailure(this);
        ThrowReply(reply);
    }
}

TSmtpClient::EnvelopeCommands TSmtpClient::Envelope(const TEnvelope& envelope) {
    EnvelopeCommands out;
    out.commands = {"RSET",
                    Cp1252::encode(QStringLiteral("MAIL FROM:<") + envelope.FromAddress + QLatin1Char('>'))};
    for (const QStringList* list : {&envelope.ToAddress, &envelope.ToCarbonCopy, &envelope.ToBlindCarbonCopy})
        for (const QString& entry : *list) {
            const QString address = ExtractAddress(entry);
            if (address.isEmpty()) continue;
            // Anything but one plain address would add parameters or lines to the command.
            const bool sent = IsPlainAddress(address);
            out.recipients.append({entry, sent});
            if (sent)
                out.commands.append(Cp1252::encode(QStringLiteral("RCPT TO:<") + address + QLatin1Char('>')));
        }
    out.commands.append("DATA");
    out.sendable = IsPlainAddress(envelope.FromAddress) && out.commands.size() > 3;
    return out;
}

void TSmtpClient::SettleOwedReplies() {
    while (m_owedReplies > 0 && Connected()) {
        ReadExtraLines(ReadReply());
        if (--m_owedReplies == 0 && ReplyNumber() / 100 == 3) {
            RequestCloseSocket();
            throw ESockError(QStringLiteral("Connection Closed"));
        }
    }
    m_owedReplies = 0;
}

void TSmtpClient::Disconnect() {
    setCanceled(false);
    // Without a connection there is no one to answer QUIT: only close.
    if (!Connected()) {
        TSockClient::Disconnect();
        return;
    }
    QByteArray reply;
    int code = 0;
    try {
        SettleOwedReplies();
        reply = Command(QStringLiteral("QUIT"));
        code = ReplyNumber();
    } catch (...) {
        TSockClient::Disconnect();
        throw;
    }
    TSockClient::Disconnect();
    if (code > 339) ThrowReply(reply);
}

void TSmtpClient::ClearParameters() {
    PostMessage.ToAddress.clear();
    PostMessage.ToCarbonCopy.clear();
    PostMessage.ToBlindCarbonCopy.clear();
    PostMessage.Attachments.clear();
}

TComposeEvents TSmtpClient::ComposeEvents() {
    TComposeEvents events;
    if (OnEncodeStart) events.OnEncodeStart = [this](const QString& name) { OnEncodeStart(this, name); };
    if (OnEncodeEnd) events.OnEncodeEnd = [this](const QString& name) { OnEncodeEnd(this, name); };
    if (OnAttachmentNotFound)
        events.OnAttachmentNotFound = [this](const QString& name) { OnAttachmentNotFound(this, name); };
    return events;
}

std::unique_ptr<TBodyComposer> TSmtpClient::StartMessage() {
    const QTime now = TimeOfDay ? TimeOfDay() : QTime::currentTime();
    TComposeOptions options;
    options.now = QDateTime(QDate::currentDate(), now);
    options.eightBitMime = Offers("8BITMIME"); // else 8-bit text goes quoted-printable
    return ::StartMessage(PostMessage, SubType, EncodeType, options, ComposeEvents(), FinalHeader,
                          MessageBody, Boundary);
}

void TSmtpClient::BuildMessage() {
    const std::unique_ptr<TBodyComposer> composer = StartMessage();
    while (composer->Next()) {
    }
}

void TSmtpClient::EncodeAttachment(int index) {
    if (index < 1 || index > PostMessage.Attachments.size())
        throw std::out_of_range("Attachment index out of range");
    EncodeAttachmentPart(MessageBody, PostMessage.Attachments.at(index - 1), Boundary, EncodeType,
                         ComposeEvents());
}
