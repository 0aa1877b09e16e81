// TSockClient: socket notifications, receiving and sending, and the blocking
// data operations built on them (Write, SendBuffer, SendStream, ReadLn, Transaction).
#include "core/Cp1252.h"
#include "net/SockClient.h"
#include "platform/socket/PlatformSocket.h"
#include "platform/socket/TlsSession.h"

#include <QBuffer>
#include <QIODevice>
#include <QMetaObject>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
constexpr int kChunk = 16383; // most bytes moved by one send, or one recv through TLS
// Most bytes one plain recv takes straight into the receive buffer: a large
// message arrives in a few calls instead of one per 16 KiB.
constexpr int kReceiveChunk = 256 * 1024;
constexpr int kWriteLimit = 16384; // most characters taken by one Write
// Most bytes sent in one turn of the event loop before other events get theirs.
constexpr qsizetype kWriteBurst = 1024 * 1024;
// Most bytes of SendParts encrypted ahead of the socket: what TLS holds does
// not grow with the size of a message.
constexpr qsizetype kTlsPiece = 4 * 16384;
// A line longer than this is not mail but a flood: ReadLn gives up on it.
// (Kept below kMaxBuffered, so a line that is still growing is always read on.)
constexpr qsizetype kMaxLine = 4 * 1024 * 1024;
// Reading pauses while this much waits unread, so a peer cannot fill the
// memory: what a session holds does not grow with the size of a message.
constexpr qsizetype kMaxBuffered = 8 * 1024 * 1024;

// Clears a flag when leaving a scope, also on an exception.
struct FlagGuard {
    bool& flag;
    explicit FlagGuard(bool& f) : flag(f) { flag = true; }
    ~FlagGuard() { flag = false; }
};
} // namespace

void TSockClient::HandleSocketEvent(int event, int error) {
    m_lastEventOk = error == 0;
    if (error != 0) m_lastErrorNo = error; // e.g. 10061 for a refused connection
    try {
        switch (event) {
        case PlatformSocket::EvRead:
            ReadToStream();
            break;
        case PlatformSocket::EvWrite:
            WriteFromStream();
            break;
        case PlatformSocket::EvAccept:
            m_connected = true;
            m_lookupDone = true; // ends the wait of Accept
            if (OnAccept) OnAccept(this);
            break;
        case PlatformSocket::EvConnect:
            if (m_lastEventOk) {
                m_connected = true;
                if (OnConnect) OnConnect(this);
            }
            break;
        case PlatformSocket::EvClose:
            EndOfStream();
            break;
        default:
            break;
        }
    } catch (...) {
        // Nothing raised while handling a notification may leave it.
    }
    Wake();
}

void TSockClient::EndOfStream() {
    // Keep what the peer sent before closing: it is still read by ReadLn.
    char chunk[kChunk];
    for (;;) {
        if (m_canceled) break;
        const int64_t n = m_socket->recv(chunk, kChunk);
        if (n <= 0) break;
        TakeIncoming(chunk, n);
    }
    if (m_tls) m_tls->endOfInput();
    m_connected = false;
    RequestCloseSocket();
}

void TSockClient::PostRead() {
    if (m_readPosted) return;
    m_readPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_readPosted = false;
            if (!m_connected) return;
            try {
                ReadToStream();
            } catch (...) {
            }
            Wake();
        },
        Qt::QueuedConnection);
}

void TSockClient::PostWrite() {
    if (m_writePosted) return;
    m_writePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_writePosted = false;
            try {
                WriteFromStream();
            } catch (...) {
            }
            Wake();
        },
        Qt::QueuedConnection);
}

