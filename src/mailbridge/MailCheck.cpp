#include "mailbridge/MailCheck.h"

DecisionRevision RevisionPeriodica(const EstadoRevision& e, int& cuenta) {
    DecisionRevision d;
    if (!e.email) return d;
    const int every = e.checkEmailEvery & 0xFFFF;
    if (every > 0) --cuenta;
    else cuenta = 0;
    if (e.clienteEnMarcha) return d; // the countdown runs on below 0; the check comes after the client ends
    if (e.sendOnCheck) {
        if (every > 0 && cuenta <= 0) {
            cuenta = every * 4;
            d = {true, e.hayEmailSaliente, true};
        }
        return d;
    }
    if (e.hayEmailSaliente) {
        cuenta = every * 4;
        d = {true, true, true};
    } else if (every > 0 && cuenta <= 0) {
        cuenta = every * 4;
        d = {true, false, true};
    }
    return d;
}

QString TextoRevision(bool email, int checkEmailEvery, int cuenta, const QString& prefijo, const QString& apagado) {
    if (!email || (checkEmailEvery & 0xFFFF) == 0) return apagado;
    int minutes = (cuenta & 0xFFFF) / 4;
    int hours = minutes / 60;
    minutes %= 60;
    if (hours >= 24) hours = minutes = 0;
    return prefijo + QStringLiteral("%1:%2").arg(hours, 2, 10, QLatin1Char('0')).arg(minutes, 2, 10, QLatin1Char('0'));
}
