// Host lookups run getaddrinfo on a worker thread; the answer is queued back to
// a dispatcher that lives as long as the process, which hands it to the caller
// unless the lookup was cancelled meanwhile.
#include "platform/socket/HostLookup.h"

#include "platform/socket/WinsockErrors.h"

#include <QHash>
#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace HostLookup {
namespace {

// One dispatcher per thread that starts lookups; never destroyed, so a worker
// that finishes late can always post to it.
QObject* dispatcherForThisThread() {
    static thread_local QObject* dispatcher = nullptr;
    if (!dispatcher) dispatcher = new QObject;
    return dispatcher;
}

QHash<uint64_t, Result>& pendingForThisThread() {
    static thread_local QHash<uint64_t, Result> pending;
    return pending;
}

std::atomic<uint64_t> nextId{1};

// Every stream address of the name, IPv4 and IPv6, in getaddrinfo's order
// (RFC 6724 preference), each once; families this machine has no address of
// are left out (AI_ADDRCONFIG).
int systemResolve(const QByteArray& host, QList<NetAddress>* addresses) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.constData(), nullptr, &hints, &found);
    int error = WinsockErrors::fromLookupError(rc);
    for (const addrinfo* at = rc == 0 ? found : nullptr; at; at = at->ai_next) {
        if (!at->ai_addr) continue;
        NetAddress address;
        if (at->ai_family == AF_INET)
            address = NetAddress::v4(reinterpret_cast<const sockaddr_in*>(at->ai_addr)->sin_addr.s_addr);
        else if (at->ai_family == AF_INET6)
            address = NetAddress::v6(reinterpret_cast<const sockaddr_in6*>(at->ai_addr)->sin6_addr.s6_addr);
        if (!address.isNull() && !addresses->contains(address)) addresses->append(address);
    }
    if (found) freeaddrinfo(found);
    return error;
}

std::mutex resolverLock;
Resolver installedResolver;

void finish(uint64_t id, const QList<NetAddress>& addresses, int error) {
    auto& pending = pendingForThisThread();
    auto it = pending.find(id);
    if (it == pending.end()) return; // cancelled
    Result handler = std::move(it.value());
    pending.erase(it);
    if (handler) handler(addresses, error);
}

} // namespace

uint64_t start(const QString& name, Result handler) {
    const uint64_t id = nextId++;
    pendingForThisThread().insert(id, std::move(handler));
    QObject* dispatcher = dispatcherForThisThread();
    const QByteArray host = name.toUtf8();
    Resolver resolver;
    {
        std::lock_guard<std::mutex> guard(resolverLock);
        resolver = installedResolver;
    }
    std::thread([id, host, dispatcher, resolver] {
        QList<NetAddress> addresses;
        int error = resolver ? resolver(host, &addresses) : systemResolve(host, &addresses);
        if (error == 0 && addresses.isEmpty()) error = 11004; // a name without an address
        if (error != 0) addresses.clear();
        QMetaObject::invokeMethod(
            dispatcher, [id, addresses, error] { finish(id, addresses, error); }, Qt::QueuedConnection);
    }).detach();
    return id;
}

void setResolver(Resolver resolver) {
    std::lock_guard<std::mutex> guard(resolverLock);
    installedResolver = std::move(resolver);
}

void cancel(uint64_t id) {
    pendingForThisThread().remove(id);
}

} // namespace HostLookup
