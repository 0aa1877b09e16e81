// TSockClient: life cycle, status reports, host resolution, connection set-up,
// closing and error reporting. Data transfer is in SockClientData.cpp.
#include "net/SockClient.h"

#include "net/SockErrorTable.h"
#include "net/SockTimer.h"
#include "platform/socket/HostLookup.h"
#include "platform/socket/PlatformSocket.h"
#include "platform/socket/SocketLayer.h"
#include "platform/socket/TlsSession.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>

namespace {
int s_instances = 0;

QString versionText(int version) {
    return QString::number((version >> 8) & 0xFF) + QLatin1Char('.') + QString::number(version & 0xFF);
}
} // namespace

int TSockClient::InstanceCount() {
    return s_instances;
}

TSockClient::TSockClient(QObject* owner) : QObject(owner), m_socket(std::make_unique<PlatformSocket>()) {
    StatusMessage(8, QStringLiteral("Create"));
    m_timer = new TSockTimer(this);
    m_timer->setEnabled(false);
    m_timer->setOnTimer([this](QObject*) { TimerFired(); });
    InitWinsock();
}

TSockClient::~TSockClient() {
    // No handler runs from here on: what it would touch may already be gone.
    m_destroying = true;
    StatusMessage(8, QStringLiteral("Destroy"));
    TSockClient::Cancel();
    if (m_lookupId) HostLookup::cancel(m_lookupId);
    delete m_timer;
    m_timer = nullptr;
    RequestCloseSocket();
    m_socket.reset();
    if (m_startedPlatform && --s_instances == 0) SocketLayer::cleanup();
}

void TSockClient::InitWinsock() {
    StatusMessage(8, QStringLiteral("Initializing Winsock"));
    if (++s_instances == 1) {
        const SocketLayerInfo info = SocketLayer::startup();
        m_winsockInfo << QStringLiteral("Version= ") + versionText(info.version)
                      << QStringLiteral("High Version= ") + versionText(info.highVersion)
                      << QStringLiteral("Description= ") + info.description
                      << QStringLiteral("System= ") + info.systemStatus
                      << QStringLiteral("Max Sockets= ") + QString::number(info.maxSockets)
                      << QStringLiteral("Max Udp pack size= ") + QString::number(info.maxUdpDatagram);
    }
    if (!OpenSocket(true)) {
        if (--s_instances == 0) SocketLayer::cleanup();
        throw ESockError(QStringLiteral("Initializaton of windows sockets failed"));
    }
    m_startedPlatform = true;
}

bool TSockClient::OpenSocket(bool resetOnClose) {
    if (!m_socket->open(resetOnClose)) return false;
    m_socket->select([this](int event, int error) { HandleSocketEvent(event, error); });
    return true;
}

void TSockClient::StatusMessage(int level, const QString& text) {
    if (level > m_reportLevel) return;
    m_status = text;
    if (!m_destroying && OnStatus) OnStatus(this, m_status);
}

QString TSockClient::SocketErrorMessage(int32_t errorNo) {
    StatusMessage(8, QStringLiteral("Looking Up Error Message"));
    return SockErrorTable::message(errorNo);
}

QString TSockClient::ErrorManager(int32_t ignoreCode) {
    StatusMessage(16, QStringLiteral("Checking Error In Error Manager"));
    m_lastErrorNo = m_socket->lastError();
    if (m_lastErrorNo == ignoreCode) return {};
    const QString text = SocketErrorMessage(m_lastErrorNo);
    if (OnError) OnError(this, static_cast<uint16_t>(m_lastErrorNo), text);
    throw ESockError(text);
}

// --- Waiting -------------------------------------------------------------

void TSockClient::WaitUntil(const std::function<bool()>& done) {
    while (!done())
        WaitOnce();
}

void TSockClient::WaitOnce() {
    QEventLoop loop;
    m_waits.append(&loop);
    loop.exec(QEventLoop::AllEvents);
    m_waits.removeOne(&loop);
}

void TSockClient::Wake() {
    // Every running wait re-tests its condition; those not yet satisfied sleep again.
    for (QEventLoop* loop : std::as_const(m_waits))
        loop->quit();
}

// --- Time-out timer --------------------------------------------------------

void TSockClient::TimerOn() {
    StatusMessage(8, QStringLiteral("Timer On"));
    m_timedOut = false;
    m_timer->setInterval(m_timeOut > 0 ? static_cast<unsigned>(m_timeOut) : 0);
    m_timer->setEnabled(true);
}

void TSockClient::TimerOff() {
    StatusMessage(8, QStringLiteral("Timer Off"));
    m_timer->setEnabled(false);
}

