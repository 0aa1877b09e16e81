#include "qvmc/SesionCorreo.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "dialup/DialUp.h"
#include "mail/codec/MailText.h"
#include "mail/pop3/Pop3Client.h"
#include "mail/smtp/SmtpClient.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/LogEvents.h"
#include "mailfiles/MailFileText.h"
#include "mailfiles/OutgoingMail.h"
#include "mailfiles/SessionStatus.h"
#include "net/SockErrors.h"
#include "platform/SettingsStore.h"
#include "profiles/ArchivoPerfiles.h"
#include "profiles/SeguridadPerfiles.h"
#include "settings/Ajustes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {
const QString kAsunto = QStringLiteral("Norvo Orbalinder Message");

// The largest message fetched, in MB: the settings value "MaxMailSize", or 25
// when it is missing, not a number or not above 0.
qint64 tamanoMaximoMensaje() {
    try {
        const qint32 mb = Ajustes::abrirClave(false)->readInteger(QStringLiteral("MaxMailSize"));
        return mb > 0 ? mb : 25;
    } catch (...) {
        return 25;
    }
}

// A profile text that would carry control bytes (a NUL, or a length byte past
// its text) into a command line.
bool textoUsable(const QString& texto) {
    for (QChar c : texto)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    return true;
}

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

// What one session may write to MAIL/Attachments, in MB: the settings value
// "MaxAttachmentsSize", or 200 when it is missing, not a number or not above 0.
qint64 tamanoMaximoAdjuntos() {
    try {
        const qint32 mb = Ajustes::abrirClave(false)->readInteger(QStringLiteral("MaxAttachmentsSize"));
        return mb > 0 ? mb : 200;
    } catch (...) {
        return 200;
    }
}

// Where a client finds its server and how the connection is protected, from
// the profile's server text and its security entry.
template <class Cliente>
void prepararTransporte(Cliente& cliente, const QString& servidor, ProtocoloCorreo protocolo,
                        ModoSeguridad modo, const SeguridadActiva& seguridad) {
    const DestinoServidor destino = DestinoDe(servidor, protocolo, modo);
    cliente.setHost(destino.host);
    cliente.setPort(destino.puerto);
    cliente.Security = modo == ModoSeguridad::Tls        ? TTransportSecurity::Tls
                       : modo == ModoSeguridad::StartTls ? TTransportSecurity::StartTls
                                                         : TTransportSecurity::None;
    cliente.TlsSettings.extraTrustFile = seguridad.ajustes.archivoCertificados;
    cliente.AllowPlainLogin = seguridad.loginEnClaroPermitido();
}
} // namespace

SesionCorreo::SesionCorreo(ProgramFolders folders, mailfiles::LineaComandos orden,
                           std::function<void(const QString&)> shown, QObject* parent)
    : QObject(parent), m_folders(std::move(folders)), m_orden(std::move(orden)), m_shown(std::move(shown)),
      m_logFile(m_folders.dirTemp) {
    m_smtp = new TSmtpClient(this);
    m_pop3 = new TPop3Client(this);
    // Commands go out ahead of earlier replies where the server allows it; the log is the same.
    m_smtp->Pipelining = m_pop3->Pipelining = true;
    m_ras = new TDialUp(this);
    m_ras->DialMode = TDialMode::dmSync; // every dial event arrives during Dial
    m_timerSmtp = new QTimer(this);
    m_timerSmtp->setObjectName("TimerSMTP");
    m_timerPop3 = new QTimer(this);
    m_timerPop3->setObjectName("TimerPOP3");
    for (QTimer* t : {m_timerSmtp, m_timerPop3})
        t->setInterval(msPorMinuto);
    connect(m_timerSmtp, &QTimer::timeout, this, &SesionCorreo::timerSmtp);
    m_guard = new QTimer(this);
    m_guard->setInterval(100);
    connect(m_guard, &QTimer::timeout, this, [this] {
        // Keeps cancelling until the call that outlived its limit has returned,
        // so a server that stops answering cannot hold the session.
        if (m_abort) {
            m_smtp->Cancel();
            m_pop3->Cancel();
        } else if (m_guardTarget && m_guardDeadline.hasExpired()) {
            m_guardTarget->Cancel();
        }
    });
    connect(m_timerPop3, &QTimer::timeout, this, &SesionCorreo::timerPop3);
    m_timerSmtp->start(); // running when the window is made; the preparation stops them
    m_timerPop3->start();
    wire();
}

