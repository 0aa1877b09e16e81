#pragma once
// A loopback server for socket and protocol tests, answering from a table. On
// each connection it sends the greeting, then for each command line the reply
// kept under the whole line (trimmed), else under its verb, else `unknownReply`;
// a key in `firstReplies` gives those replies first, one per command, before
// the one in `replies`. A reply is bytes with a few marks:
//   ""            nothing is answered to this line;
//   "<stall>"     nothing is answered on this connection from then on;
//   "<drop>"      the connection is reset instead of answering;
//   "<pause N>"   inside a reply: the rest follows N ms later;
//   "<close>"     at the end: the connection closes once the reply is out.
// The SMTP and POP3 servers close after answering QUIT; the SMTP server takes
// the text after DATA's 354 as a message. It records the bytes and command
// lines received and (SMTP) the message texts. It runs on the test's own
// thread, served by the event loop that the client's waits run.
// ScriptedSmtpServer and ScriptedPop3Server give it each protocol's replies.
#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

class ScriptedMailServer : public QObject {
public:
    enum class Protocol { Lines, Smtp, Pop3 };

    QByteArray greeting;
    QHash<QByteArray, QByteArray> replies;
    QHash<QByteArray, QByteArrayList> firstReplies;
    QByteArray unknownReply;
    QSet<QByteArray> refused; // SMTP: RCPT addresses answered with 550
    bool senderFirst = false; // SMTP: after a refused MAIL, RCPT and DATA get 503 until the next RSET or MAIL
    QList<QByteArray> commands;
    QList<QByteArray> messages; // SMTP: each text after DATA, its final dot left out
    QByteArray received;        // every byte the clients sent
    int connections = 0;
    int reads = 0; // how many times bytes from the client arrived
    QPointer<QTcpSocket> peer;

    explicit ScriptedMailServer(Protocol protocol = Protocol::Lines, QByteArray greeting_ = {},
                                QHash<QByteArray, QByteArray> replies_ = {}, QByteArray unknown = {})
        : greeting(std::move(greeting_)), replies(std::move(replies_)), unknownReply(std::move(unknown)),
          m_protocol(protocol) {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                peer = s;
                ++connections;
                m_buffer.clear();
                m_inData = m_stalled = m_noSender = false;
                connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    if (s == peer) process();
                });
                answer(greeting);
            }
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    // Listens on another address instead (the IPv6 loopback, say), at `port`
    // (0: any free one); false with the reason in `errorString`.
    bool listen(const QHostAddress& at, quint16 port, QString* errorString = nullptr) {
        m_server.close();
        const bool ok = m_server.listen(at, port);
        if (!ok && errorString) *errorString = m_server.errorString();
        return ok;
    }

    // Sends bytes now, outside the script.
    void send(const QByteArray& bytes) {
        if (peer) write(peer, bytes);
    }
    // Resets the connection (no orderly close).
    void abortPeer() {
        if (peer) peer->abort();
    }

private:
    void process() {
        const QByteArray bytes = peer->readAll();
        ++reads;
        received += bytes;
        m_buffer += bytes;
        qsizetype at = 0;
        while (peer) {
            if (m_inData) {
                const qsizetype end = m_buffer.indexOf("\r\n.\r\n", at);
                if (end < 0) break;
                messages.append(m_buffer.mid(at, end + 2 - at));
                at = end + 5;
                m_inData = false;
                commands.append(".");
                answer(replyTo("."));
                continue;
            }
            const qsizetype end = m_buffer.indexOf("\r\n", at);
            if (end < 0) break;
            const QByteArray line = m_buffer.mid(at, end - at);
            at = end + 2;
            commands.append(line);
            answer(replyTo(line));
        }
        m_buffer.remove(0, at);
    }

    QByteArray replyTo(const QByteArray& line) {
        const QByteArray trimmed = line.trimmed();
        const QByteArray verb = trimmed.split(' ').first().split(':').first().toUpper();
        const QByteArray key = replies.contains(trimmed) || firstReplies.contains(trimmed) ? trimmed : verb;
        const auto first = firstReplies.find(key);
        QByteArray r = first != firstReplies.end() && !first->isEmpty() ? first->takeFirst()
                                                                        : replies.value(key, unknownReply);
        if (m_protocol == Protocol::Smtp) {
            if (verb == "RCPT" && refused.contains(line.mid(line.indexOf('<') + 1).chopped(1)))
                r = "550 no such user\r\n";
            if (senderFirst && (verb == "MAIL" || verb == "RSET"))
                m_noSender = verb == "MAIL" && !r.startsWith('2');
            if (m_noSender && (verb == "RCPT" || verb == "DATA")) r = "503 5.5.1 need MAIL\r\n";
            if (verb == "DATA" && r.startsWith("354")) m_inData = true;
        }
        if (m_protocol != Protocol::Lines && verb == "QUIT" && !r.isEmpty() && r != "<stall>" &&
            r != "<drop>" && !r.endsWith("<close>"))
            r += "<close>";
        return r;
    }

    void answer(const QByteArray& reply) {
        if (m_stalled || !peer || reply.isEmpty()) return;
        if (reply == "<stall>" || reply == "<drop>") {
            m_stalled = true;
            if (reply == "<drop>") peer->abort();
            return;
        }
        write(peer, reply);
    }

    void write(QTcpSocket* to, const QByteArray& bytes) {
        const qsizetype pause = bytes.indexOf("<pause ");
        if (pause >= 0) {
            const qsizetype end = bytes.indexOf('>', pause);
            write(to, bytes.left(pause));
            QTimer::singleShot(bytes.mid(pause + 7, end - pause - 7).toInt(), to,
                               [this, to, rest = bytes.mid(end + 1)] { write(to, rest); });
            return;
        }
        const bool close = bytes.endsWith("<close>");
        to->write(close ? bytes.chopped(7) : bytes);
        to->flush();
        if (close) {
            if (to == peer) m_stalled = true;
            to->disconnectFromHost();
        }
    }

    Protocol m_protocol;
    QTcpServer m_server;
    QByteArray m_buffer;
    bool m_inData = false, m_stalled = false, m_noSender = false;
};
