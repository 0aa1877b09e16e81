#pragma once
// TSockClient: one TCP client socket with blocking-style operations (connect,
// send a text or a stream, read one line, command and reply). Underneath it is
// event-driven: every wait runs a local event loop that wakes on socket
// activity, close, cancel or time-out, so timers and window events keep running.
#include "net/ByteQueue.h"
#include "net/SockErrors.h"
#include "platform/socket/NetAddress.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>

class QIODevice;
class QEventLoop;
class PlatformSocket;
class TlsSession;
class TSockTimer;
class TSockClient;

using TNotifyEvent = std::function<void(TSockClient* sender)>;
// The owner may repair the condition (for instance change Host) and set
// handled to true: the operation is then retried once (OwnerRepairs).
using THandledEvent = std::function<void(TSockClient* sender, bool& handled)>;
using TOnHostResolved = std::function<void(TSockClient* sender)>;
using TOnStatus = std::function<void(TSockClient* sender, const QString& status)>;
using TOnError = std::function<void(TSockClient* sender, uint16_t errorNo, const QString& errorMessage)>;

// IPv4 socket address in the 16-byte layout of the platform: family 2, port in
// network byte order, 4 address bytes (network order), 8 zero bytes. For an
// IPv6 peer the family is 23 (the platform's number for IPv6) and the address
// 0; the whole address is TSockClient::RemotePeer.
struct SockAddrIn {
    static constexpr uint16_t kFamilyInet = 2;
    static constexpr uint16_t kFamilyInet6 = 23;
    uint16_t family = kFamilyInet;
    uint16_t port = 0;    // network byte order
    uint32_t address = 0; // network byte order; 0 = none
    std::array<uint8_t, 8> zero{};
};

// How a connection is protected: not at all, upgraded by the protocol after
// its greeting (STARTTLS, STLS), or with TLS from the first byte.
enum class TTransportSecurity { None, StartTls, Tls };

// What TLS trusts besides the system's certificate store: a PEM file of extra
// certificates (a company authority, a self-signed server's own certificate).
// Verification of the chain and of the host name is on unless switched off (tests only).
struct TTlsSettings {
    QString extraTrustFile;
    bool verify = true;
};

class TSockClient : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Host READ host WRITE setHost)
    Q_PROPERTY(int Port READ port WRITE setPort)
    Q_PROPERTY(int TimeOut READ timeOut WRITE setTimeOut)
    Q_PROPERTY(int ReportLevel READ reportLevel WRITE setReportLevel)

