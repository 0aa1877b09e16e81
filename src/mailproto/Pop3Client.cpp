#include "mailproto/Pop3Client.h"

#include "core/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
};
} // namespace

TPop3Client::TPop3Client(QObject* owner) : TSockClient(owner) { setPort(110); }

QByteArray TPop3Client::command(const QString& text) { return Transaction(Cp1252::encode(OneLine(text))); }

bool TPop3Client::positive(const QByteArray& reply) {
    const int blank = reply.indexOf(' ');
    return (blank < 0 ? reply : reply.left(blank)).contains("+OK");
}

void TPop3Client::Connect() {
    int tries = 0;
    while (m_password.isEmpty() || m_userID.isEmpty()) {
        if (!OnAuthenticationNeeded) throw EPop3Error("Authentication failed");
        if (tries > 0) break;
        bool handled = false;
        OnAuthenticationNeeded(this, handled);
        if (!handled) throw EPop3Error("Authentication failed");
        ++tries;
    }
    const bool wasSending = m_sending;
    m_sending = true;
    bool loggedIn = false;
    try {
        TSockClient::Connect();
        const QByteArray greeting = ReadLn();
        if (!positive(greeting)) throw EPop3Error(greeting.toStdString());
        tries = 0;
        for (;;) {
            QByteArray reply = command(QStringLiteral("USER ") + m_userID);
            if (positive(reply)) {
                reply = command(QStringLiteral("PASS ") + m_password);
                if (positive(reply)) break;
            }
            bool handled = false;
            if (tries > 0 || !OnAuthenticationFailed) throw EPop3Error("Authentication failed");
            OnAuthenticationFailed(this, handled);
            if (!handled) throw EPop3Error("Authentication failed");
            ++tries;
        }
        loggedIn = true;
        const QByteArray stat = command(QStringLiteral("STAT"));
        if (!positive(stat)) throw EPop3Error(stat.toStdString());
        m_mailCount = NthField(QString::fromLatin1(stat).trimmed(), QLatin1Char(' '), 2).toInt();
    } catch (...) {
        if (Connected()) {
            try {
                Disconnect();
            } catch (...) {
            }
        }
        if (!wasSending) m_sending = false;
        if (loggedIn && OnConnect) OnConnect(this);
        throw;
    }
    if (!wasSending) m_sending = false;
    if (OnConnect) OnConnect(this);
}

void TPop3Client::Disconnect() {
    if (!Connected()) return;
    QByteArray reply;
    try {
        reply = command(QStringLiteral("QUIT"));
    } catch (...) {
    }
    TSockClient::Disconnect();
    if (!reply.isEmpty() && !positive(reply)) throw EPop3Error(reply.toStdString());
}

QString TPop3Client::readDataLine(bool& end) {
    QByteArray line = ReadLn();
    if (line.endsWith('\n')) line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    end = line == ".";
    if (!end && line.startsWith("..")) line.remove(0, 1); // RFC 1939 section 3: byte-stuffing undone
    return Cp1252::decode(line);
}

void TPop3Client::List() {
    if (m_sending) return;
    Busy busy(m_sending);
    CheckConnected();
    const QByteArray first = command(QStringLiteral("LIST "));
    if (!positive(first)) throw EPop3Error(first.toStdString());
    for (;;) {
        bool end = false;
        const QString line = readDataLine(end);
        if (end) break;
        bool ok1 = false, ok2 = false;
        const int msg = NthField(line, QLatin1Char(' '), 1).toInt(&ok1);
        const int size = NthField(line, QLatin1Char(' '), 2).toInt(&ok2);
        if (!ok1 || !ok2) throw EPop3Error("Bad LIST line: " + line.toStdString());
        if (OnList) OnList(this, msg, size);
    }
}