void TSockClient::ReadToStream() {
    if (m_canceled) {
        m_socket->select({});
        if (OnCanceledRead) OnCanceledRead(this);
        if (!m_connected) return; // the hook closed the connection: nothing left to read
    }
    if (m_inDataHandler) {
        // A handler of ours is waiting further up: read once it returns.
        m_readDeferred = true;
        return;
    }
    // Paused: the socket is read again when ReadLn has taken lines (no recv,
    // so no new read event either).
    if (m_incoming.size() >= kMaxBuffered) {
        m_readPaused = true;
        return;
    }
    m_readPaused = false;
    bool stored = false;
    bool ended = false;
    {
        FlagGuard busy(m_inDataHandler);
        StatusMessage(8, QStringLiteral("ReadToStream"));
        int64_t n = 0;
        int asked = kChunk;
        if (m_tls) {
            char chunk[kChunk];
            n = m_socket->recv(chunk, kChunk);
            if (n > 0) TakeIncoming(chunk, n);
        } else {
            // Never past the pause mark by more than one ordinary chunk.
            asked = static_cast<int>(
                std::clamp<qsizetype>(kMaxBuffered - m_incoming.size(), kChunk, kReceiveChunk));
            n = m_socket->recv(m_incoming.reserveTail(asked), asked);
            m_incoming.commit(n);
        }
        if (n < 0) {
            const int error = m_socket->lastError();
            if (error != PlatformSocket::WouldBlock) { // nothing waiting is not an error
                m_lastErrorNo = error;
                m_lastEventOk = false;
                ended = true;
                const QString text = SocketErrorMessage(m_lastErrorNo);
                if (OnError) OnError(this, static_cast<uint16_t>(m_lastErrorNo), text);
            }
        } else if (n == 0) {
            ended = true; // the peer closed: everything it sent is in the buffer
        } else {
            stored = n > 0;
            if (m_counting) {
                m_bytesRecvd += static_cast<int32_t>(n);
                if (OnPacketRecvd) OnPacketRecvd(this);
            }
            if (n == asked) PostRead(); // more may be waiting: drain it without waiting for an event
        }
    }
    if (ended) EndOfStream();
    RunDeferred();
    if (stored && OnDataAvailable) OnDataAvailable(this);
}

void TSockClient::WriteFromStream() {
    if (m_inDataHandler) {
        m_writeDeferred = true;
        return;
    }
    bool moreFailed = false;
    {
        FlagGuard busy(m_inDataHandler);
        StatusMessage(8, QStringLiteral("WriteFromStream"));
        // Sends until the socket would block or a burst is out; then the write
        // event (or, after a burst, a queued call that lets other events in first)
        // brings the rest.
        qsizetype burst = 0;
        while (!m_canceled && m_connected) {
            QByteArrayView next;
            try {
                next = NextOutgoing();
            } catch (...) {
                // No more could be made or encrypted: what went out must not end as if whole.
                m_sendMoreFailure = std::current_exception();
                moreFailed = true;
                break;
            }
            if (next.isEmpty()) break;
            const int64_t n = burst >= kWriteBurst
                                  ? 0
                                  : m_socket->send(next.data(), std::min<qsizetype>(next.size(), kChunk));
            if (n == 0) {
                PostWrite();
                break;
            }
            if (n < 0) {
                m_lastErrorNo = m_socket->lastError();
                // Would-block: the data stays and goes at the next write event.
                if (m_lastErrorNo != PlatformSocket::WouldBlock) m_sendFailed = true;
                break;
            }
            ConsumeOutgoing(n);
            burst += n;
            if (NextOutgoing().isEmpty()) m_sendDone = true;
            m_bytesSent += static_cast<int32_t>(n);
            if (m_counting && OnPacketSent) OnPacketSent(this);
        }
    }
    RunDeferred();
    if (moreFailed) RequestCloseSocket();
    if (m_sendFailed) {
        // A send that fails for good ends the connection instead of leaving the data queued forever.
        m_sendFailed = false;
        const QString text = SocketErrorMessage(m_lastErrorNo);
        if (OnError) OnError(this, static_cast<uint16_t>(m_lastErrorNo), text);
        RequestCloseSocket();
    }
}

QByteArrayView TSockClient::NextOutgoing() {
    SkipSentParts();
    if (m_sendPartFirst < m_sendParts.size()) {
        if (m_tls) {
            // Encrypted a piece ahead of the socket.
            while (m_outgoing.size() < kChunk && m_sendPartFirst < m_sendParts.size())
                QueueFromParts(kTlsPiece);
        } else if (m_outgoing.isEmpty()) {
            // In clear from the part's own memory; a short rest of one part goes
            // in one write with the start of the next, as one buffer would.
            const QByteArrayView rest = m_sendParts[m_sendPartFirst].sliced(m_sendPartOffset);
            if (rest.size() >= kChunk || (m_sendPartFirst + 1 == m_sendParts.size() && !m_sendMore))
                return rest;
            while (m_outgoing.size() < kChunk && m_sendPartFirst < m_sendParts.size())
                QueueFromParts(kChunk - m_outgoing.size());
        }
    }
    return QByteArrayView(m_outgoing.data(), m_outgoing.size());
}