SesionCorreo::~SesionCorreo() = default;

void SesionCorreo::log(const QString& evento) {
    const QString line = m_lines.LogLine(evento);
    m_logFile.linea(line); // written at once: a session that is killed still leaves its lines
    if (m_shown) m_shown(line);
}

QStringList SesionCorreo::pie() {
    return mailfiles::PieMensaje();
}

void SesionCorreo::limitar(TSockClient* client, qint64 ms) {
    m_guardTarget = client;
    m_guardDeadline.setRemainingTime(ms);
    m_guard->start();
}

void SesionCorreo::sinLimite() {
    m_guardTarget = nullptr;
    if (!m_abort) m_guard->stop();
}

void SesionCorreo::esperar(const std::function<bool()>& done) {
    while (!done() && !m_finished && !m_abort)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 200);
}

// ---- Session ----

void SesionCorreo::ejecutar() {
    m_running = true;
    try {
        if (preparar() && pasoConexion()) {
            esperar([this] { return m_dialFinished; });
            if (m_dialConnected && !m_finished && !m_abort) {
                if (m_sendPending) {
                    faseEnvio();
                    esperar([this] { return !m_sendPending; });
                }
                if (m_receivePending && !m_finished && !m_abort) {
                    faseRecepcion();
                    esperar([this] { return !m_receivePending; });
                }
            }
        }
    } catch (...) {
        // Whatever went wrong, Finish still runs: the session log is written and the marker goes.
    }
    m_running = false;
    finish();
}

