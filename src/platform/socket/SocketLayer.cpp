// Start-up figures of the socket layer on Linux.
#include "platform/socket/SocketLayer.h"

#include <csignal>
#include <sys/resource.h>

namespace SocketLayer {

SocketLayerInfo startup() {
    // A send on a connection the peer has reset must report an error, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    SocketLayerInfo info;
    info.description = QStringLiteral("Linux BSD sockets");
    info.systemStatus = QStringLiteral("Running");
    rlimit limit{};
    info.maxSockets = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 0x7FFFFFFF
                          ? static_cast<int>(limit.rlim_cur)
                          : 1024;
    info.maxUdpDatagram = 65507;
    return info;
}

void cleanup() {}

} // namespace SocketLayer
