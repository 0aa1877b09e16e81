#include "qvmc/CommandLine.h"

OrdenSesion LeerLineaComandos(const QStringList& args) {
    OrdenSesion o;
    o.enviar = args.value(0).trimmed() == QLatin1String("SMTP");
    o.recibir = args.value(1).trimmed() == QLatin1String("POP3");
    bool ok = false;
    const int minutes = args.value(2).trimmed().toInt(&ok);
    if (!ok) {
        o.enviar = o.recibir = false;
        o.minutos = 1;
        return o;
    }
    o.minutos = static_cast<quint8>(minutes & 0xFF);
    o.minutosValidos = true;
    return o;
}
