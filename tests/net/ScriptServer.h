#pragma once
// A scripted TCP server on the loopback address for the socket tests. It runs
// on the test's own thread, so it is served by the same event loop that the
// client's waits run.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

class ScriptServer : public QObject {
    Q_OBJECT
public:
    // Called when a client connects / for every complete line it sends (CR LF included).
    std::function<void(ScriptServer&)> onConnected;
    std::function<void(ScriptServer&, const QByteArray& line)> onLine;

    ScriptServer() {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                peer = s;
                ++connections;
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onReadable(s); });
                if (onConnected) onConnected(*this);
            }
        });
    }
    quint16 port() const { return server.serverPort(); }

    void send(const QByteArray& bytes) {
        if (peer) {
            peer->write(bytes);
            peer->flush();
        }
    }
    void sendLater(int ms, const QByteArray& bytes) {
        QTimer::singleShot(ms, this, [this, bytes] { send(bytes); });
    }
    // Orderly close once the written bytes are out.
    void closePeer() {
        if (peer) peer->disconnectFromHost();
    }
    // Resets the connection (no orderly close).
    void abortPeer() {
        if (peer) peer->abort();
    }

    QTcpServer server;
    QPointer<QTcpSocket> peer;
    QByteArray received; // everything the client sent
    int connections = 0;
    int reads = 0; // how many times bytes from the client arrived

private:
    void onReadable(QTcpSocket* s) {
        const QByteArray bytes = s->readAll();
        ++reads;
        received += bytes;
        pending += bytes;
        qsizetype lf;
        while ((lf = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(lf + 1);
            pending.remove(0, lf + 1);
            if (onLine) onLine(*this, line);
        }
    }
    QByteArray pending;
};
