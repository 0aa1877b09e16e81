// The receive phase's work over the open POP3 connection, in three steps: the
// summaries of the listed messages, the retrieval of those of the system's
// subject (each written to its incoming file as it arrives), and the deletion
// of each message whose file was kept. Each step's commands are announced to
// the client before the first of them is asked for, so a server that takes
// pipelined commands gets them in bursts; the commands, the log, the files and
// what stays on the server are the same either way. Only the replies decide:
// the connection's end counts where a reply is missing, never before.
#include "qvmc/SesionCorreo.h"

#include "core/Clock.h"
#include "mail/pop3/Pop3Client.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/LogEvents.h"
#include "net/SockErrors.h"

namespace {
const QString kAsunto = QStringLiteral("Norvo Orbalinder Message");
// One reading of the clock dates the lines logged this soon after it.
constexpr qint64 kLecturaMs = 50;
} // namespace

void SesionCorreo::bucleRecepcion() {
    m_messages.clear();
    m_listados.clear();
    if (m_pop3->MailCount() > 0) listar();
    m_receivedCount = 0;
    m_recepcion.enTrabajo = true;
    borrar(recibir(resumir()));
    m_recepcion.enTrabajo = false;
    if (m_receivedCount == 0 && !m_abort) log(mailfiles::LogEvents::noMailReceived());
    desconectar(m_recepcion);
}

bool SesionCorreo::recepcionCortada() const {
    return cortada() || m_recepcion.minutosRestantes == 0;
}

QDateTime SesionCorreo::momento(bool nuevo) {
    if (nuevo || !m_lectura.isValid() || m_desdeLectura.hasExpired(kLecturaMs)) {
        m_lectura = Clock::current().now();
        m_desdeLectura.start();
    }
    return m_lectura;
}

void SesionCorreo::listar() {
    try {
        m_pop3->List();
    } catch (const std::exception&) {
        // A refused or broken listing ends the phase: nothing it gave is trusted.
        if (m_recepcion.pendiente && !m_abort) log(mailfiles::LogEvents::listRefused());
        m_messages.clear();
        m_recepcion.pendiente = false;
    }
}

QList<int> SesionCorreo::resumir() {
    namespace LogEvents = mailfiles::LogEvents;
    QList<int> nuestros;
    m_pop3->SummariesAhead(m_messages);
    for (const int m : std::as_const(m_messages)) {
        if (recepcionCortada()) break;
        try {
            m_pop3->GetSummary(m);
            if (m_pop3->Summary.Subject.trimmed() != kAsunto) continue;
            if (m_pop3->Summary.Bytes > m_maxMailBytes)
                log(LogEvents::mailTooLarge(m, m_pop3->Summary.Bytes), momento());
            else
                nuestros << m;
        } catch (const ESockError&) {
            // The connection ended (or the phase was cut): nothing more comes over it.
            log(LogEvents::errorReceivingMail(m), momento());
            return {};
        } catch (const std::exception&) {
            log(LogEvents::errorReceivingMail(m), momento());
        }
    }
    return nuestros;
}

QList<int> SesionCorreo::recibir(const QList<int>& nuestros) {
    QList<int> guardados;
    m_pop3->RetrievalsAhead(nuestros);
    for (const int m : nuestros) {
        if (recepcionCortada()) break;
        const Recibido recibido = recibirMensaje(m);
        if (recibido == Recibido::Guardado) {
            guardados << m;
            m_pop3->DeleteAhead(m); // after the retrievals announced before it
        }
        if (recibido == Recibido::Fin) break;
    }
    return guardados;
}

SesionCorreo::Recibido SesionCorreo::recibirMensaje(int m) {
    namespace LogEvents = mailfiles::LogEvents;
    // The message is written to its incoming file as it arrives.
    std::unique_ptr<mailfiles::EscritorEmailRecibido> escritor;
    auto abrir = [this, &escritor]() -> mailfiles::EscritorEmailRecibido& {
        if (!escritor)
            escritor = std::make_unique<mailfiles::EscritorEmailRecibido>(m_folders.dirMail,
                                                                          m_pop3->MailMessage.From);
        return *escritor;
    };
    m_pop3->OnBodyLine = [&](const QString& line) { abrir().linea(line); };
    try {
        m_pop3->GetMailMessage(m);
        m_pop3->OnBodyLine = nullptr;
    } catch (const EMailLimit& e) {
        m_pop3->OnBodyLine = nullptr;
        log(e.kind == EMailLimit::TooLarge ? LogEvents::mailTooLarge(m, e.bytes)
                                           : LogEvents::mailTooManyParts(m),
            momento());
        return Recibido::Dejado;
    } catch (const ESockError&) {
        m_pop3->OnBodyLine = nullptr;
        log(LogEvents::errorReceivingMail(m), momento());
        return Recibido::Fin;
    } catch (const std::exception&) {
        m_pop3->OnBodyLine = nullptr;
        log(LogEvents::errorReceivingMail(m), momento());
        return Recibido::Dejado;
    }
    if (recepcionCortada()) {
        // The phase ended meanwhile: the message stays on the server for the next session.
        m_pop3->DiscardAttachments();
        return Recibido::Fin;
    }
    ++m_receivedCount;
    // One reading of the clock names the file and dates its line.
    const QDateTime ahora = momento(true);
    log(LogEvents::mailReceived(m), ahora);
    if (!abrir().terminar(ahora)) {
        m_pop3->DiscardAttachments(); // the message comes again with them
        log(LogEvents::unableToProcessMail(m), ahora);
        return Recibido::Dejado;
    }
    return Recibido::Guardado;
}

void SesionCorreo::borrar(const QList<int>& guardados) {
    namespace LogEvents = mailfiles::LogEvents;
    for (const int m : guardados) {
        bool borrado = false;
        if (!recepcionCortada()) {
            try {
                m_pop3->DeleteMailMessage(m);
                borrado = true;
            } catch (const std::exception&) {
            }
        }
        // A phase that timed out ends without QUIT: the deletion does not hold.
        log(borrado && !recepcionCortada() ? LogEvents::mailDeletedFromServer(m)
                                           : LogEvents::unableToDeleteMail(m),
            momento());
    }
}
