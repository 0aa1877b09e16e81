#pragma once
// A loopback mail server for protocol tests, answering from a table: the
// greeting, then for each command line the reply kept under the whole line,
// else under its verb, else `unknownReply`. An empty reply answers nothing.
// It records the command lines and (SMTP) the message texts it received.
// ScriptedSmtpServer and ScriptedPop3Server give it each protocol's replies.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>

class ScriptedMailServer : public QObject {
public:
    QByteArray greeting;
    QHash<QByteArray, QByteArray> replies;
    QByteArray unknownReply;
    QSet<QByteArray> refused; // SMTP: RCPT addresses answered with 550
    QByteArray closeAfter;    // the connection closes right after the reply to this line (and QUIT)
    QList<QByteArray> commands;
    QList<QByteArray> messages; // SMTP: each text after DATA, its final dot left out

    quint16 port() const { return m_server.serverPort(); }

protected:
    enum class Protocol { Smtp, Pop3 };
    ScriptedMailServer(Protocol protocol, QByteArray greeting_, QHash<QByteArray, QByteArray> replies_,
                       QByteArray unknown)
        : greeting(std::move(greeting_)), replies(std::move(replies_)), unknownReply(std::move(unknown)),
          m_protocol(protocol) {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            m_socket->write(greeting);
            connect(m_socket, &QTcpSocket::readyRead, this, [this] { process(); });
        });
    }

private:
    void process() {
        m_buffer += m_socket->readAll();
        for (;;) {
            if (m_inData) {
                const qsizetype end = m_buffer.indexOf("\r\n.\r\n");
                if (end < 0) return;
                messages.append(m_buffer.left(end + 2));
                m_buffer.remove(0, end + 5);
                m_inData = false;
                commands.append(".");
                m_socket->write(replies.value("."));
                continue;
            }
            const qsizetype end = m_buffer.indexOf("\r\n");
            if (end < 0) return;
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 2);
            commands.append(line);
            m_socket->write(reply(line));
            if (line.split(' ').first().toUpper() == "QUIT" ||
                (!closeAfter.isEmpty() && line == closeAfter)) {
                m_socket->flush();
                m_socket->disconnectFromHost();
            }
        }
    }

    QByteArray reply(const QByteArray& line) {
        const QByteArray verb = line.split(' ').first().split(':').first().toUpper();
        QByteArray r = replies.value(line, replies.value(verb, unknownReply));
        if (m_protocol != Protocol::Smtp) return r;
        if (verb == "RCPT" && refused.contains(line.mid(line.indexOf('<') + 1).chopped(1)))
            r = "550 no such user\r\n";
        if (verb == "DATA" && r.startsWith("354")) m_inData = true;
        return r;
    }

    Protocol m_protocol;
    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    QByteArray m_buffer;
    bool m_inData = false;
};
