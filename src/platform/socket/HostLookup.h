#pragma once
// Asynchronous host name lookup: the answer arrives later on the caller's
// thread through its event loop, with the first IPv4 address or a Winsock
// error number (11001 host not found, ...).
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace HostLookup {

// (IPv4 address in network byte order, Winsock error or 0)
using Result = std::function<void(uint32_t address, int error)>;

// Starts a lookup; returns an id for cancel(). The handler runs on the
// calling thread, which must run an event loop, unless cancelled first.
uint64_t start(const QString& name, Result handler);
// Drops a pending lookup: its handler will not run.
void cancel(uint64_t id);
// A dotted IPv4 text ("127.0.0.1") as an address in network order; false when it is not one.
bool parseDotted(const QString& text, uint32_t* addressNetworkOrder);

// The name service behind start(): returns a Winsock error (0 on success) and
// the address. Runs on a worker thread. Tests install one that answers from a
// table so that no query leaves the machine; an empty function restores getaddrinfo.
using Resolver = std::function<int(const QByteArray& name, uint32_t* addressNetworkOrder)>;
void setResolver(Resolver resolver);

} // namespace HostLookup
