// TPop3Client session commands: login, STAT, LIST, TOP, DELE, QUIT and the busy flag.
#include "mail/pop3/Pop3Client.h"

#include "core/Cp1252.h"
#include "mail/codec/MailText.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const QByteArray& reply) {
    throw EProtocolError(reply);
}

[[noreturn]] void AuthenticationFailed() {
    throw ENetError("Authentication failed");
}

// Sets a flag for the lifetime of one command and clears it again, also on exceptions.
class BusyGuard {
public:
    explicit BusyGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyGuard() { m_flag = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& m_flag;
};

int ToNumber(const QByteArray& field) {
    bool ok = false;
    const int value = field.trimmed().toInt(&ok, 10);
    if (!ok) throw ENetError("'" + field.trimmed().toStdString() + "' is not a valid integer value");
    return value;
}

QByteArray Command(const char* verb, int msg) {
    return QByteArray(verb) + ' ' + QByteArray::number(msg);
}

} // namespace

TPop3Client::TPop3Client(QObject* owner) : TSockClient(owner) {
    setPort(110);
    OnCanceledRead = [](TSockClient*) {};
}

TPop3Client::~TPop3Client() = default;

QByteArray TPop3Client::FirstField(const QByteArray& reply) {
    const qsizetype blank = reply.indexOf(' ');
    QByteArray field = blank < 0 ? reply : reply.left(blank);
    // A bare "+OK" keeps no line end: it is a whole positive reply.
    while (field.endsWith('\n') || field.endsWith('\r'))
        field.chop(1);
    return field;
}

bool TPop3Client::IsPositive(const QByteArray& reply) {
    return FirstField(reply).contains("+OK");
}

void TPop3Client::Connect() {
    // Missing credentials: the owner is asked once; what it leaves is used as it is.
    if (OwnerRepairs([this] { return !Password.isEmpty() && !UserID.isEmpty(); },
                     AskOwner(OnAuthenticationNeeded, this)) == TRepair::NotRepaired)
        AuthenticationFailed();
    const bool setBusy = !m_sending;
    m_sending = true;
    bool loggedIn = false;
    ClearAhead();
    try {
        TSockClient::Connect();
        try {
            if (Security == TTransportSecurity::Tls) StartTls();
            const QByteArray greeting = ReadLn();
            if (!IsPositive(greeting)) Fail(greeting);
            m_capabilities.clear();
            if (Security != TTransportSecurity::None) {
                const bool listed = Capa();
                if (Security == TTransportSecurity::StartTls) {
                    // Nothing but CAPA goes out in clear: a server that lists no STLS is left here.
                    if (listed && !m_capabilities.contains("STLS"))
                        throw ESecurityError(QStringLiteral("the server does not offer STLS"));
                    const QByteArray reply = Transaction("STLS");
                    if (!IsPositive(reply))
                        throw ESecurityError(QStringLiteral("STLS refused: ") + ServerWords(reply));
                    StartTls();
                    Capa(); // what the server listed before encryption counts no more
                }
            } else if (Pipelining) {
                Capa();
            }
            if (!Encrypted() && !AllowPlainLogin)
                throw ESecurityError(QStringLiteral("login refused on an unencrypted connection"));
            Login();
            loggedIn = true;
            const QByteArray stat = Transaction("STAT");
            if (!IsPositive(stat)) Fail(stat);
            bool ok = false;
            const int count =
                NthField(QString::fromLatin1(stat).trimmed(), QLatin1Char(' '), 2).toInt(&ok, 10);
            m_mailCount = ok ? count : 0;
        } catch (...) {
            try {
                Disconnect();
            } catch (...) {
                // the first failure is the one reported
            }
            throw;
        }
    } catch (...) {
        if (setBusy) m_sending = false;
        if (loggedIn && OnConnect) OnConnect(this);
        throw;
    }
    if (setBusy) m_sending = false;
    if (OnConnect) OnConnect(this);
}

bool TPop3Client::Pipelined() const {
    return Pipelining && m_capabilities.contains("PIPELINING");
}

void TPop3Client::SendAhead(const QList<std::pair<QByteArray, bool>>& commands) {
    for (const auto& [command, multiLine] : commands)
        Queue(command, multiLine);
}

void TPop3Client::Queue(const QByteArray& command, bool multiLine) {
    if (m_queued.contains(command)) return; // already on its way
    m_ahead.push_back({command, multiLine});
    m_queued.insert(command);
}