bool SesionCorreo::preparar() {
    m_activeConnections.clear();
    m_fileList.clear();
    const QString rutaPerfiles = RutaArchivoPerfiles(m_folders.dirPrograma);
    const RegistroPerfiles perfiles = LeerPerfilesParaUso(rutaPerfiles);
    m_perfilActivo = perfiles.numeroActivo();
    if (m_perfilActivo == 0 || !perfiles.perfilActivo()) {
        log(mailfiles::LogEvents::activeConnectionMissing());
        motivoEnvio(mailfiles::LogEvents::activeConnectionMissing());
        return false;
    }
    m_perfil = *perfiles.perfilActivo();

    m_sendPending = m_orden.enviar;
    m_receivePending = m_orden.recibir;
    m_sendMinutesLeft = m_receiveMinutesLeft = m_orden.minutos;
    for (const QString& evento : m_orden.eventos)
        log(evento);

    // Control bytes in a profile text would go into a command line: that phase is not run.
    const QList<std::pair<QString, QString>> camposEnvio{
        {QStringLiteral("name"), m_perfil.nombreUsuario},
        {QStringLiteral("e-mail address"), m_perfil.emailUsuario},
        {QStringLiteral("SMTP server"), m_perfil.servidorSMTP},
        {QStringLiteral("SMTP login"), m_perfil.loginSMTP}};
    const QList<std::pair<QString, QString>> camposRecepcion{
        {QStringLiteral("POP3 server"), m_perfil.servidorPOP3},
        {QStringLiteral("POP3 login"), m_perfil.loginPOP3},
        {QStringLiteral("POP3 password"), m_perfil.passwdPOP3}};
    for (const auto& [nombre, valor] : camposEnvio) {
        const bool remitenteMalo =
            nombre == QLatin1String("e-mail address") && !valor.isEmpty() && !IsPlainAddress(valor);
        if (m_sendPending && (!textoUsable(valor) || remitenteMalo)) {
            log(mailfiles::LogEvents::unusableProfileField(nombre));
            motivoEnvio(mailfiles::LogEvents::unusableProfileField(nombre));
            m_sendPending = false;
        }
    }
    for (const auto& [nombre, valor] : camposRecepcion) {
        if (m_receivePending && !textoUsable(valor)) {
            log(mailfiles::LogEvents::unusableProfileField(nombre));
            m_receivePending = false;
        }
    }

    // The profile's security (QV.PFS): a profile that lost its entry sends nothing in clear.
    const SeguridadActiva seguridad = LeerSeguridadActiva(rutaPerfiles, perfiles);
    if (seguridad.estado == SeguridadActiva::Perdidos && (m_sendPending || m_receivePending)) {
        log(mailfiles::LogEvents::statusText(seguridad.motivo));
        motivoEnvio(seguridad.motivo);
        m_sendPending = m_receivePending = false;
    }
    const AjustesSeguridad& ajustes = seguridad.ajustes;

    m_smtp->ClearParameters();
    prepararTransporte(*m_smtp, m_perfil.servidorSMTP, ProtocoloCorreo::Smtp, ajustes.smtp, seguridad);
    if (seguridad.estado == SeguridadActiva::Vigentes) {
        // The login authenticates (AUTH); the greeting names this machine.
        m_smtp->UserID = QSysInfo::machineHostName();
        // A password without a login of its own goes with the POP3 login, as mail programs do.
        m_smtp->Login = m_perfil.loginSMTP.isEmpty() && !ajustes.passwdSMTP.isEmpty() ? m_perfil.loginPOP3
                                                                                      : m_perfil.loginSMTP;
        m_smtp->Password = ajustes.passwdSMTP;
    } else {
        // The SMTP login is the HELO name; servers refuse an empty one, so without a
        // login the machine's own name is given.
        m_smtp->UserID = !m_perfil.loginSMTP.isEmpty() ? m_perfil.loginSMTP : QSysInfo::machineHostName();
    }
    prepararTransporte(*m_pop3, m_perfil.servidorPOP3, ProtocoloCorreo::Pop3, ajustes.pop3, seguridad);
    if (!m_perfil.loginPOP3.isEmpty()) m_pop3->UserID = m_perfil.loginPOP3;
    if (!m_perfil.passwdPOP3.isEmpty()) m_pop3->Password = m_perfil.passwdPOP3;
    // Parts of received messages are named by strangers: they go to a folder of their own.
    mailfiles::PrepararCarpetaAdjuntos(m_folders.dirMail);
    m_pop3->AttachFilePath = mailfiles::CarpetaAdjuntos(m_folders.dirMail);
    m_maxMailBytes = tamanoMaximoMensaje() * 1024 * 1024;
    // Counted on what arrives, whatever LIST announced; and strangers cannot fill the disk.
    m_pop3->MaxMessageBytes = m_maxMailBytes;
    m_pop3->MaxAttachmentBytes = tamanoMaximoAdjuntos() * 1024 * 1024;
    m_timerSmtp->stop();
    m_timerPop3->stop();
    return true;
}