void TPop3Client::GetSummary(int n) {
    if (m_sending) return;
    Busy busy(m_sending);
    CheckConnected();
    if (OnRetrieveStart) OnRetrieveStart(this);
    const QByteArray reply = command(QStringLiteral("TOP %1 0").arg(n));
    if (!positive(reply)) throw EPop3Error(reply.toStdString());
    m_summary = TSummary();
    for (;;) {
        bool end = false;
        const QString line = readDataLine(end);
        if (line.startsWith(QLatin1String("Subject:"))) m_summary.Subject = line.mid(8);
        else if (line.startsWith(QLatin1String("From:"))) m_summary.From = line.mid(5);
        else if (line.startsWith(QLatin1String("Message-ID:"))) m_summary.MessageId = line.mid(12).left(256);
        m_summary.Header << line;
        if (end) break;
    }
    const QByteArray list = command(QStringLiteral("LIST %1").arg(n));
    if (!positive(list)) throw EPop3Error(list.toStdString());
    bool ok = false;
    m_summary.Bytes = NthField(QString::fromLatin1(list).trimmed(), QLatin1Char(' '), 3).toInt(&ok);
    if (!ok) throw EPop3Error("Bad LIST reply: " + list.toStdString());
    if (OnRetrieveEnd) OnRetrieveEnd(this);
}

void TPop3Client::readHeader(bool keep, bool& end) {
    for (;;) {
        const QString line = readDataLine(end);
        if (end) return; // the message ended inside its header
        if (keep) m_message.Header << line;
        if (line.isEmpty()) return;
        const QString upper = line.toUpper();
        const QString word = NthField(upper, QLatin1Char(' '), 1);
        if (word == QLatin1String("SUBJECT:")) m_message.Subject = line.mid(8).left(256);
        if (word == QLatin1String("FROM:")) m_message.From = line.mid(6).left(256);
        if (word == QLatin1String("CONTENT-TYPE:")) m_contentType = line.mid(14).left(256);
        if (word == QLatin1String("MESSAGE-ID:")) m_message.MessageId = line.mid(12).left(256);
        const int b = upper.indexOf(QLatin1String("BOUNDARY="));
        if (b >= 0) {
            QString v = line.mid(b + 9).trimmed();
            if (v.startsWith(QLatin1Char('"'))) v = v.mid(1, v.indexOf(QLatin1Char('"'), 1) - 1);
            else v = NthField(v, QLatin1Char(';'), 1).trimmed();
            m_boundary = v; // the delimiter lines contain it; an empty one is never taken
        }
        if (upper.contains(QLatin1String("CONTENT-TRANSFER-ENCODING")))
            m_transferEncoding = line.mid(line.indexOf(QLatin1Char(':')) + 1).trimmed().left(256);
        if (upper.contains(QLatin1String("FILENAME")) || upper.contains(QLatin1String("NAME=")))
            m_attachName = NthField(line, QLatin1Char('"'), 2);
    }
}

QString TPop3Client::NombreSeguro(const QString& name) {
    QString base = name;
    base.replace(QLatin1Char('\\'), QLatin1Char('/'));
    base = base.mid(base.lastIndexOf(QLatin1Char('/')) + 1);
    QString out;
    for (QChar c : base) out += (c.unicode() < 32 || c.unicode() == 127 || QStringLiteral(":*?\"<>|").contains(c)) ? QChar(u'_') : c;
    while (out.startsWith(QLatin1Char('.'))) out.remove(0, 1); // no "..", no hidden names
    return out.trimmed().isEmpty() ? QStringLiteral("text.tmp") : out;
}

QString TPop3Client::uniqueName(const QString& name) const {
    const QString dir = AttachFilePath.isEmpty() ? QDir::currentPath() + QLatin1Char('/') : AttachFilePath;
    if (!QFileInfo::exists(dir + name)) return name;
    const QString base = NthField(name, QLatin1Char('.'), 1), ext = NthField(name, QLatin1Char('.'), 2);
    for (int k = 1;; ++k) {
        const QString candidate = QStringLiteral("%1_%2.%3").arg(base).arg(k).arg(ext);
        if (!QFileInfo::exists(dir + candidate)) return candidate;
    }
}

