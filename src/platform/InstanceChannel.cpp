#include "platform/InstanceChannel.h"

#include "platform/GlobalMarker.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// Plain Unix-domain sockets watched by the event loop: the channel is one
// line each way, and a socket of our own keeps Qt Network (and the libraries
// it brings) out of the program's start.

namespace {
const QByteArray kAnswer = QByteArrayLiteral("OK\n");

bool addressOf(const QString& path, sockaddr_un& address) {
    const QByteArray bytes = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (bytes.size() >= qsizetype(sizeof address.sun_path)) return false;
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

// One connection to the running copy: its request line, then the answer.
class Peticion : public QObject {
public:
    Peticion(int fd, InstanceChannel* channel)
        : QObject(channel), m_fd(fd), m_notifier(fd, QSocketNotifier::Read) {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this, channel] { leer(channel); });
    }
    ~Peticion() override { ::close(m_fd); }

private:
    void leer(InstanceChannel* channel) {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                m_linea.append(buffer, n);
                if (m_linea.contains('\n')) break;
                if (m_linea.size() > InstanceChannel::kMaxRequest) return terminar(); // dropped
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return; // more later
            return terminar();                                              // closed without a whole line
        }
        const QByteArray line = m_linea.left(m_linea.indexOf('\n'));
        if (line.size() > InstanceChannel::kMaxRequest) return terminar();
        ::send(m_fd, kAnswer.constData(), size_t(kAnswer.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        terminar();
        emit channel->requestReceived(QString::fromUtf8(line));
    }
    void terminar() {
        m_notifier.setEnabled(false);
        deleteLater();
    }

    int m_fd;
    QSocketNotifier m_notifier;
    QByteArray m_linea;
};
} // namespace

InstanceChannel::InstanceChannel(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

InstanceChannel::~InstanceChannel() {
    if (m_fd < 0) return;
    ::close(m_fd);
    QFile::remove(socketPath(m_name));
}

QString InstanceChannel::socketPath(const QString& name) {
    QString safe;
    for (QChar c : name)
        safe += (c.isLetterOrNumber() || c == u'-' || c == u'_') ? c : QChar(u'_');
    return GlobalMarker::directory() + "/" + safe + ".socket";
}

bool InstanceChannel::listen() {
    if (m_fd >= 0) return true;
    const QString path = socketPath(m_name);
    sockaddr_un address;
    if (!addressOf(path, address)) return false;
    QDir().mkpath(GlobalMarker::directory());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    QFile::remove(path);                // left by a copy that ended badly: we hold the marker
    const mode_t before = ::umask(077); // only this user may connect
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(before);
    if (!bound || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        for (;;) {
            const int c = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (c < 0) {
                if (errno == EINTR) continue;
                return; // none waiting (or a connection that went away)
            }
            new Peticion(c, this);
        }
    });
    return true;
}

bool InstanceChannel::handOver(const QString& name, const QString& request, int timeoutMs) {
    const QByteArray line = request.toUtf8() + '\n';
    if (line.size() > kMaxRequest || request.contains(u'\n')) return false;
    sockaddr_un address;
    if (!addressOf(socketPath(name), address)) return false;
    const QDeadlineTimer deadline(timeoutMs);
    int fd = -1;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
        ::close(fd);
        if (deadline.hasExpired()) return false;
        QThread::msleep(100); // the running copy may still be starting
        if (deadline.hasExpired()) return false;
    }
    bool ok = true;
    for (qsizetype sent = 0; sent < line.size();) {
        if (!waitFor(fd, POLLOUT, deadline)) {
            ok = false;
            break;
        }
        const ssize_t n = ::send(fd, line.constData() + sent, size_t(line.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (!(n < 0 && errno == EINTR)) {
            ok = false;
            break;
        }
    }
    QByteArray answer;
    while (ok && !answer.contains('\n') && waitFor(fd, POLLIN, deadline)) {
        char buffer[64];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0)
            answer.append(buffer, n);
        else if (!(n < 0 && errno == EINTR))
            break;
    }
    ::close(fd);
    return ok && answer == kAnswer;
}