void TPop3Client::Unqueue() {
    m_queued.remove(m_ahead.front().command);
    m_ahead.pop_front();
}

void TPop3Client::SummariesAhead(const QList<int>& msgs) {
    for (const int msg : msgs)
        SendAhead({{Command("TOP", msg) + " 0", true}, {Command("LIST", msg), false}});
}

void TPop3Client::RetrievalsAhead(const QList<int>& msgs) {
    for (const int msg : msgs)
        SendAhead({{Command("RETR", msg), true}});
}

void TPop3Client::DeleteAhead(int msg) {
    SendAhead({{Command("DELE", msg), false}});
}

void TPop3Client::WriteAhead() {
    const qsizetype window = Pipelined() ? kWindow : 1;
    const qsizetype queued = static_cast<qsizetype>(m_ahead.size());
    if (m_written > window / 2 || m_written >= queued) return;
    QList<QByteArray> lines;
    for (qsizetype i = m_written; i < std::min(queued, window); ++i)
        lines << m_ahead[static_cast<size_t>(i)].command;
    m_written += lines.size();
    try {
        if (lines.size() == 1)
            Writeln(lines.first());
        else
            WriteCommands(lines);
    } catch (const EAbortError&) {
        throw;
    } catch (const ESockError&) {
        // Without pipelining the command fails as it is sent; with it, the reads
        // tell the connection's end at the same step.
        if (window == 1) {
            m_written -= lines.size();
            throw;
        }
    }
}

bool TPop3Client::Answering(const QByteArray& command) const {
    for (qsizetype i = 0; i < m_written; ++i)
        if (m_ahead[static_cast<size_t>(i)].command == command) return true;
    return false;
}

void TPop3Client::CheckConnectedUnlessAnswering(const QByteArray& command) {
    if (!Answering(command)) CheckConnected();
}

void TPop3Client::ClearAhead() {
    m_ahead.clear();
    m_queued.clear();
    m_written = 0;
}

QByteArray TPop3Client::Reply(const QByteArray& command, bool multiLine) {
    Queue(command, multiLine);
    for (;;) {
        // Queued, never sent, and passed over by the owner: it never goes out.
        while (m_written == 0 && m_ahead.front().command != command)
            Unqueue();
        WriteAhead();
        const SentCommand sent = m_ahead.front();
        Unqueue();
        --m_written;
        const QByteArray reply = ReadReply();
        if (sent.command == command) return reply;
        // Sent ahead for a step that did not come (an earlier reply stopped it).
        if (sent.multiLine && IsPositive(reply))
            for (QByteArrayView line = ReadLnView(); line != ".\r\n" && line != ".\n"; line = ReadLnView()) {
            }
    }
}

bool TPop3Client::Capa() {
    m_capabilities.clear();
    if (!IsPositive(Transaction("CAPA"))) return false;
    for (;;) {
        QByteArray line = ReadLn();
        line.chop(line.endsWith("\r\n") ? 2 : 1);
        if (line == ".") return true;
        if (m_capabilities.size() < 100) m_capabilities << line.trimmed().toUpper();
    }
}

void TPop3Client::Login() {
    // A refused USER or PASS: the owner may give another login or password once.
    auto loggedIn = [this] {
        return IsPositive(Transaction("USER " + Cp1252::encode(UserID))) &&
               IsPositive(Transaction("PASS " + Cp1252::encode(Password)));
    };
    if (OwnerRepairs(loggedIn, AskOwner(OnAuthenticationFailed, this)) != TRepair::Done)
        AuthenticationFailed();
}

void TPop3Client::Disconnect() {
    if (!Connected()) return;
    QByteArray reply;
    try {
        reply = Reply("QUIT", false);
    } catch (...) {
        ClearAhead();
        TSockClient::Disconnect();
        throw;
    }
    ClearAhead();
    TSockClient::Disconnect();
    if (!IsPositive(reply)) Fail(reply);
}

void TPop3Client::Cancel() {
    TSockClient::Cancel();
    if (Connected()) {
        TSockClient::Disconnect();
        ClearIncomingBuffer();
        ClearAhead();
    }
}

