#pragma once
// A loopback SMTP peer for protocol tests: answers each command from a table
// and records the commands and the message data it received.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>

class ScriptedSmtpServer : public QObject {
public:
    QByteArray greeting = "220 fake ready\r\n";
    QHash<QByteArray, QByteArray> replies{{"HELO", "250 hello\r\n"},     {"RSET", "250 reset\r\n"},
                                          {"MAIL", "250 sender ok\r\n"}, {"RCPT", "250 rcpt ok\r\n"},
                                          {"DATA", "354 go ahead\r\n"},  {".", "250 queued\r\n"},
                                          {"QUIT", "221 bye\r\n"}};
    QSet<QByteArray> refused; // RCPT addresses answered with 550
    QList<QByteArray> commands;
    QList<QByteArray> messages;

    ScriptedSmtpServer() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            m_socket->write(greeting);
            connect(m_socket, &QTcpSocket::readyRead, this, [this] { Process(); });
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    void Process() {
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
            const QByteArray verb = line.split(' ').first().split(':').first().toUpper();
            QByteArray reply = replies.value(verb, "500 unknown\r\n");
            if (verb == "RCPT" && refused.contains(line.mid(line.indexOf('<') + 1).chopped(1)))
                reply = "550 no such user\r\n";
            if (verb == "DATA" && reply.startsWith("354")) m_inData = true;
            m_socket->write(reply);
            if (verb == "QUIT") m_socket->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    QByteArray m_buffer;
    bool m_inData = false;
};
