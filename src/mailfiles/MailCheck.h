#pragma once
// The periodic mail check of the reminder program: on each 15-second tick of
// the due-check cycle, whether to start the mail client and how, and the
// status-bar text of the countdown. Pure functions; the caller owns the timers.
#include <QString>

namespace mailfiles {

struct EstadoRevisionEmail {
    bool email = false;             // setting `Email`: automatic e-mail functions on
    qint32 checkEmailEvery = 0;     // setting `CheckEmailEvery` (minutes; low 16 bits used)
    bool sendOnCheck = false;       // setting `SendOnCheck`
    qint32 timeOut = 0;             // setting `TimeOut` (minutes; low 8 bits passed on)
    bool hayEmailSaliente = false;  // at least one MAIL/*.OUT waits
    bool clienteEnMarcha = false;   // the "OrbalinderMC" marker exists
    qint32 cuentaRevisionEmail = 0; // `CuentaRevisionEmail` before this tick
};

struct DecisionRevisionEmail {
    bool arrancar = false;          // start the mail client now
    bool enviar = false;            // first argument "SMTP" (else "XXXX")
    bool recibir = false;           // second argument "POP3" (else "XXXX")
    quint8 minutos = 0;             // third argument
    qint32 cuentaRevisionEmail = 0; // the countdown to keep after this tick
};

// Ticks in a full period: the low 16 bits of `CheckEmailEvery` times 4. Used at
// start, when e-mail functions are switched, and when a periodic check starts.
qint32 CuentaInicialRevisionEmail(qint32 checkEmailEvery);

// One tick of the periodic check. With e-mail functions off nothing changes.
// While a mail client runs the countdown goes on below 0 (it stops at the
// lowest 32-bit value instead of wrapping round), so the check comes at the
// first tick after the client ended.
DecisionRevisionEmail RevisarEmail(const EstadoRevisionEmail& estado);

// The third status-bar panel: catalogue text 1401 + "hh:mm" left (the low 16
// bits of the countdown divided by 4, rounded down; "00:00" from 24 hours on)
// when e-mail functions are on with a period above 0; otherwise text 1402.
QString TextoEstadoRevisionEmail(bool email, qint32 checkEmailEvery, qint32 cuentaRevisionEmail);

// The arguments for the mail client: "SMTP"/"XXXX", "POP3"/"XXXX", minutes.
QStringList ArgumentosClienteEmail(bool enviar, bool recibir, quint8 minutos);

} // namespace mailfiles
