#include "platform/InstanceChannel.h"

#include "platform/GlobalMarker.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {
const QByteArray kAnswer = QByteArrayLiteral("OK\n");
} // namespace

InstanceChannel::InstanceChannel(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

InstanceChannel::~InstanceChannel() {
    if (m_server) m_server->close();
}

QString InstanceChannel::socketPath(const QString& name) {
    QString safe;
    for (QChar c : name)
        safe += (c.isLetterOrNumber() || c == u'-' || c == u'_') ? c : QChar(u'_');
    return GlobalMarker::directory() + "/" + safe + ".socket";
}

bool InstanceChannel::listen() {
    if (m_server) return m_server->isListening();
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = socketPath(m_name);
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) return false;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > kMaxRequest) socket->abort();
                    return;
                }
                const QByteArray line = socket->readLine(kMaxRequest + 1);
                if (!line.endsWith('\n')) {
                    socket->abort();
                    return;
                }
                socket->write(kAnswer);
                socket->flush();
                socket->disconnectFromServer();
                emit requestReceived(QString::fromUtf8(line.chopped(1)));
            });
        }
    });
    return true;
}

bool InstanceChannel::handOver(const QString& name, const QString& request, int timeoutMs) {
    const QByteArray line = request.toUtf8() + '\n';
    if (line.size() > kMaxRequest || request.contains(u'\n')) return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketPath(name));
        if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) break;
        socket.abort();
        if (deadline.hasExpired()) return false;
        QThread::msleep(100); // the running copy may still be starting
        if (deadline.hasExpired()) return false;
    }
    socket.write(line);
    if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())))) return false;
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        answer += socket.readAll();
    }
    return answer == kAnswer;
}
