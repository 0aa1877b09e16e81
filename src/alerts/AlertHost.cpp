// The installed alert host and the shared open-alert count.
#include "alerts/AlertHost.h"

namespace {
AlertHost g_idleHost;
AlertHost* g_host = nullptr;
quint16 g_avisosAbiertos = 0;
} // namespace

AlertHost::~AlertHost() {
    if (g_host == this) g_host = nullptr;
}

AlertHost& AlertHost::current() { return g_host ? *g_host : g_idleHost; }

void AlertHost::install(AlertHost* host) { g_host = host; }

quint16 AvisosAbiertos() { return g_avisosAbiertos; }

void ReiniciarAvisosAbiertos() { g_avisosAbiertos = 0; }

void AlertCount::raise() { ++g_avisosAbiertos; }

void AlertCount::lower() {
    if (g_avisosAbiertos > 0) --g_avisosAbiertos;
}
