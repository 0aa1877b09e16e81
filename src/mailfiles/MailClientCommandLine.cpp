#include "mailfiles/MailClientCommandLine.h"

#include "mailfiles/LogEvents.h"
#include "mailfiles/MailFileText.h"

namespace mailfiles {

LineaComandos LeerLineaComandos(const QStringList& argumentos) {
    LineaComandos r;
    if (argumentos.isEmpty()) {
        r.sinArgumentos = true;
        return r;
    }
    const std::optional<qint32> minutos = leerEntero(argumentos.value(2));
    if (argumentos.size() < 3 || !minutos) return r;

    r.enviar = argumentos[0].trimmed() == QLatin1String("SMTP");
    r.recibir = argumentos[1].trimmed() == QLatin1String("POP3");
    r.minutos = quint8(quint32(*minutos) & 0xFF);
    r.minutosValidos = true;
    if (r.enviar) r.eventos << LogEvents::smtpServiceRequested();
    if (r.recibir) r.eventos << LogEvents::popServiceRequested();
    r.eventos << LogEvents::serversTimeoutSet(r.minutos);
    return r;
}

} // namespace mailfiles