void TSockClient::TimerFired() {
    StatusMessage(8, QStringLiteral("Timer Triggered"));
    TimerOff();
    m_timedOut = true;
    Cancel();
    Wake();
}

// --- Connecting ------------------------------------------------------------

void TSockClient::SetRemote(const NetAddress& address) {
    m_peer = address;
    m_remoteAddress.family =
        address.family == NetAddress::Family::V6 ? SockAddrIn::kFamilyInet6 : SockAddrIn::kFamilyInet;
    m_remoteAddress.address = address.v4Address();
}

QString TSockClient::RemotePeerText() const {
    return m_peer.isNull() ? QString() : m_peer.textWithPort(ntohs(m_remoteAddress.port));
}

void TSockClient::ResolveHost() {
    StatusMessage(8, QStringLiteral("Resolve Host"));
    m_addresses.clear();
    NetAddress literal;
    if (NetAddress::parse(m_host, &literal)) {
        m_addresses.append(literal);
        SetRemote(literal);
        return;
    }
    SetRemote({});
    TimerOn();
    m_lookupDone = false;
    m_lookupId = HostLookup::start(m_host, [this](const QList<NetAddress>& addresses, int error) {
        m_lookupId = 0;
        m_lastEventOk = error == 0 && !addresses.isEmpty();
        if (error != 0) m_lastErrorNo = error;
        m_lookupAddresses = addresses;
        m_lookupDone = true;
        Wake();
    });
    WaitUntil([this] { return m_lookupDone || m_timedOut || m_canceled; });
    TimerOff();
    if (!m_lookupDone && m_lookupId) {
        HostLookup::cancel(m_lookupId);
        m_lookupId = 0;
    }
    if (m_timedOut) throw ESockError(QStringLiteral("Host Lookup Timed Out"));
    if (m_canceled) throw ESockError(QStringLiteral("Host Lookup Canceled"));
    if (!m_lastEventOk) throw ESockError(QStringLiteral("Host Lookup Failed"));
    m_addresses = m_lookupAddresses;
    SetRemote(m_addresses.first());
    if (OnHostResolved) OnHostResolved(this);
}

bool TSockClient::WaitForConnect(int sliceMs) {
    bool sliceOver = false;
    QTimer slice;
    if (sliceMs > 0) {
        slice.setSingleShot(true);
        connect(&slice, &QTimer::timeout, this, [this, &sliceOver] {
            sliceOver = true;
            Wake();
        });
        slice.start(sliceMs);
    }
    WaitUntil([&] { return m_connected || m_timedOut || m_canceled || !m_lastEventOk || sliceOver; });
    return m_connected && !m_timedOut && !m_canceled;
}

void TSockClient::Connect() {
    StatusMessage(8, QStringLiteral("Connecting"));
    m_canceled = false;
    if (m_connected) throw ESockError(QStringLiteral("Already connected"));

    // A host that does not resolve may be repaired once by the owner (OnInvalidHost).
    auto resolved = [this] {
        try {
            ResolveHost();
        } catch (const ESockError& e) {
            const QString text = e.message();
            if (text == QLatin1String("Host Lookup Timed Out") ||
                text == QLatin1String("Host Lookup Canceled"))
                throw;
            m_addresses.clear();
            SetRemote({});
        }
        return !m_addresses.isEmpty();
    };
    if (OwnerRepairs(resolved, AskOwner(OnInvalidHost, this)) != TRepair::Done)
        throw ESockError(QStringLiteral("Null Remote Address"));

    m_remoteAddress.port = htons(static_cast<uint16_t>(m_port & 0xFFFF));
    // A new connection starts with nothing left over from an earlier one, in clear.
    m_incoming.clear();
    m_outgoing.clear();
    m_tls.reset();
    if (!m_socket->isOpen() && !OpenSocket(false)) ErrorManager(0);

    QElapsedTimer spent;
    spent.start();
    bool timing = false;
    for (qsizetype i = 0; i < m_addresses.size(); ++i) {
        const bool last = i + 1 == m_addresses.size();
        SetRemote(m_addresses[i]);
        m_lookupDone = false;
        m_lastEventOk = true;
        if (m_socket->connectTo(m_peer, m_remoteAddress.port) != 0 &&
            m_socket->lastError() != PlatformSocket::WouldBlock) {
            if (last) {
                if (timing) TimerOff();
                ErrorManager(PlatformSocket::WouldBlock); // throws the socket's error
            }
            // This address cannot be reached from here (no route, say): the next one.
            m_lastErrorNo = m_socket->lastError();
            m_socket->close();
            OpenSocket(false);
            continue;
        }
        if (!timing) TimerOn();
        timing = true;
        int sliceMs = 0;
        if (!last && m_timeOut > 0)
            sliceMs = static_cast<int>(
                std::max<qint64>(1, (m_timeOut - spent.elapsed()) / (m_addresses.size() - i)));
        if (WaitForConnect(sliceMs)) {
            TimerOff();
            return;
        }
        if (m_timedOut || m_canceled || last) break;
        // Refused, or its share of the time is over: the next address, on a fresh socket.
        m_connected = false;
        m_socket->close();
        OpenSocket(false);
    }
    if (timing) TimerOff();

    // Abandon the attempt: a connect still under way must not complete later,
    // and a failed socket cannot be connected again.
    if (m_connected) m_connected = false;
    m_socket->close();
    OpenSocket(false);
    if (OnConnectionFailed) OnConnectionFailed(this);
    if (m_timedOut) throw ESockError(QStringLiteral("Connection Timed out"));
    if (m_canceled) throw ESockError(QStringLiteral("Connection Canceled"));
    throw ESockError(QStringLiteral("Connection Failed"));
}