bool TPop3Client::extractPart(bool toFile, bool& end) {
    QByteArray raw;
    QStringList lines;
    bool last = false;
    for (;;) {
        const QString line = readDataLine(end);
        if (end) break;
        if (!m_boundary.isEmpty() && line.contains(m_boundary)) {
            last = line.trimmed().endsWith(QLatin1String("--"));
            break;
        }
        if (toFile) raw += Cp1252::encode(line) + "\r\n";
        else lines << line;
    }
    if (!toFile) {
        m_message.Body << lines;
        return last;
    }
    const QString name = uniqueName(NombreSeguro(m_attachName));
    m_message.Body << QStringLiteral("\r\nFile \"%1\" extracted").arg(name);
    m_message.Attachments << name;
    const QString dir = AttachFilePath.isEmpty() ? QDir::currentPath() + QLatin1Char('/') : AttachFilePath;
    QFile f(dir + name);
    if (!f.open(QIODevice::NewOnly | QIODevice::WriteOnly))
        throw EPop3Error("Cannot write attachment " + name.toStdString() + ": " + f.errorString().toStdString());
    QByteArray data = raw;
    if (m_transferEncoding.toLower().contains(QLatin1String("base64"))) data = TUUProcessor::DecodeBytes(raw, emBase64);
    else if (m_transferEncoding.contains(QLatin1String("X-UUENCODE"))) data = TUUProcessor::DecodeBytes(raw, emUU);
    f.write(data);
    return last;
}

void TPop3Client::readMessage() {
    bool end = false;
    readHeader(true, end);
    if (end) return;
    if (m_contentType.contains(QLatin1String("multipart")) && !m_boundary.isEmpty()) {
        // Preamble, then parts: the first becomes the text, every later one a file.
        for (;;) {
            const QString line = readDataLine(end);
            if (end || line.contains(m_boundary)) break;
        }
        bool first = true;
        while (!end) {
            m_attachName.clear();
            m_transferEncoding.clear();
            readHeader(false, end);
            if (end) break;
            const bool last = extractPart(!first, end);
            first = false;
            if (last) break;
        }
        while (!end) readDataLine(end); // the epilogue
        return;
    }
    if (m_transferEncoding.toUpper().contains(QLatin1String("BASE64"))) {
        QByteArray raw;
        for (;;) {
            const QString line = readDataLine(end);
            if (end) break;
            raw += Cp1252::encode(line) + "\n";
        }
        const QString text = Cp1252::decode(TUUProcessor::DecodeBytes(raw, emBase64));
        QString normalized = text;
        normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        m_message.Body = normalized.split(QLatin1Char('\n'));
        if (!m_message.Body.isEmpty() && m_message.Body.last().isEmpty()) m_message.Body.removeLast();
        return;
    }
    extractPart(false, end);
}

void TPop3Client::GetMailMessage(int n) {
    if (m_sending) return;
    Busy busy(m_sending);
    CheckConnected();
    if (OnRetrieveStart) OnRetrieveStart(this);
    struct End {
        TPop3Client* c;
        ~End() {
            if (c->OnRetrieveEnd) c->OnRetrieveEnd(c);
        }
    } endEvent{this};
    m_transferEncoding.clear();
    m_boundary.clear();
    m_attachName.clear();
    m_contentType.clear();
    const QByteArray reply = command(QStringLiteral("RETR %1").arg(n));
    if (!positive(reply)) throw EPop3Error(reply.toStdString());
    m_message = TMailMessage();
    readMessage();
    if (DeleteOnRead) {
        const QByteArray del = command(QStringLiteral("DELE %1").arg(n));
        if (NthField(QString::fromLatin1(del), QLatin1Char(' '), 1) != QLatin1String("+OK"))
            throw EPop3Error(del.toStdString());
    }
}

void TPop3Client::DeleteMailMessage(int n) {
    if (m_sending) return;
    Busy busy(m_sending);
    CheckConnected();
    const QByteArray reply = command(QStringLiteral("DELE %1").arg(n));
    if (NthField(QString::fromLatin1(reply), QLatin1Char(' '), 1) != QLatin1String("+OK")) {
        if (OnFailure) OnFailure(this);
        throw EPop3Error(reply.toStdString());
    }
    if (OnSuccess) OnSuccess(this);
}
