#pragma once
// When the reminder program starts the mail client: the periodic check run at
// the end of each due-check pass, and the countdown text of the status bar.
#include <QString>

struct EstadoRevision {
    bool email = true;          // automatic e-mail functions on
    int checkEmailEvery = 30;   // minutes, 0 = no periodic check (low 16 bits used)
    bool sendOnCheck = false;   // send only together with a periodic check
    bool hayEmailSaliente = false;
    bool clienteEnMarcha = false;
};

struct DecisionRevision {
    bool arrancar = false;
    bool enviar = false;
    bool recibir = false;
};

// One tick of the periodic check; `cuenta` is the countdown in 15-second ticks
// and is updated as the check goes.
DecisionRevision RevisionPeriodica(const EstadoRevision& estado, int& cuenta);

// The third status panel: `prefijo` (text 1401) + "hh:mm" left, or `apagado`
// (text 1402) when e-mail is off or there is no periodic check.
QString TextoRevision(bool email, int checkEmailEvery, int cuenta, const QString& prefijo, const QString& apagado);
