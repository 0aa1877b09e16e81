#pragma once
// A non-blocking TCP socket (IPv4 or IPv6) whose events (read, write, connect, close,
// accept) are delivered as callbacks on the owner's thread by the event loop,
// with Winsock error numbers. Like the platform's asynchronous select, a read
// event is announced again only after recv has been called.
#include "platform/socket/NetAddress.h"

#include <QObject>

#include <cstdint>
#include <functional>

class QSocketNotifier;

class PlatformSocket : public QObject {
    Q_OBJECT
public:
    enum Event { EvRead = 1, EvWrite = 2, EvOob = 4, EvAccept = 8, EvConnect = 16, EvClose = 32 };
    static constexpr int WouldBlock = 10035;
    // (event, Winsock error number or 0)
    using Notify = std::function<void(int event, int error)>;

    explicit PlatformSocket(QObject* parent = nullptr);
    ~PlatformSocket() override;

    // Creates the socket (IPv4 until a connect asks for another family);
    // resetOnClose sets a zero linger so closing resets the connection.
    // Returns false with lastError() set.
    bool open(bool resetOnClose);
    bool isOpen() const { return m_fd >= 0; }
    bool isListening() const { return m_listening; }
    // Starts (or, with an empty handler, stops) the event callbacks.
    void select(Notify handler);
    // Starts a connection; returns 0 or -1 with lastError() (WouldBlock while in
    // progress). A socket not yet used is made again for the address's family,
    // with the same options and events.
    int connectTo(const NetAddress& address, uint16_t portNetworkOrder);
    // Listens on the loopback address at port (0 = any); returns the port or -1.
    int listenLoopback(uint16_t port);
    // Accepts a waiting connection: the new socket's handle or -1.
    int acceptConnection(uint32_t* peerAddressNetworkOrder, uint16_t* peerPortNetworkOrder);
    // Bytes taken (>= 0) or -1 with lastError().
    int64_t send(const char* data, int64_t count);
    // Bytes delivered, 0 when the peer has closed, -1 with lastError(). A read
    // event comes for data and for the end of the stream alike: recv's 0 (or
    // its error) is the close, after which no read event follows.
    int64_t recv(char* data, int64_t count);
    // Closes the socket and stops its events; 0 on success, -1 with lastError().
    int close();
    int lastError() const { return m_lastError; }

private:
    void setError(int errnoValue);
    void onReadable();
    void onWritable();
    void deliver(int event, int error);

    bool create(int family);

    int m_fd = -1;
    int m_family = 0;
    bool m_resetOnClose = false;
    int m_lastError = 0;
    bool m_connecting = false;
    bool m_listening = false;
    bool m_streamEnded = false;
    Notify m_notify;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
};
