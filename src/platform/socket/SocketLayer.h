#pragma once
// Start-up figures of the socket layer (the counterpart of the platform's start-up call).
#include <QString>

struct SocketLayerInfo {
    int version = 0x0101;
    int highVersion = 0x0101;
    QString description;
    QString systemStatus;
    int maxSockets = 0;
    int maxUdpDatagram = 0;
};

namespace SocketLayer {
SocketLayerInfo startup();
void cleanup();
} // namespace SocketLayer