bool SesionCorreo::pasoConexion() {
    m_dialFinished = m_dialConnected = m_weDialed = false;
    if (!m_perfil.quiereMarcar()) {
        m_dialFinished = m_dialConnected = true;
        return true;
    }
    try {
        m_ras->ListActiveConnections(); // each open connection is added by its event
    } catch (const DialUpLibraryError&) {
        // No dial-up service here: no connection is open either.
    }
    if (!m_activeConnections.isEmpty()) {
        log(mailfiles::LogEvents::connectionsAlreadyEstablished());
        for (const QString& name : m_activeConnections)
            log(mailfiles::LogEvents::openConnection(name));
        m_dialFinished = m_dialConnected = true;
        return true;
    }
    m_ras->Entry = m_perfil.conexionNombre;
    quint32 valid = 0;
    try {
        valid = m_ras->ValidateEntry(m_perfil.conexionNombre);
    } catch (const DialUpLibraryError&) {
        valid = 0;
    }
    if (valid == 0) { // a name no phonebook entry has: nothing to dial
        m_dialFinished = true;
        log(mailfiles::LogEvents::errorConnectingToIsp());
        motivoEnvio(mailfiles::LogEvents::errorConnectingToIsp());
        return false;
    }
    m_weDialed = true;
    QCoreApplication::processEvents();
    quint32 rc = 1;
    try {
        rc = m_ras->Dial();
    } catch (const DialUpLibraryError& e) {
        log(mailfiles::LogEvents::dialUpText(QString::fromUtf8(e.what())));
    }
    if (rc != 0) {
        m_dialFinished = true;
        m_dialConnected = false;
        log(mailfiles::LogEvents::errorConnectingToIsp());
        motivoEnvio(mailfiles::LogEvents::errorConnectingToIsp());
        return false;
    }
    return true;
}

// ---- Send phase ----

void SesionCorreo::faseEnvio() {
    // A FIFO or device under a queue file's name is never opened (it could block the session).
    for (const QString& ruta : mailfiles::ListarSalientesNoRegulares(m_folders.dirMail))
        log(mailfiles::LogEvents::notAQueueFile(ruta));
    m_queuedCount = mailfiles::ContarEmailSaliente(m_folders.dirMail);
    if (m_queuedCount == 0) {
        log(mailfiles::LogEvents::noMailToSend());
        m_sendPending = false;
        return;
    }
    log(mailfiles::LogEvents::connectingToSmtpHost());
    // The phase's watchdog runs until the phase ends: every wait for the server
    // (greeting, each reply, QUIT) counts against the phase's minutes.
    m_timerSmtp->start();
    QCoreApplication::processEvents();
    try {
        m_smtp->Connect(); // its connect event runs the sending loop
    } catch (const ETlsError& e) {
        log(mailfiles::LogEvents::smtpSecurityFailed(e.message()));
        motivoEnvio(mailfiles::LogEvents::smtpSecurityFailed(e.message()));
        desconectarSmtp();
    } catch (const ESecurityError& e) {
        log(mailfiles::LogEvents::smtpSecurityFailed(QString::fromUtf8(e.what())));
        motivoEnvio(mailfiles::LogEvents::smtpSecurityFailed(QString::fromUtf8(e.what())));
        desconectarSmtp();
    } catch (const std::exception&) {
        desconectarSmtp();
    }
    m_timerSmtp->stop();
    sinLimite();
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
    for (int i = 0; i < m_queuedCount && i < m_fileList.size() && !m_finished && !m_abort && m_sendPending;
         ++i) {
        m_messagePending = true;
        m_messageSent = m_deleteQueued = false;
        m_destinatarioRechazado.clear();
        const QString path = m_fileList[i];
        const Carga carga = cargarMensaje(path);
        if (carga == Carga::Cargado) {
            try {
                // The next file's envelope may go with this message (where the server pipelines).
                if (i + 1 < m_queuedCount && i + 1 < m_fileList.size()) {
                    const mailfiles::ResultadoCarga& siguiente = leerMensaje(m_fileList[i + 1]);
                    if (siguiente.email && destinatariosValidos(*siguiente.email))
                        m_smtp->NextEnvelope = TSmtpClient::TEnvelope{
                            m_perfil.emailUsuario, destinatariosDe(*siguiente.email), {}, {}};
                }
                m_smtp->SendMail();
                // A call that came back without telling success or failure sent nothing.
                if (m_messagePending) m_messagePending = m_messageSent = m_deleteQueued = false;
            } catch (const EAbortError&) {
                log(mailfiles::LogEvents::replyText(m_smtp->ReplyNumber()));
                m_messagePending = m_messageSent = m_deleteQueued = false;
            } catch (const EProtocolError& e) {
                // The server's own words tell the user why.
                log(mailfiles::LogEvents::replyText(m_smtp->ReplyNumber(), e.words()));
                m_messagePending = m_messageSent = m_deleteQueued = false;
                m_estado.anotar(path, mailfiles::ResultadoEnvio::Rechazado,
                                QString::fromUtf8(e.what()).trimmed(), m_destinatarioRechazado);
            } catch (const std::exception& e) {
                log(mailfiles::LogEvents::replyText(m_smtp->ReplyNumber()));
                m_messagePending = m_messageSent = m_deleteQueued = false;
                // The server's own words tell the user why.
                m_estado.anotar(path, mailfiles::ResultadoEnvio::Rechazado,
                                QString::fromUtf8(e.what()).trimmed(), m_destinatarioRechazado);
            }
        } else {
            log(carga == Carga::DestinatarioInvalido ? mailfiles::LogEvents::invalidRecipient(path)
                                                     : mailfiles::LogEvents::errorSendingMail(path));
            m_estado.anotar(path, mailfiles::ResultadoEnvio::NoIntentado,
                            carga == Carga::DestinatarioInvalido
                                ? QStringLiteral("invalid recipient address")
                                : QStringLiteral("the queue file cannot be read"));
            m_messagePending = false;
        }
        esperar([this] { return !m_messagePending; });
        if (m_messageSent) {
            log(mailfiles::LogEvents::mailSent(path));
            m_estado.anotar(path, mailfiles::ResultadoEnvio::Enviado, m_respuestaRechazo,
                            m_destinatarioRechazado);
        }
        if (m_deleteQueued && !QFile::remove(path)) log(mailfiles::LogEvents::mailSentDeleteFailed(path));
    }
    desconectarSmtp();
}

