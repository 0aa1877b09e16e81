// Non-blocking BSD socket with Winsock-style event callbacks.
#include "platform/socket/PlatformSocket.h"

#include "platform/socket/WinsockErrors.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

PlatformSocket::PlatformSocket(QObject* parent) : QObject(parent) {}

PlatformSocket::~PlatformSocket() {
    m_notify = nullptr;
    close();
}

void PlatformSocket::setError(int errnoValue) {
    m_lastError = WinsockErrors::fromErrno(errnoValue);
}

bool PlatformSocket::open(bool resetOnClose) {
    m_resetOnClose = resetOnClose;
    return create(AF_INET);
}

bool PlatformSocket::create(int family) {
    close();
    m_lastError = 0;
    m_fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (m_fd < 0) {
        setError(errno);
        return false;
    }
    m_family = family;
    if (m_resetOnClose) {
        linger value{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &value, sizeof value);
    }
    // Commands and replies are small: do not hold them back waiting for more.
    int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_connecting = m_listening = m_streamEnded = false;
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PlatformSocket::onReadable);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PlatformSocket::onWritable);
    return true;
}

void PlatformSocket::select(Notify handler) {
    m_notify = std::move(handler);
    if (!m_readNotifier) return;
    if (!m_notify) {
        m_readNotifier->setEnabled(false);
        m_writeNotifier->setEnabled(false);
    }
}

int PlatformSocket::connectTo(const NetAddress& address, uint16_t port) {
    if (m_fd < 0 || address.isNull()) {
        m_lastError = 10038;
        return -1;
    }
    const bool v6 = address.family == NetAddress::Family::V6;
    const int family = v6 ? AF_INET6 : AF_INET;
    if (family != m_family && !create(family)) return -1;
    sockaddr_storage to{};
    socklen_t length = 0;
    if (v6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&to);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = port;
        std::memcpy(in6->sin6_addr.s6_addr, address.bytes.data(), 16);
        length = sizeof(sockaddr_in6);
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&to);
        in4->sin_family = AF_INET;
        in4->sin_port = port;
        in4->sin_addr.s_addr = address.v4Address();
        length = sizeof(sockaddr_in);
    }
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&to), length) == 0) {
        // Loopback connections may complete at once; the event still comes later.
        m_connecting = true;
        m_writeNotifier->setEnabled(true);
        return 0;
    }
    if (errno == EINPROGRESS) {
        m_connecting = true;
        m_writeNotifier->setEnabled(true);
        m_lastError = WouldBlock;
        return -1;
    }
    setError(errno);
    return -1;
}

int PlatformSocket::listenLoopback(uint16_t port) {
    if (m_fd < 0 || (m_family != AF_INET && !create(AF_INET))) return -1;
    int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof at;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(m_fd, 5) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&at), &len) != 0) {
        setError(errno);
        return -1;
    }
    m_listening = true;
    m_readNotifier->setEnabled(true);
    return ntohs(at.sin_port);
}

int PlatformSocket::acceptConnection(uint32_t* peerAddress, uint16_t* peerPort) {
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const int fd = ::accept4(m_fd, reinterpret_cast<sockaddr*>(&from), &len, SOCK_CLOEXEC);
    if (m_listening && m_readNotifier) m_readNotifier->setEnabled(true);
    if (fd < 0) {
        setError(errno);
        return -1;
    }
    if (peerAddress) *peerAddress = from.sin_addr.s_addr;
    if (peerPort) *peerPort = from.sin_port;
    return fd;
}

int64_t PlatformSocket::send(const char* data, int64_t count) {
    if (m_fd < 0) {
        m_lastError = 10038;
        return -1;
    }
    const ssize_t n = ::send(m_fd, data, static_cast<size_t>(count), MSG_NOSIGNAL);
    if (n >= 0) return n;
    setError(errno);
    // Announce the moment the socket can take more, as the write event does.
    if (errno == EAGAIN && m_writeNotifier) m_writeNotifier->setEnabled(true);
    return -1;
}

int64_t PlatformSocket::recv(char* data, int64_t count) {
    if (m_fd < 0) {
        m_lastError = 10038;
        return -1;
    }
    const ssize_t n = ::recv(m_fd, data, static_cast<size_t>(count), 0);
    const int error = n < 0 ? errno : 0;
    // The end of the stream (or a failed connection) is told once: no read event after it.
    if (n == 0 || (n < 0 && error != EAGAIN && error != EINTR)) m_streamEnded = true;
    // Reading re-enables the read event: it fires again while data waits.
    if (m_readNotifier && m_notify && !m_connecting && !m_streamEnded) m_readNotifier->setEnabled(true);
    if (n >= 0) return n;
    setError(error);
    return -1;
}

int PlatformSocket::close() {
    // Deferred: close() may run inside one of these notifiers' own signals.
    for (QSocketNotifier* notifier : {m_readNotifier, m_writeNotifier}) {
        if (!notifier) continue;
        notifier->setEnabled(false);
        notifier->disconnect(this);
        notifier->deleteLater();
    }
    m_readNotifier = m_writeNotifier = nullptr;
    if (m_fd < 0) return 0;
    const int rc = ::close(m_fd);
    m_fd = -1;
    m_family = 0;
    m_connecting = m_listening = false;
    if (rc != 0) {
        setError(errno);
        return -1;
    }
    return 0;
}

void PlatformSocket::deliver(int event, int error) {
    if (m_notify) {
        Notify handler = m_notify; // the handler may close or replace this socket
        handler(event, error);
    }
}

void PlatformSocket::onWritable() {
    m_writeNotifier->setEnabled(false);
    if (m_connecting) {
        m_connecting = false;
        int error = 0;
        socklen_t len = sizeof error;
        ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &len);
        if (error == 0 && m_notify) m_readNotifier->setEnabled(true);
        deliver(EvConnect, WinsockErrors::fromErrno(error));
        return;
    }
    deliver(EvWrite, 0);
}

void PlatformSocket::onReadable() {
    // Until the client reads, no further read event (the platform's re-enabling rule).
    m_readNotifier->setEnabled(false);
    // Data or the end of the stream: the client's recv tells which, with no probe before it.
    deliver(m_listening ? EvAccept : EvRead, 0);
}
