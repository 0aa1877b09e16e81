// The send phase's work: every queued outgoing file, one message each, over
// the open SMTP connection; a file leaves the queue once the server took it.
#include "qvmc/SesionCorreo.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "mail/codec/MailText.h"
#include "mail/smtp/SmtpClient.h"
#include "mailfiles/LogEvents.h"
#include "mailfiles/OutgoingMail.h"
#include "net/SockErrors.h"

#include <QFile>

namespace {
const QString kAsunto = QStringLiteral("Norvo Orbalinder Message");

// Every recipient a queue file names: an address-book entry may name several
// ("Bob <bob@x>, carol@y"), each of them goes in the envelope and the To: line.
QStringList destinatariosDe(const mailfiles::EmailCargado& email) {
    QStringList todos;
    for (const QString& entrada : email.destinatarios)
        todos += SplitRecipients(entrada);
    return todos;
}

// Each address goes into a command line by itself: anything that is not one
// plain address (extra parameters, blanks, a line too long) fails its file.
bool destinatariosValidos(const mailfiles::EmailCargado& email) {
    for (const QString& entrada : destinatariosDe(email)) {
        const QString direccion = ExtractAddress(entrada);
        if (!direccion.isEmpty() && !IsPlainAddress(direccion)) return false;
    }
    return true;
}
} // namespace

bool SesionCorreo::hayCola() {
    // A FIFO or device under a queue file's name is never opened (it could block the session).
    for (const QString& ruta : mailfiles::ListarSalientesNoRegulares(m_folders.dirMail))
        log(mailfiles::LogEvents::notAQueueFile(ruta));
    m_queuedCount = mailfiles::ContarEmailSaliente(m_folders.dirMail);
    if (m_queuedCount > 0) return true;
    log(mailfiles::LogEvents::noMailToSend());
    m_envio.pendiente = false;
    return false;
}

const mailfiles::ResultadoCarga& SesionCorreo::leerMensaje(const QString& ruta) {
    // A file read ahead for its envelope is sent as it was read then.
    if (m_rutaLeida != ruta) {
        m_cargaLeida = mailfiles::CargarEmailSaliente(ruta);
        m_rutaLeida = ruta;
    }
    return m_cargaLeida;
}

SesionCorreo::Carga SesionCorreo::cargarMensaje(const QString& ruta) {
    const mailfiles::ResultadoCarga carga = leerMensaje(ruta);
    if (!carga.email) return Carga::Ilegible;
    const mailfiles::EmailCargado* m = &*carga.email;
    if (!destinatariosValidos(*m)) return Carga::DestinatarioInvalido;
    m_smtp->ClearParameters();
    TPostMessage& msg = m_smtp->PostMessage;
    msg.FromName = m_perfil.nombreUsuario;
    msg.FromAddress = m_perfil.emailUsuario;
    msg.ReplyTo = m_perfil.emailUsuario;
    msg.Subject = kAsunto;
    msg.LocalProgram = QStringLiteral("Norvo Orbalinder 2.0");
    msg.Date = DisplayFormats::shortDate(Clock::current().now().date());
    msg.ToAddress = destinatariosDe(*m);
    msg.Body = m->cuerpo + pie();
    return Carga::Cargado;
}

void SesionCorreo::bucleEnvio() {
    m_fileList = mailfiles::ListarEmailSaliente(m_folders.dirMail);
    for (int i = 0; i < m_queuedCount && i < m_fileList.size() && !cortada() && m_envio.pendiente; ++i) {
        const QString path = m_fileList[i];
        enviarMensaje(i);
        if (m_mensaje != EstadoMensaje::Enviado) continue;
        log(mailfiles::LogEvents::mailSent(path));
        m_estado.anotar(path, mailfiles::ResultadoEnvio::Enviado, m_respuestaRechazo,
                        m_destinatarioRechazado);
        if (!QFile::remove(path)) log(mailfiles::LogEvents::mailSentDeleteFailed(path));
    }
    desconectar(m_envio);
}

void SesionCorreo::enviarMensaje(qsizetype i) {
    namespace LogEvents = mailfiles::LogEvents;
    m_mensaje = EstadoMensaje::EnCurso;
    m_destinatarioRechazado.clear();
    m_respuestaRechazo.clear(); // a refusal of the previous file is not this one's
    const QString path = m_fileList[i];
    const Carga carga = cargarMensaje(path);
    if (carga != Carga::Cargado) {
        const bool invalido = carga == Carga::DestinatarioInvalido;
        log(invalido ? LogEvents::invalidRecipient(path) : LogEvents::errorSendingMail(path));
        m_estado.anotar(path, mailfiles::ResultadoEnvio::NoIntentado,
                        invalido ? QStringLiteral("invalid recipient address")
                                 : QStringLiteral("the queue file cannot be read"));
        m_mensaje = EstadoMensaje::NoEnviado;
        return;
    }
    try {
        siguienteSobre(i);
        m_smtp->SendMail();
        // A call that came back without telling success or failure sent nothing.
        if (m_mensaje == EstadoMensaje::EnCurso) m_mensaje = EstadoMensaje::NoEnviado;
    } catch (const EAbortError&) {
        log(LogEvents::replyText(m_smtp->ReplyNumber()));
        m_mensaje = EstadoMensaje::NoEnviado;
    } catch (const EProtocolError& e) {
        // The server's own words tell the user why.
        log(LogEvents::replyText(m_smtp->ReplyNumber(), e.words()));
        m_mensaje = EstadoMensaje::NoEnviado;
        m_estado.anotar(path, mailfiles::ResultadoEnvio::Rechazado, e.message().trimmed(),
                        m_destinatarioRechazado);
    } catch (const std::exception& e) {
        log(LogEvents::replyText(m_smtp->ReplyNumber()));
        m_mensaje = EstadoMensaje::NoEnviado;
        m_estado.anotar(path, mailfiles::ResultadoEnvio::Rechazado, QString::fromUtf8(e.what()).trimmed(),
                        m_destinatarioRechazado);
    }
}

void SesionCorreo::siguienteSobre(qsizetype i) {
    // The next file's envelope may go with this message (where the server pipelines).
    if (i + 1 >= m_queuedCount || i + 1 >= m_fileList.size()) return;
    const mailfiles::ResultadoCarga& siguiente = leerMensaje(m_fileList[i + 1]);
    if (siguiente.email && destinatariosValidos(*siguiente.email))
        m_smtp->NextEnvelope =
            TSmtpClient::TEnvelope{m_perfil.emailUsuario, destinatariosDe(*siguiente.email), {}, {}};
}