void SesionCorreo::desconectarSmtp() {
    if (m_smtp->Connected()) {
        try {
            m_smtp->Disconnect();
        } catch (const std::exception&) {
            onSmtpDisconnect();
        }
    } else {
        onSmtpDisconnect();
    }
}

void SesionCorreo::onSmtpDisconnect() {
    m_timerSmtp->stop();
    // Told once per phase, however many ways the connection's end is reported.
    if (!m_smtpDisconnected) log(mailfiles::LogEvents::disconnectedFromSmtpHost());
    m_smtpDisconnected = true;
    m_sendPending = false;
}

void SesionCorreo::timerSmtp() {
    if (--m_sendMinutesLeft != 0) return;
    m_timerSmtp->stop();
    m_sendPending = false;
    log(mailfiles::LogEvents::smtpTimedOut());
    motivoEnvio(mailfiles::LogEvents::smtpTimedOut());
    m_messagePending = false;
    limitar(m_smtp, 0); // the waiting call ends at once; its caller runs the disconnect step
}

// ---- Receive phase ----

void SesionCorreo::faseRecepcion() {
    log(mailfiles::LogEvents::connectingToPopHost());
    m_timerPop3->start(); // runs until the phase ends, as in the send phase
    QCoreApplication::processEvents();
    try {
        m_pop3->Connect(); // its connect event runs the receiving loop
    } catch (const ETlsError& e) {
        log(mailfiles::LogEvents::popSecurityFailed(e.message()));
        desconectarPop3();
    } catch (const ESecurityError& e) {
        log(mailfiles::LogEvents::popSecurityFailed(QString::fromUtf8(e.what())));
        desconectarPop3();
    } catch (const std::exception&) {
        desconectarPop3();
    }
    m_timerPop3->stop();
    sinLimite();
}

