// The receive phase's work: the listed messages of the system's subject
// fetched over the open POP3 connection, each written to its incoming file
// as it arrives and deleted from the server once that file is kept.
#include "qvmc/SesionCorreo.h"

#include "core/Clock.h"
#include "mail/pop3/Pop3Client.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/LogEvents.h"

namespace {
const QString kAsunto = QStringLiteral("Norvo Orbalinder Message");
} // namespace

void SesionCorreo::bucleRecepcion() {
    m_messages.clear();
    if (m_pop3->MailCount() > 0) listar();
    m_receivedCount = 0;
    for (qsizetype i = 0; i < m_messages.size(); ++i) {
        if (cortada() || !m_recepcion.pendiente) break;
        if (!recibirMensaje(i)) break;
    }
    if (m_receivedCount == 0 && !m_abort) log(mailfiles::LogEvents::noMailReceived());
    desconectar(m_recepcion);
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

bool SesionCorreo::recibirMensaje(qsizetype i) {
    namespace LogEvents = mailfiles::LogEvents;
    const int m = m_messages.at(i);
    try {
        m_pop3->GetSummary(m);
        if (m_pop3->Summary.Subject.trimmed() != kAsunto) return true;
        if (m_pop3->Summary.Bytes > m_maxMailBytes) {
            log(LogEvents::mailTooLarge(m, m_pop3->Summary.Bytes));
            return true;
        }
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
        } catch (...) {
            m_pop3->OnBodyLine = nullptr;
            throw;
        }
        m_pop3->OnBodyLine = nullptr;
        if (!m_recepcion.pendiente || m_abort) {
            // The phase ended meanwhile: the message stays on the server for the next session.
            m_pop3->DiscardAttachments();
            return false;
        }
        ++m_receivedCount;
        guardarMensaje(i, abrir());
    } catch (const EMailLimit& e) {
        log(e.kind == EMailLimit::TooLarge ? LogEvents::mailTooLarge(m, e.bytes)
                                           : LogEvents::mailTooManyParts(m));
    } catch (const std::exception&) {
        log(LogEvents::errorReceivingMail(m));
    }
    return true;
}

void SesionCorreo::guardarMensaje(qsizetype i, mailfiles::EscritorEmailRecibido& escritor) {
    namespace LogEvents = mailfiles::LogEvents;
    const int m = m_messages.at(i);
    // One reading of the clock names the file and dates the message's lines.
    const QDateTime momento = Clock::current().now();
    log(LogEvents::mailReceived(m), momento);
    if (!escritor.terminar(momento)) {
        m_pop3->DiscardAttachments(); // the message comes again with them
        log(LogEvents::unableToProcessMail(m), momento);
        return;
    }
    try {
        // The next summary is asked for unless the phase ends now.
        const bool sigue = i + 1 < m_messages.size() && !cortada() && m_recepcion.pendiente;
        m_pop3->DeleteMailMessage(m, sigue ? m_messages.at(i + 1) : 0);
        // A phase that timed out meanwhile ends without QUIT: the deletion may not hold.
        log(m_recepcion.pendiente && !m_abort ? LogEvents::mailDeletedFromServer(m)
                                              : LogEvents::unableToDeleteMail(m),
            momento);
    } catch (const std::exception&) {
        log(LogEvents::unableToDeleteMail(m), momento);
    }
}