public:
    // Throws ESockError "Initializaton of windows sockets failed" when no socket can be made.
    explicit TSockClient(QObject* owner = nullptr);
    ~TSockClient() override;

    // --- Properties ---
    QString host() const { return m_host; }
    void setHost(const QString& host) { m_host = host; }
    int32_t port() const { return m_port; }
    void setPort(int32_t port) { m_port = port; }
    // Milliseconds allowed for host lookup and for connection set-up; 0 = no limit.
    int32_t timeOut() const { return m_timeOut; }
    void setTimeOut(int32_t milliseconds) { m_timeOut = milliseconds; }
    // Highest status level reported through OnStatus (0 none, 1 replies, 4 socket, 8 trace, 16 errors).
    int32_t reportLevel() const { return m_reportLevel; }
    void setReportLevel(int32_t level) { m_reportLevel = level; }

    // --- Events (the first argument is always this component) ---
    TNotifyEvent OnConnect;
    TNotifyEvent OnDisconnect;
    THandledEvent OnInvalidHost;
    TOnHostResolved OnHostResolved;
    TOnStatus OnStatus;
    TNotifyEvent OnConnectionFailed;
    THandledEvent OnConnectionRequired;
    TNotifyEvent OnPacketRecvd;
    TNotifyEvent OnPacketSent;
    TOnError OnError;
    TNotifyEvent OnDataAvailable;
    TNotifyEvent OnAccept;
    // Installed by a descendant: runs when data arrives after Cancel.
    TNotifyEvent OnCanceledRead;

    TTlsSettings TlsSettings;

    // --- State readable by the owner and descendants ---
    bool Connected() const { return m_connected; }
    bool Canceled() const { return m_canceled; }
    bool TimedOut() const { return m_timedOut; }
    QString Status() const { return m_status; }
    int32_t LastErrorNo() const { return m_lastErrorNo; }
    int16_t ReplyNumber() const { return m_replyNumber; }
    // The last Transaction reply, CR LF included.
    QByteArray LastReply() const { return m_lastReply; }
    int32_t BytesSent() const { return m_bytesSent; }
    int32_t BytesTotal() const { return m_bytesTotal; }
    int32_t BytesRecvd() const { return m_bytesRecvd; }
    SockAddrIn RemoteAddress() const { return m_remoteAddress; }
    // The address connected to (or last tried), IPv4 or IPv6, and as text with
    // the port: "192.0.2.7:25", "[2001:db8::7]:25"; "" before any address.
    NetAddress RemotePeer() const { return m_peer; }
    QString RemotePeerText() const;
    QStringList WinsockInfo() const { return m_winsockInfo; }
    // Bytes received and not yet read by ReadLn.
    qsizetype IncomingSize() const { return m_incoming.size(); }

    // --- Operations ---
    // Each operation says what it throws; every exception is an ENetError
    // (net/SockErrors.h). A wait ended by Cancel throws EAbortError.

    // Resolves Host and connects to Port; a host that does not resolve is
    // offered to OnInvalidHost once (OwnerRepairs). Host is a name, a dotted
    // IPv4 address or an IPv6 address, bare ("::1") or in brackets ("[::1]");
    // an address is taken without a lookup. The addresses of a name are tried
    // in the name service's order until one connects: a refusal moves on to
    // the next at once, and TimeOut covers them all, each attempt before the
    // last getting its even share of the time left, so an address that never
    // answers leaves time for the others.
    // Throws ESockError "Already connected", "Null Remote Address", "Host Lookup
    // Timed Out"/"Canceled", "Connection Timed out"/"Canceled"/"Failed" (the last
    // three after OnConnectionFailed), or the socket error's text.
    virtual void Connect();
    // Reports "Disconnecting" and closes the socket (a fresh one is made ready).
    // Throws ESockError with the socket error's text when the close fails.
    virtual void Disconnect();
    // Marks the component cancelled: every wait ends at once. Throws nothing.
    virtual void Cancel();
    // Command plus CR LF out, one reply line back (CR LF included); sets
    // ReplyNumber from the reply's leading digits (0 when it has none).
    // Throws as SendBuffer, then as ReadLn; a refusal is the caller's to judge.
    virtual QByteArray Transaction(const QByteArray& command);
    // Waits for an incoming connection on the component's socket (unused by the mail protocols).
    // Throws ESockError "Error creating Data Connection", "Accepting Canceled";
    // EAbortError "Socket send aborted".
    virtual int Accept();

    // Returns when connected; else asks OnConnectionRequired once (OwnerRepairs).
    // Throws ESockError "Not Connected".
    void CheckConnected();
    // Sends at most the first 16384 bytes of text, up to its first zero byte.
    // Throws as SendBuffer.
    void Write(const QByteArray& text);
    void Writeln(const QByteArray& text);
    // Queues length bytes (0 = up to the first zero byte) and waits until all are sent.
    // Throws EAbortError "Socket send aborted" on Cancel; ESockError "Not
    // Connected", "Connection Closed" when the connection closes or fails first.
    void SendBuffer(const char* data, uint16_t length);
    // Sends the whole stream from its start, counting BytesSent/BytesTotal and raising OnPacketSent.
    // A QBuffer's bytes go straight from its array. Throws as SendBuffer.
    void SendStream(QIODevice& stream);
    // Sends the parts one after the other as one stream, straight from the
    // caller's memory (only TLS makes new bytes: it encrypts a piece at a time
    // as the socket takes them), counting and raising OnPacketSent as
    // SendStream does; then, when `more` is given, the pieces it returns as the
    // socket takes them, until it returns an empty one (so a message can go out
    // while it is being made). The parts must stay as they are until it
    // returns, a piece of `more` until `more` is called again (no byte of it is
    // needed by then). Throws as SendBuffer, and what `more` threw (the
    // connection closed: what went out stays incomplete).
    void SendParts(std::initializer_list<QByteArrayView> parts,
                   const std::function<QByteArrayView()>& more = {});
    // Waits for one line and returns it with its LF (normally CR LF).
    // Throws EAbortError "Socket readln aborted" on Cancel (Canceled stays set);
    // ESockError "Connection Closed" when the connection ends without a full
    // line, "Line too long" (closing the connection) when 4 MiB come without a LF.
    QByteArray ReadLn();
    // ReadLn without the copy: the line, LF included, as a view into the
    // receive buffer, valid until the next read or wait on this client (any
    // ReadLn, Transaction, send or event processing). Throws as ReadLn.
    // For bulk paths that store or write each line at once.
    QByteArrayView ReadLnView();

    // "10061:Connection refused" style text for a Winsock error number; "" for 0.
    QString SocketErrorMessage(int32_t errorNo);
    // Number of live socket components in the process.
    static int InstanceCount();

    // Runs the TLS handshake over the open connection, for Host; from then on
    // everything sent and read goes encrypted. Bytes that arrived in clear and
    // were not read yet are refused (someone else may have put them there).
    // The wait is an ordinary one: Cancel (and so the owner's watchdog) ends it.
    // Throws ETlsError with the reason (the connection closed); EAbortError
    // "TLS handshake aborted" on Cancel; ESockError "Not Connected".
    void StartTls();
    bool Encrypted() const;
    // Protocol and cipher once encrypted ("TLSv1.3 TLS_AES_256_GCM_SHA384"), else "".
    QString TlsDescription() const;

