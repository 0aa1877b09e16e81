// The installed alert host and the shared open-alert count.
#include "alerts/AlertHost.h"

#include "settings/Ajustes.h"

#include <exception>

namespace {
AlertHost g_idleHost;
AlertHost* g_host = nullptr;
quint16 g_avisosAbiertos = 0;
} // namespace

AlertHost::~AlertHost() {
    if (g_host == this) g_host = nullptr;
}

AlertHost& AlertHost::current() {
    return g_host ? *g_host : g_idleHost;
}

void AlertHost::install(AlertHost* host) {
    g_host = host;
}

quint16 AvisosAbiertos() {
    return g_avisosAbiertos;
}

void ReiniciarAvisosAbiertos() {
    g_avisosAbiertos = 0;
}

void AlertCount::raise() {
    ++g_avisosAbiertos;
}

void AlertCount::lower() {
    if (g_avisosAbiertos > 0) --g_avisosAbiertos;
}

void CerrarAvisoDefinitivamente(bool closedByUser, const std::function<bool()>& registrar) {
    AlertHost& host = AlertHost::current();
    // The last alert gone: the application is minimised, unless it ended
    // unattended, when it is restored at once below (never hidden and shown
    // in one breath, which some window managers lose).
    if (AvisosAbiertos() == 1 && closedByUser) host.minimizarAplicacion();
    AlertCount::lower();
    if (!closedByUser) {
        host.registroMensajes(registrar());
        host.mostrarFlagAviso(true);
        host.restaurarAplicacion();
    } else {
        host.mostrarFlagAviso(false);
    }
}

int MinutosCierreAvisos() {
    try {
        return Ajustes::closeMsgs() & 0xFF;
    } catch (const std::exception&) {
        return 0;
    }
}
