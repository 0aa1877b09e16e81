#pragma once
// Asynchronous host name lookup: the answer arrives later on the caller's
// thread through its event loop, with every address of the name (IPv4 and
// IPv6, in the name service's order of preference) or a Winsock error number
// (11001 host not found, ...).
#include "platform/socket/NetAddress.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

namespace HostLookup {

// (the addresses, at least one when error is 0; Winsock error or 0)
using Result = std::function<void(const QList<NetAddress>& addresses, int error)>;

// Starts a lookup; returns an id for cancel(). The handler runs on the
// calling thread, which must run an event loop, unless cancelled first.
uint64_t start(const QString& name, Result handler);
// Drops a pending lookup: its handler will not run.
void cancel(uint64_t id);

// The name service behind start(): returns a Winsock error (0 on success) and
// the addresses. Runs on a worker thread. Tests install one that answers from a
// table so that no query leaves the machine; an empty function restores getaddrinfo.
using Resolver = std::function<int(const QByteArray& name, QList<NetAddress>* addresses)>;
void setResolver(Resolver resolver);

} // namespace HostLookup