void SesionCorreo::bucleRecepcion() {
    m_messages.clear();
    m_receivedCount = 0;
    m_popStepPending = true;
    if (m_pop3->MailCount() > 0) {
        try {
            m_pop3->List();
        } catch (const std::exception&) {
            // A refused or broken listing ends the phase: nothing it gave is trusted.
            if (m_receivePending && !m_abort) log(mailfiles::LogEvents::listRefused());
            m_messages.clear();
            m_receivePending = false;
        }
        // A server that lists fewer messages than it counted ends the wait when
        // the listing has ended: the numbers it gave are used.
        m_popStepPending = false;
    }
    m_receivedCount = 0;
    for (qsizetype i = 0; i < m_messages.size(); ++i) {
        const int m = m_messages.at(i);
        if (m_finished || m_abort || !m_receivePending) break;
        try {
            m_popStepPending = true;
            m_pop3->GetSummary(m);
            esperar([this] { return !m_popStepPending; });
            if (m_pop3->Summary.Subject.trimmed() != kAsunto) continue;
            if (m_pop3->Summary.Bytes > m_maxMailBytes) {
                log(mailfiles::LogEvents::mailTooLarge(m, m_pop3->Summary.Bytes));
                continue;
            }
            // The message is written to its incoming file as it arrives.
            std::unique_ptr<mailfiles::EscritorEmailRecibido> escritor;
            auto abrir = [this, &escritor] {
                if (!escritor)
                    escritor = std::make_unique<mailfiles::EscritorEmailRecibido>(m_folders.dirMail,
                                                                                  m_pop3->MailMessage.From);
            };
            m_pop3->OnBodyLine = [&](const QString& line) {
                abrir();
                escritor->linea(line);
            };
            m_popStepPending = true;
            try {
                m_pop3->GetMailMessage(m);
            } catch (...) {
                m_pop3->OnBodyLine = nullptr;
                throw;
            }
            m_pop3->OnBodyLine = nullptr;
            esperar([this] { return !m_popStepPending; });
            if (!m_receivePending || m_abort) {
                // The phase ended meanwhile: the message stays on the server for the next session.
                m_pop3->DiscardAttachments();
                break;
            }
            ++m_receivedCount;
            log(mailfiles::LogEvents::mailReceived(m));
            abrir();
            if (escritor->terminar()) {
                try {
                    // The next summary is asked for unless the phase ends now.
                    const bool sigue =
                        i + 1 < m_messages.size() && !m_finished && !m_abort && m_receivePending;
                    m_pop3->DeleteMailMessage(m, sigue ? m_messages.at(i + 1) : 0);
                    // A phase that timed out meanwhile ends without QUIT: the deletion may not hold.
                    log(m_receivePending && !m_abort ? mailfiles::LogEvents::mailDeletedFromServer(m)
                                                     : mailfiles::LogEvents::unableToDeleteMail(m));
                } catch (const std::exception&) {
                    log(mailfiles::LogEvents::unableToDeleteMail(m));
                }
            } else {
                m_pop3->DiscardAttachments(); // the message comes again with them
                log(mailfiles::LogEvents::unableToProcessMail(m));
            }
        } catch (const EMailLimit& e) {
            m_popStepPending = false;
            log(e.kind == EMailLimit::TooLarge ? mailfiles::LogEvents::mailTooLarge(m, e.bytes)
                                               : mailfiles::LogEvents::mailTooManyParts(m));
        } catch (const std::exception&) {
            m_popStepPending = false;
            log(mailfiles::LogEvents::errorReceivingMail(m));
        }
    }
    if (m_receivedCount == 0 && !m_abort) log(mailfiles::LogEvents::noMailReceived());
    desconectarPop3();
}

void SesionCorreo::desconectarPop3() {
    if (m_pop3->Connected()) {
        try {
            m_pop3->Disconnect();
        } catch (const std::exception&) {
            onPop3Disconnect();
        }
    } else {
        onPop3Disconnect();
    }
}

void SesionCorreo::onPop3Disconnect() {
    m_timerPop3->stop();
    m_receivePending = false;
    if (!m_pop3Disconnected) log(mailfiles::LogEvents::disconnectedFromPopHost());
    m_pop3Disconnected = true;
}

void SesionCorreo::timerPop3() {
    if (--m_receiveMinutesLeft != 0) return;
    m_timerPop3->stop();
    m_receivePending = false;
    log(mailfiles::LogEvents::popTimedOut());
    m_popStepPending = false;
    limitar(m_pop3, 0);
}

