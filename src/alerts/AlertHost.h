#pragma once
// What the alert windows ask of the rest of the program (the main window), and the
// count of open alert windows that all alert windows share.
#include <QtGlobal>

#include <functional>

class AlertHost {
public:
    // A host that goes away is no longer the installed one.
    virtual ~AlertHost();
    virtual void minimizarAplicacion() {}
    virtual void restaurarAplicacion() {}
    // Shows or hides the main window's "Msg" flag (`FlagAvisoMostrado`).
    virtual void mostrarFlagAviso(bool visible) { Q_UNUSED(visible); }
    // Whether the shown-messages log took an unattended alert's entry.
    virtual void registroMensajes(bool escrito) { Q_UNUSED(escrito); }

    // The installed host, or a host that does nothing when none is installed.
    static AlertHost& current();
    // Installs `host` (not owned); nullptr restores the do-nothing host.
    static void install(AlertHost* host);
};

// Alert windows that exist, shown or paused (16-bit, as stored by the program).
quint16 AvisosAbiertos();
// Program start: no alert window exists.
void ReiniciarAvisosAbiertos();

namespace AlertCount {
void raise();
// Never goes below zero.
void lower();
} // namespace AlertCount

// An alert that really ends (not a pause): the application is minimised when
// the user closed the last one; one that ended unattended is logged through
// `registrar`, shows the "Msg" flag and brings the application back; one the
// user closed hides the flag. The alert leaves the count.
void CerrarAvisoDefinitivamente(bool closedByUser, const std::function<bool()>& registrar);

// `CloseMsgs`: minutes until an unattended alert ends itself; unreadable counts as 0 (never).
int MinutosCierreAvisos();