void TSockClient::QueueFromParts(qsizetype most) {
    const QByteArrayView part = m_sendParts[m_sendPartFirst];
    const qsizetype piece = std::min(part.size() - m_sendPartOffset, most);
    QueueOutgoing(part.data() + m_sendPartOffset, piece);
    m_sendPartOffset += piece;
    SkipSentParts();
}

void TSockClient::SkipSentParts() {
    for (;;) {
        while (m_sendPartFirst < m_sendParts.size() &&
               m_sendPartOffset >= m_sendParts[m_sendPartFirst].size()) {
            ++m_sendPartFirst;
            m_sendPartOffset = 0;
        }
        if (m_sendPartFirst < m_sendParts.size() || !m_sendMore) return;
        // Every part went (or was copied): the next piece may take their memory.
        m_sendParts.clear();
        m_sendPartFirst = 0;
        const QByteArrayView piece = m_sendMore();
        if (piece.isEmpty()) {
            m_sendMore = nullptr;
            return;
        }
        m_sendParts.append(piece);
    }
}

void TSockClient::DropParts() {
    m_sendParts.clear();
    m_sendPartFirst = m_sendPartOffset = 0;
    m_sendMore = nullptr;
}

void TSockClient::ConsumeOutgoing(qsizetype count) {
    if (!m_outgoing.isEmpty())
        m_outgoing.consume(count);
    else
        m_sendPartOffset += count;
}

void TSockClient::TakeIncoming(const char* data, qsizetype count) {
    if (!m_tls) {
        m_incoming.append(data, count);
        return;
    }
    m_tls->feed(data, count);
    QueueTlsOutput(); // handshake answers, alerts
    if (m_tls->hasPlain()) m_incoming.append(m_tls->readPlain());
}

void TSockClient::QueueTlsOutput() {
    if (!m_tls || !m_tls->hasOutgoing()) return;
    m_outgoing.append(m_tls->takeOutgoing());
    PostWrite();
}

void TSockClient::QueueOutgoing(const char* data, qsizetype count) {
    if (m_tls) {
        if (!m_tls->writePlain(QByteArray::fromRawData(data, count)))
            throw ESockError(QStringLiteral("TLS connection not established"));
        m_outgoing.append(m_tls->takeOutgoing());
    } else {
        m_outgoing.append(data, count);
    }
}

void TSockClient::RunDeferred() {
    if (m_readDeferred) {
        m_readDeferred = false;
        PostRead();
    }
    if (m_writeDeferred) {
        m_writeDeferred = false;
        PostWrite();
    }
}

// --- Blocking data operations ---------------------------------------------

void TSockClient::Write(const QByteArray& text) {
    StatusMessage(8, QStringLiteral("Write"));
    QByteArray cut = text.left(kWriteLimit);
    const qsizetype zero = cut.indexOf('\0');
    if (zero >= 0) cut.truncate(zero);
    SendBuffer(cut.constData(), 0);
}

void TSockClient::Writeln(const QByteArray& text) {
    StatusMessage(8, QStringLiteral("Writeln"));
    Write(text + "\r\n");
}

void TSockClient::SendBuffer(const char* data, uint16_t length) {
    StatusMessage(4, QStringLiteral("Sending Buffer"));
    if (m_canceled) return;
    SendBytes(data, length ? length : static_cast<qsizetype>(std::strlen(data)));
}

void TSockClient::WriteCommands(const QList<QByteArray>& commands) {
    StatusMessage(4, QStringLiteral("Sending Buffer"));
    if (m_canceled) return;
    QByteArray batch;
    for (const QByteArray& command : commands)
        batch += command + "\r\n";
    SendBytes(batch.constData(), batch.size());
}