// ---- Finish ----

void SesionCorreo::finish() {
    if (m_finishing) return; // once only, also when Close is chosen during a wait
    if (m_running) {
        // Chosen while the session waits somewhere inside a phase: every wait is
        // ended now, the phases unwind, and the session's own end runs Finish,
        // so lines logged on the way still reach the log file.
        m_abort = true;
        m_sendPending = m_receivePending = false;
        m_messagePending = m_popStepPending = false;
        m_timerSmtp->stop();
        m_timerPop3->stop();
        m_smtp->Cancel();
        m_pop3->Cancel();
        m_guard->start();
        return;
    }
    m_finishing = true;
    // A last QUIT gets one minute of the phase clock at most (none after Close).
    if (m_smtp->Connected()) {
        limitar(m_smtp, msPorMinuto);
        try {
            m_smtp->Disconnect();
        } catch (const std::exception&) {
        }
        sinLimite();
    }
    if (m_pop3->Connected()) {
        limitar(m_pop3, msPorMinuto);
        try {
            m_pop3->Disconnect();
        } catch (const std::exception&) {
        }
        sinLimite();
    }
    if (m_weDialed) {
        try {
            if (m_ras->HangUp() == 0)
                log(mailfiles::LogEvents::disconnectedFrom(m_perfil.conexionNombre));
            else
                log(mailfiles::LogEvents::unableToDisconnectFrom(m_perfil.conexionNombre));
            QThread::sleep(static_cast<unsigned long>(pausaColgar));
        } catch (...) {
        }
    }
    m_guard->stop();
    escribirEstado();
    m_logFile.terminar();
    m_finished = true;
    emit finalizada();
}

// ---- Outcome for the reminder program ----

void SesionCorreo::motivoEnvio(const QString& evento) {
    if (m_motivoEnvio.isEmpty()) m_motivoEnvio = evento.trimmed();
}

void SesionCorreo::escribirEstado() {
    // Told only for a session that was asked to send: per queue file sent,
    // refused with the server's words, or not tried and why.
    if (!m_orden.enviar) return;
    const QStringList pendientes = mailfiles::ListarEmailSaliente(m_folders.dirMail);
    if (!m_smtpConectado && !pendientes.isEmpty())
        m_estado.motivoSesion =
            m_motivoEnvio.isEmpty() ? QStringLiteral("the session ended before sending") : m_motivoEnvio;
    for (const QString& ruta : pendientes) {
        const QString nombre = QFileInfo(ruta).fileName();
        const bool anotado =
            std::any_of(m_estado.archivos.cbegin(), m_estado.archivos.cend(),
                        [&](const mailfiles::EstadoArchivo& a) { return a.archivo == nombre; });
        if (!anotado)
            m_estado.anotar(ruta, mailfiles::ResultadoEnvio::NoIntentado,
                            m_motivoEnvio.isEmpty() ? QStringLiteral("the session ended before sending it")
                                                    : m_motivoEnvio);
    }
    mailfiles::EscribirEstadoSesion(m_folders.dirTemp, m_estado);
}

// ---- Events of the components ----

