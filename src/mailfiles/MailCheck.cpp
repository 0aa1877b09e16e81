#include "mailfiles/MailCheck.h"

#include "core/TextCatalogue.h"

#include <QStringList>

#include <limits>

namespace mailfiles {

namespace {
quint16 periodo(qint32 checkEmailEvery) {
    return quint16(quint32(checkEmailEvery) & 0xFFFF);
}
} // namespace

qint32 CuentaInicialRevisionEmail(qint32 checkEmailEvery) {
    return qint32(periodo(checkEmailEvery)) * 4;
}

DecisionRevisionEmail RevisarEmail(const EstadoRevisionEmail& e) {
    DecisionRevisionEmail d;
    d.cuentaRevisionEmail = e.cuentaRevisionEmail;
    if (!e.email) return d;

    const bool periodica = periodo(e.checkEmailEvery) > 0;
    if (!periodica)
        d.cuentaRevisionEmail = 0;
    else if (d.cuentaRevisionEmail > std::numeric_limits<qint32>::min())
        --d.cuentaRevisionEmail;

    if (e.clienteEnMarcha) return d;
    const bool vencida = periodica && d.cuentaRevisionEmail <= 0;
    if (e.sendOnCheck) {
        if (!vencida) return d;
        d.arrancar = true;
        d.enviar = e.hayEmailSaliente;
    } else if (e.hayEmailSaliente) {
        d.arrancar = true;
        d.enviar = true;
    } else if (vencida) {
        d.arrancar = true;
    } else {
        return d;
    }
    d.recibir = true;
    d.minutos = quint8(quint32(e.timeOut) & 0xFF);
    d.cuentaRevisionEmail = CuentaInicialRevisionEmail(e.checkEmailEvery);
    return d;
}

QString TextoEstadoRevisionEmail(bool email, qint32 checkEmailEvery, qint32 cuenta) {
    if (!email || periodo(checkEmailEvery) == 0) return LeerTexto(1402);
    const int minutos = int(quint16(quint32(cuenta) & 0xFFFF)) / 4;
    int horas = minutos / 60;
    int resto = minutos % 60;
    if (horas >= 24) horas = resto = 0;
    return LeerTexto(1401) + QString::number(horas).rightJustified(2, u'0') + u':' +
           QString::number(resto).rightJustified(2, u'0');
}

QStringList ArgumentosClienteEmail(bool enviar, bool recibir, quint8 minutos) {
    return {enviar ? QStringLiteral("SMTP") : QStringLiteral("XXXX"),
            recibir ? QStringLiteral("POP3") : QStringLiteral("XXXX"), QString::number(minutos)};
}

} // namespace mailfiles
