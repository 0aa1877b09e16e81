#pragma once
// A loopback POP3 peer for protocol tests: answers each command line from a
// table (whole line first, then its verb), serves raw RETR/TOP texts and
// records the commands it received.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

class ScriptedPop3Server : public QObject {
public:
    QByteArray greeting = "+OK fake pop3 ready\r\n";
    QHash<QByteArray, QByteArray> replies{{"USER", "+OK\r\n"},
                                          {"PASS", "+OK logged in\r\n"},
                                          {"STAT", "+OK 0 0\r\n"},
                                          {"QUIT", "+OK bye\r\n"},
                                          {"DELE", "+OK deleted\r\n"}};
    QList<QByteArray> commands;
    // The connection closes right after the reply to this command line.
    QByteArray closeAfter;

    ScriptedPop3Server() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            m_socket->write(greeting);
            connect(m_socket, &QTcpSocket::readyRead, this, [this] { Process(); });
        });
    }
    quint16 port() const { return m_server.serverPort(); }

    // Serves text (lines ending in CR LF) dot-stuffed and ended by the lone dot.
    static QByteArray MultiLine(const QByteArray& text, const QByteArray& first = "+OK\r\n") {
        QByteArray out = first;
        for (const QByteArray& line : text.split('\n')) {
            if (line.isEmpty()) continue;
            if (line.startsWith('.')) out += '.';
            out += line + '\n';
        }
        return out + ".\r\n";
    }

private:
    void Process() {
        m_buffer += m_socket->readAll();
        for (;;) {
            const qsizetype end = m_buffer.indexOf("\r\n");
            if (end < 0) return;
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 2);
            commands.append(line);
            const QByteArray verb = line.split(' ').first().toUpper();
            m_socket->write(replies.value(line, replies.value(verb, "-ERR unknown\r\n")));
            if (verb == "QUIT" || line == closeAfter) {
                m_socket->flush();
                m_socket->disconnectFromHost();
            }
        }
    }

    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    QByteArray m_buffer;
};