void TSockClient::StartTls() {
    StatusMessage(8, QStringLiteral("Start TLS"));
    if (!m_connected) throw ESockError(QStringLiteral("Not Connected"));
    m_tlsFailure.clear();
    if (!m_incoming.isEmpty()) {
        // Sent before the upgrade but read after it: never trusted as if it came encrypted.
        RequestCloseSocket();
        throw ETlsError(QStringLiteral("data arrived before the TLS handshake"));
    }
    m_tls = std::make_unique<TlsSession>();
    TlsSession::Options options;
    options.extraTrustFile = TlsSettings.extraTrustFile;
    options.verify = TlsSettings.verify;
    if (m_tls->start(m_host, options)) {
        QueueTlsOutput();
        WaitUntil([this] {
            return !m_tls || m_tls->state() != TlsSession::Handshaking || m_canceled || !m_connected;
        });
    }
    if (m_canceled) throw EAbortError(QStringLiteral("TLS handshake aborted"));
    if (m_tls && m_tls->state() == TlsSession::Established && m_connected) return;
    QString reason = m_tls ? m_tls->failureText() : m_tlsFailure;
    if (reason.isEmpty()) reason = QStringLiteral("the connection closed during the TLS handshake");
    if (m_tls) WriteFromStream(); // the alert that tells the peer why, when it can still go
    m_tls.reset();
    RequestCloseSocket();
    throw ETlsError(reason);
}

bool TSockClient::Encrypted() const {
    return m_tls && m_tls->state() == TlsSession::Established;
}

QString TSockClient::TlsDescription() const {
    return Encrypted() ? m_tls->connectionDescription() : QString();
}

void TSockClient::EndTls(bool orderly) {
    if (!m_tls) return;
    if (orderly && m_tls->state() == TlsSession::Established) {
        m_tls->close();
        const QByteArray alert = m_tls->takeOutgoing();
        if (!alert.isEmpty() && m_socket && m_socket->isOpen())
            m_socket->send(alert.constData(), alert.size());
    }
    if (m_tls->state() == TlsSession::Handshaking) m_tlsFailure = m_tls->failureText();
    m_tls.reset();
}

void TSockClient::CheckConnected() {
    if (OwnerRepairs([this] { return m_connected; }, AskOwner(OnConnectionRequired, this)) != TRepair::Done)
        throw ESockError(QStringLiteral("Not Connected"));
}

void TSockClient::Disconnect() {
    StatusMessage(8, QStringLiteral("Disconnecting"));
    RequestCloseSocket();
}

void TSockClient::Cancel() {
    StatusMessage(8, QStringLiteral("Canceling"));
    m_canceled = true;
    Wake();
}

void TSockClient::RequestCloseSocket() {
    StatusMessage(4, QStringLiteral("Request Close Socket"));
    m_connected = false;
    EndTls(!m_destroying);
    // Unsent bytes belong to the closed connection; they must never reach the next one.
    m_outgoing.clear();
    DropParts();
    Wake();
    if (!m_socket || !m_socket->isOpen()) return;
    const bool closed = m_socket->close() == 0;
    if (m_destroying) return; // a destructor neither reports nor throws
    if (!closed) {
        ErrorManager(PlatformSocket::WouldBlock);
        return;
    }
    // The fresh socket is ready before OnDisconnect, so its handler may connect again.
    OpenSocket(false);
    if (OnDisconnect) OnDisconnect(this);
}