void SesionCorreo::wire() {
    using namespace mailfiles;
    // The phase watchdogs run from the start of a phase to its end (see
    // faseEnvio/faseRecepcion): no event switches them off, so a wait that
    // follows an event (DATA after a refused RCPT, QUIT after a refused HELO,
    // the rest of a LIST answer) is covered too.
    m_smtp->OnConnect = [this](TSmtpClient*) {
        m_smtpConectado = true;
        log(LogEvents::connectedToSmtpHost());
        bucleEnvio();
    };
    m_smtp->OnSuccess = [this](TSmtpClient*) {
        m_messagePending = false;
        m_messageSent = m_deleteQueued = true;
    };
    m_smtp->OnFailure = [this](TSmtpClient*) { m_messagePending = m_messageSent = m_deleteQueued = false; };
    m_smtp->OnRecipientNotFound = [this](TSmtpClient*, const QString& entry) {
        m_messagePending = m_messageSent = m_deleteQueued = false;
        m_destinatarioRechazado = entry;
        m_respuestaRechazo = QString::fromLatin1(m_smtp->LastReply()).trimmed();
    };
    m_smtp->OnHeaderIncomplete = [this](TSmtpClient*, bool& handled, int) {
        handled = false;
        m_messagePending = m_deleteQueued = false;
    };
    m_smtp->OnInvalidHost = [this](TSockClient*, bool& handled) {
        log(LogEvents::smtpHostNotFound());
        motivoEnvio(LogEvents::smtpHostNotFound());
        handled = false;
        m_sendPending = false;
    };
    m_smtp->OnAuthenticationFailed = [this](TSmtpClient*, bool& handled) {
        log(LogEvents::smtpAuthenticationFailed());
        motivoEnvio(LogEvents::smtpAuthenticationFailed());
        handled = false;
    };
    m_smtp->OnConnectionFailed = [this](TSockClient*) {
        log(LogEvents::smtpConnectionFailed());
        motivoEnvio(LogEvents::smtpConnectionFailed());
    };
    m_smtp->OnDisconnect = [this](TSockClient*) { onSmtpDisconnect(); };

    m_pop3->OnConnect = [this](TPop3Client*) {
        if (!m_receivePending || m_abort) return; // the phase ended (timed out, closed) during the login
        log(LogEvents::connectedToPopHost());
        bucleRecepcion();
    };
    m_pop3->OnList = [this](TPop3Client*, int msg, int) {
        // Only numbers of this mailbox, each once: a server's list is not trusted further.
        if (msg < 1 || msg > m_pop3->MailCount() || m_messages.contains(msg)) return;
        m_messages << msg;
        ++m_receivedCount;
        if (m_receivedCount >= m_pop3->MailCount()) m_popStepPending = false;
    };
    m_pop3->OnRetrieveEnd = [this](TPop3Client*) { m_popStepPending = false; };
    m_pop3->OnInvalidHost = [this](TSockClient*, bool& handled) {
        m_receivePending = false;
        log(LogEvents::popHostNotFound());
        handled = false;
    };
    m_pop3->OnAuthenticationFailed = [this](TSockClient*, bool& handled) {
        m_receivePending = false;
        log(LogEvents::popAuthenticationFailed());
        handled = false;
    };
    m_pop3->OnConnectionFailed = [this](TSockClient*) {
        m_receivePending = false;
        log(LogEvents::popConnectionFailed());
    };
    m_pop3->OnDisconnect = [this](TSockClient*) { onPop3Disconnect(); };

    connect(m_ras, &TDialUp::OnDialing, this, [this] { log(LogEvents::dialing(m_ras->Entry)); });
    connect(m_ras, &TDialUp::OnConnect, this, [this] {
        log(LogEvents::connectedTo(m_ras->Entry));
        m_dialFinished = m_dialConnected = true;
    });
    auto failed = [this](int, const QString& text) {
        log(LogEvents::dialUpText(text));
        m_dialFinished = true;
        m_dialConnected = false;
    };
    connect(m_ras, &TDialUp::OnNotConnected, this, failed);
    connect(m_ras, &TDialUp::OnError, this, failed);
    connect(m_ras, &TDialUp::OnAsyncEvent, this, [this](int, int error, const QString& text) {
        QCoreApplication::processEvents();
        log(LogEvents::dialUpText(text));
        if (error != 0) {
            m_dialFinished = true;
            m_dialConnected = false;
        }
        if (text == QLatin1String("Connected")) m_dialFinished = m_dialConnected = true;
    });
    connect(m_ras, &TDialUp::OnActiveConnection, this,
            [this](quint32, const dialup::ConnectionStatus&, const QString&, const QString& entryName,
                   const QString&, const QString&) { m_activeConnections << entryName; });
}