void TPop3Client::List() {
    if (m_sending) return;
    BusyGuard busy(m_sending);
    CheckConnected();
    const QByteArray reply = Reply("LIST ", true);
    // A refusal has no lines after it: waiting for them would never end.
    if (!IsPositive(reply)) Fail(reply);
    std::exception_ptr failure;
    for (;;) {
        QByteArray line = ReadLn();
        line.chop(line.endsWith("\r\n") ? 2 : 1);
        if (line == ".") break;
        if (!OnList || failure) continue; // the answer is still read to its end
        try {
            const QList<QByteArray> fields = line.simplified().split(' ');
            const int msg = ToNumber(fields.value(0));
            const int size = ToNumber(fields.value(1));
            OnList(this, msg, size);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

void TPop3Client::GetSummary(int msg) {
    if (m_sending) return;
    BusyGuard busy(m_sending);
    // TOP and LIST go out together when pipelining (or went out earlier, ahead).
    const QByteArray topCommand = Command("TOP", msg) + " 0";
    const QByteArray listCommand = Command("LIST", msg);
    CheckConnectedUnlessAnswering(topCommand);
    if (OnRetrieveStart) OnRetrieveStart(this);
    SendAhead({{topCommand, true}, {listCommand, false}});
    const QByteArray top = Reply(topCommand, true);
    if (!IsPositive(top)) Fail(top);
    Summary.Header.clear();
    Summary.Subject.clear();
    Summary.From.clear();
    Summary.MessageId.clear();
    qsizetype kept = 0;
    for (;;) {
        QByteArray raw = ReadLn();
        const bool end = raw == ".\r\n" || raw == ".\n";
        if (raw.startsWith("..")) raw.remove(0, 1);
        raw.chop(raw.endsWith("\r\n") ? 2 : 1);
        // Kept lines are cut as a message's header lines are (a long line costs no memory).
        const QString line = Cp1252::decode(raw.left(MimeReader::kMaxHeaderLine));
        if (!end) {
            if (line.startsWith(QLatin1String("Subject:")))
                Summary.Subject = line.mid(8);
            else if (line.startsWith(QLatin1String("From:")))
                Summary.From = line.mid(5);
            else if (line.startsWith(QLatin1String("Message-ID:")))
                Summary.MessageId = line.mid(12).left(256);
        }
        if (Summary.Header.size() < kMaxHeaderLines && kept < MimeReader::kMaxHeaderBytes) {
            kept += line.size();
            Summary.Header.append(line);
        }
        if (end) break;
    }
    const QByteArray list = Reply(listCommand, false);
    if (!IsPositive(list)) Fail(list);
    Summary.Bytes = ToNumber(list.simplified().split(' ').value(2));
    StatusMessage(1, QStringLiteral("Summary Retrieved"));
    if (OnRetrieveEnd) OnRetrieveEnd(this);
}

void TPop3Client::GetMailMessage(int msg) {
    if (m_sending) return;
    BusyGuard busy(m_sending);
    const QByteArray retr = Command("RETR", msg);
    CheckConnectedUnlessAnswering(retr);
    if (OnRetrieveStart) OnRetrieveStart(this);
    try {
        const QByteArray reply = Reply(retr, true);
        if (!IsPositive(reply)) Fail(reply);
        MailMessage = TMailMessage();
        setBytesRecvd(0);
        try {
            ReadMessage();
        } catch (...) {
            SkipRestOfMessage();
            throw;
        }
        if (DeleteOnRead) {
            const QByteArray dele = Reply(Command("DELE", msg), false);
            if (FirstField(dele) != "+OK") Fail(dele);
        }
        StatusMessage(1, QStringLiteral("Message Retrieved"));
    } catch (...) {
        if (OnRetrieveEnd) OnRetrieveEnd(this);
        throw;
    }
    if (OnRetrieveEnd) OnRetrieveEnd(this);
}

void TPop3Client::DeleteMailMessage(int msg, int nextSummary) {
    if (m_sending) return;
    {
        BusyGuard busy(m_sending);
        const QByteArray dele = Command("DELE", msg);
        CheckConnectedUnlessAnswering(dele);
        QList<std::pair<QByteArray, bool>> batch{{dele, false}};
        if (nextSummary > 0)
            batch << std::pair{Command("TOP", nextSummary) + " 0", true}
                  << std::pair{Command("LIST", nextSummary), false};
        SendAhead(batch);
        const QByteArray reply = Reply(dele, false);
        if (FirstField(reply) != "+OK") {
            if (OnFailure) OnFailure(this);
            Fail(reply);
        }
    }
    if (OnSuccess) OnSuccess(this);
}