void TSockClient::SendBytes(const char* data, qsizetype count) {
    if (count == 0) return; // nothing to send: waiting for it would never end
    if (!m_connected) throw ESockError(QStringLiteral("Not Connected"));
    QueueOutgoing(data, count);
    m_sendDone = false;
    PostWrite();
    WaitUntil([this] { return m_sendDone || m_canceled || !m_connected; });
    if (m_canceled) {
        m_canceled = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
    if (!m_sendDone) throw ESockError(QStringLiteral("Connection Closed"));
}

void TSockClient::SendStream(QIODevice& stream) {
    StatusMessage(8, QStringLiteral("SendStream"));
    if (auto* buffer = qobject_cast<QBuffer*>(&stream)) {
        SendParts({QByteArrayView(buffer->data())});
        return;
    }
    stream.seek(0);
    const QByteArray all = stream.readAll();
    SendParts({QByteArrayView(all)});
}

void TSockClient::SendParts(std::initializer_list<QByteArrayView> parts,
                            const std::function<QByteArrayView()>& more) {
    FlagGuard counting(m_counting);
    StatusMessage(8, QStringLiteral("SendParts"));
    bool closed = false;
    if (!m_canceled) {
        if (!m_connected) throw ESockError(QStringLiteral("Not Connected"));
        m_bytesSent = 0;
        m_bytesTotal = 0;
        for (const QByteArrayView part : parts)
            m_bytesTotal += static_cast<int32_t>(part.size());
        // The parts are the caller's: none of them is left behind on the way out.
        struct PartsGuard {
            TSockClient& self;
            ~PartsGuard() { self.DropParts(); }
        } guard{*this};
        DropParts();
        m_sendParts.append(parts.begin(), qsizetype(parts.size()));
        m_sendMore = more;
        m_sendMoreFailure = nullptr;
        m_sendDone = NextOutgoing().isEmpty();
        if (!m_sendDone) PostWrite();
        WaitUntil([this] { return m_sendDone || m_canceled || !m_connected; });
        closed = !m_sendDone;
    }
    if (m_sendMoreFailure) std::rethrow_exception(std::exchange(m_sendMoreFailure, nullptr));
    if (m_canceled) {
        m_canceled = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
    if (closed) throw ESockError(QStringLiteral("Connection Closed"));
}

QByteArray TSockClient::ReadLn() {
    return ReadLnView().toByteArray();
}

QByteArrayView TSockClient::ReadLnView() {
    StatusMessage(8, QStringLiteral("ReadLn"));
    qsizetype lineFeed = -1;
    for (;;) {
        lineFeed = m_incoming.indexOfLineFeed();
        if (lineFeed >= 0 || m_canceled || !m_connected) break;
        if (m_incoming.size() > kMaxLine) {
            // The stream cannot be resynchronised after a line that never ends.
            m_incoming.clear();
            RequestCloseSocket();
            throw ESockError(QStringLiteral("Line too long"));
        }
        // Reading paused at the buffer's bound goes on now that lines were taken;
        // otherwise the wait sleeps until the socket has bytes (no recv before it).
        if (m_readPaused && !m_inDataHandler) {
            ReadToStream();
            continue;
        }
        WaitOnce();
    }
    if (m_canceled) throw EAbortError(QStringLiteral("Socket readln aborted"));
    // Lines received before the peer closed are still delivered; only then the close is an error.
    if (lineFeed < 0) throw ESockError(QStringLiteral("Connection Closed"));
    return m_incoming.takeView(lineFeed + 1);
}

QByteArray TSockClient::Transaction(const QByteArray& command) {
    StatusMessage(8, QStringLiteral("Transaction"));
    m_replyNumber = 0;
    Writeln(command);
    return ReadReply();
}

QByteArray TSockClient::ReadReply() {
    m_replyNumber = 0;
    m_lastReply = ReadLn();
    if (!m_lastReply.isEmpty()) {
        StatusMessage(1, Cp1252::decode(m_lastReply));
        qsizetype digits = 0;
        while (digits < m_lastReply.size() && digits < 10 && m_lastReply[digits] >= '0' &&
               m_lastReply[digits] <= '9')
            ++digits;
        if (digits > 0) {
            bool ok = false;
            const qlonglong value = m_lastReply.left(digits).toLongLong(&ok);
            m_replyNumber = ok && value <= 0x7FFFFFFF ? static_cast<int16_t>(value) : 0;
        }
    }
    return m_lastReply;
}

int TSockClient::Accept() {
    // Only a listening socket can ever announce a connection; any other wait would never end.
    if (!m_socket->isListening()) throw ESockError(QStringLiteral("Error creating Data Connection"));
    WaitUntil([this] { return m_lookupDone || m_canceled; });
    if (m_canceled) throw ESockError(QStringLiteral("Accepting Canceled"));
    if (!m_lastEventOk) throw ESockError(QStringLiteral("Error creating Data Connection"));
    StatusMessage(4, QStringLiteral("Accepting"));
    uint32_t address = 0;
    uint16_t port = 0;
    const int handle = m_socket->acceptConnection(&address, &port);
    SetRemote(NetAddress::v4(address));
    m_remoteAddress.port = port;
    if (m_canceled) {
        m_canceled = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
    return handle;
}
