// Host lookups run getaddrinfo on a worker thread; the answer is queued back to
// a dispatcher that lives as long as the process, which hands it to the caller
// unless the lookup was cancelled meanwhile.
#include "platform/socket/HostLookup.h"

#include "platform/socket/WinsockErrors.h"

#include <QHash>
#include <QMetaObject>
#include <QObject>

#include <arpa/inet.h>
#include <atomic>
#include <mutex>
#include <netdb.h>
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

int systemResolve(const QByteArray& host, uint32_t* address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.constData(), nullptr, &hints, &found);
    int error = WinsockErrors::fromLookupError(rc);
    if (rc == 0) {
        if (found && found->ai_addr && found->ai_family == AF_INET)
            *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
        else
            error = 11004;
    }
    if (found) freeaddrinfo(found);
    return error;
}

std::mutex resolverLock;
Resolver installedResolver;

void finish(uint64_t id, uint32_t address, int error) {
    auto& pending = pendingForThisThread();
    auto it = pending.find(id);
    if (it == pending.end()) return; // cancelled
    Result handler = std::move(it.value());
    pending.erase(it);
    if (handler) handler(address, error);
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
        uint32_t address = 0;
        const int error = resolver ? resolver(host, &address) : systemResolve(host, &address);
        QMetaObject::invokeMethod(
            dispatcher, [id, address, error] { finish(id, address, error); }, Qt::QueuedConnection);
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

bool parseDotted(const QString& text, uint32_t* addressNetworkOrder) {
    // At most 127 characters are looked at, as the name buffer of a lookup holds.
    const QByteArray bytes = text.left(127).toLatin1();
    const in_addr_t parsed = inet_addr(bytes.constData());
    if (parsed == INADDR_NONE) return false; // also the all-ones address, as the platform does
    *addressNetworkOrder = parsed;
    return true;
}

} // namespace HostLookup