protected:
    // Reports text through OnStatus when level <= ReportLevel.
    void StatusMessage(int level, const QString& text);
    // Closes the socket; unless destroying, raises OnDisconnect and opens a fresh socket.
    void RequestCloseSocket();
    // Sends every command followed by CR LF in one write and waits until all is
    // sent, without reading anything: the replies are read later, one ReadReply
    // each, in order (command pipelining). Same errors as SendBuffer.
    void WriteCommands(const QList<QByteArray>& commands);
    // Reads the reply line to a command sent earlier: as Transaction does after
    // its write (LastReply, ReplyNumber, 0 while it waits). Same errors as ReadLn.
    QByteArray ReadReply();
    // Reads the last platform error; returns "" when it equals ignoreCode, else
    // raises OnError and throws ESockError with the error's text.
    QString ErrorManager(int32_t ignoreCode);
    void ClearIncomingBuffer() { m_incoming.clear(); }
    void setCanceled(bool value) { m_canceled = value; }
    void setBytesRecvd(int32_t value) { m_bytesRecvd = value; }
    void setBytesTotal(int32_t value) { m_bytesTotal = value; }

private:
    void InitWinsock();
    // Queues count bytes and waits until they are sent (SendBuffer's wait).
    void SendBytes(const char* data, qsizetype count);
    bool OpenSocket(bool resetOnClose);
    void ResolveHost();
    void SetRemote(const NetAddress& address);
    // Waits for the connection under way: true when it is made; false when it
    // failed, timed out, was cancelled or its own sliceMs (0 = none) is over.
    bool WaitForConnect(int sliceMs);
    void TimerOn();
    void TimerOff();
    void TimerFired();
    void HandleSocketEvent(int event, int error);
    void ReadToStream();
    void WriteFromStream();
    void PostRead();
    void PostWrite();
    void RunDeferred();
    // Runs the event loop until done() holds; wakes whenever the component's state changes.
    void WaitUntil(const std::function<bool()>& done);
    void WaitOnce();
    void Wake();
    // The peer closed (or the connection failed): what it sent is kept for ReadLn, then the socket closes.
    void EndOfStream();
    // Queues bytes for the peer, encrypted once TLS runs.
    void QueueOutgoing(const char* data, qsizetype count);
    // What goes to the socket next: the queue, else (in clear) the rest of the
    // part being sent; through TLS the queue is refilled with the next piece
    // of the parts first. Empty when all is sent.
    QByteArrayView NextOutgoing();
    // Queues (encrypted through TLS) at most `most` bytes of the parts, from
    // where they stand.
    void QueueFromParts(qsizetype most);
    // Moves past the parts that are wholly sent.
    void SkipSentParts();
    // Drops count sent bytes from the front of what NextOutgoing gave.
    void ConsumeOutgoing(qsizetype count);
    // Forgets the parts of SendParts (sent or not).
    void DropParts();
    // Bytes from the socket: as they are, or through the TLS engine.
    void TakeIncoming(const char* data, qsizetype count);
    void QueueTlsOutput();
    // Ends a TLS session as the connection closes (a close alert when it ran).
    void EndTls(bool orderly);

    QString m_host;
    int32_t m_port = 0;
    int32_t m_timeOut = 0;
    int32_t m_reportLevel = 0;

    bool m_connected = false;
    bool m_canceled = false;
    bool m_timedOut = false;
    bool m_lastEventOk = true;
    bool m_lookupDone = false;
    bool m_sendDone = false;
    bool m_inDataHandler = false;
    bool m_counting = false;
    bool m_destroying = false;
    QString m_status;
    int32_t m_lastErrorNo = 0;
    int16_t m_replyNumber = 0;
    QByteArray m_lastReply;
    int32_t m_bytesSent = 0;
    int32_t m_bytesTotal = 0;
    int32_t m_bytesRecvd = 0;
    SockAddrIn m_remoteAddress;
    NetAddress m_peer;
    QList<NetAddress> m_addresses; // those of Host, in the order they are tried
    QList<NetAddress> m_lookupAddresses;
    uint64_t m_lookupId = 0;
    ByteQueue m_incoming;
    ByteQueue m_outgoing;
    // SendParts' parts still to go, after m_outgoing, and how much of the first went.
    QVarLengthArray<QByteArrayView, 4> m_sendParts;
    qsizetype m_sendPartFirst = 0;
    qsizetype m_sendPartOffset = 0;
    std::function<QByteArrayView()> m_sendMore; // SendParts' pieces after its parts, until one is empty
    std::exception_ptr m_sendMoreFailure;       // what it threw while the socket asked for more
    QStringList m_winsockInfo;
    std::unique_ptr<PlatformSocket> m_socket;
    TSockTimer* m_timer = nullptr;
    QList<QEventLoop*> m_waits;
    bool m_readPosted = false;
    bool m_readPaused = false; // the receive buffer is at its bound: no recv until lines are taken
    bool m_readDeferred = false;
    bool m_writeDeferred = false;
    bool m_sendFailed = false;
    bool m_writePosted = false;
    bool m_startedPlatform = false;
    std::unique_ptr<TlsSession> m_tls;
    QString m_tlsFailure; // why the last handshake failed
};
