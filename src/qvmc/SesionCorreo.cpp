// The mail session from top to bottom: its stages (pasoDe), the preparation,
// the connection step and Finish. The phases are in SesionFases.cpp, the send
// loop in SesionEnvio.cpp, the receive loop in SesionRecepcion.cpp.
#include "qvmc/SesionCorreo.h"

#include "dialup/DialUp.h"
#include "mail/codec/MailText.h"
#include "mail/pop3/Pop3Client.h"
#include "mail/smtp/SmtpClient.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/LogEvents.h"
#include "mailfiles/MailFileText.h"
#include "mailfiles/OutgoingMail.h"
#include "mailfiles/SessionStatus.h"
#include "profiles/ArchivoPerfiles.h"
#include "profiles/SeguridadPerfiles.h"
#include "settings/Ajustes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {
// A size setting in MB as bytes; a value not above 0 counts as the row's default.
qint64 bytesDeMegas(Ajustes::Id id, qint32 mb) {
    return qint64(mb > 0 ? mb : Ajustes::descripcion(id).defecto.entero) * 1024 * 1024;
}

// A profile text that would carry control bytes (a NUL, or a length byte past
// its text) into a command line.
bool textoUsable(const QString& texto) {
    for (QChar c : texto)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    return true;
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
    prepararFases();
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
    m_envio.reloj->start(); // running when the window is made; the preparation stops them
    m_recepcion.reloj->start();
    wireSmtp();
    wirePop3();
    wireRas();
}

SesionCorreo::~SesionCorreo() = default;

void SesionCorreo::log(const QString& evento) {
    anotar(m_lines.LogLine(evento));
}

void SesionCorreo::log(const QString& evento, const QDateTime& momento) {
    anotar(m_lines.LogLine(evento, momento.time()));
}

void SesionCorreo::anotar(const QString& line) {
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

// ---- Stages ----

void SesionCorreo::ejecutar() {
    m_running = true;
    try {
        for (Etapa etapa = Etapa::Preparacion; etapa != Etapa::Fin;)
            etapa = pasoDe(etapa);
    } catch (...) {
        // Whatever went wrong, Finish still runs: the session log is written and the marker goes.
    }
    m_running = false;
    finish();
}

SesionCorreo::Etapa SesionCorreo::pasoDe(Etapa etapa) {
    switch (etapa) {
    case Etapa::Preparacion:
        return preparar() ? Etapa::Conexion : Etapa::Fin;
    case Etapa::Conexion:
        if (!pasoConexion()) return Etapa::Fin;
        esperar([this] { return m_dialFinished; });
        return m_dialConnected && !cortada() ? Etapa::Envio : Etapa::Fin;
    case Etapa::Envio:
        if (m_envio.pendiente && hayCola()) {
            ejecutarFase(m_envio);
            esperar([this] { return !m_envio.pendiente; });
        }
        return cortada() ? Etapa::Fin : Etapa::Recepcion;
    case Etapa::Recepcion:
        if (m_recepcion.pendiente) {
            ejecutarFase(m_recepcion);
            esperar([this] { return !m_recepcion.pendiente; });
        }
        return Etapa::Fin;
    case Etapa::Fin:
        break;
    }
    return Etapa::Fin;
}

// ---- Preparation ----

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

    m_envio.pendiente = m_orden.enviar;
    m_recepcion.pendiente = m_orden.recibir;
    m_envio.minutosRestantes = m_recepcion.minutosRestantes = m_orden.minutos;
    for (const QString& evento : m_orden.eventos)
        log(evento);
    leerCamposPerfil();

    // The profile's security (QV.PFS): a profile that lost its entry sends nothing in clear.
    const SeguridadActiva seguridad = LeerSeguridadActiva(rutaPerfiles, perfiles);
    if (seguridad.estado == SeguridadActiva::Perdidos && (m_envio.pendiente || m_recepcion.pendiente)) {
        log(mailfiles::LogEvents::statusText(seguridad.motivo));
        motivoEnvio(seguridad.motivo);
        m_envio.pendiente = m_recepcion.pendiente = false;
    }
    prepararClientes(seguridad);
    m_envio.reloj->stop();
    m_recepcion.reloj->stop();
    return true;
}

void SesionCorreo::leerCamposPerfil() {
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
        if (m_envio.pendiente && (!textoUsable(valor) || remitenteMalo)) {
            log(mailfiles::LogEvents::unusableProfileField(nombre));
            motivoEnvio(mailfiles::LogEvents::unusableProfileField(nombre));
            m_envio.pendiente = false;
        }
    }
    for (const auto& [nombre, valor] : camposRecepcion) {
        if (m_recepcion.pendiente && !textoUsable(valor)) {
            log(mailfiles::LogEvents::unusableProfileField(nombre));
            m_recepcion.pendiente = false;
        }
    }
}

void SesionCorreo::prepararClientes(const SeguridadActiva& seguridad) {
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
    // The largest message fetched, and what one session may write to MAIL/Attachments.
    m_maxMailBytes = bytesDeMegas(Ajustes::Id::MaxMailSize, Ajustes::maxMailSize());
    // Counted on what arrives, whatever LIST announced; and strangers cannot fill the disk.
    m_pop3->MaxMessageBytes = m_maxMailBytes;
    m_pop3->MaxAttachmentBytes = bytesDeMegas(Ajustes::Id::MaxAttachmentsSize, Ajustes::maxAttachmentsSize());
}

// ---- Connection step ----

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

// ---- Finish ----

void SesionCorreo::finish() {
    if (m_finishing) return; // once only, also when Close is chosen during a wait
    if (m_running) {
        // Chosen while the session waits somewhere inside a phase: every wait is
        // ended now, the phases unwind, and the session's own end runs Finish,
        // so lines logged on the way still reach the log file.
        m_abort = true;
        m_envio.pendiente = m_recepcion.pendiente = false;
        m_envio.reloj->stop();
        m_recepcion.reloj->stop();
        m_smtp->Cancel();
        m_pop3->Cancel();
        m_guard->start();
        return;
    }
    m_finishing = true;
    // A last QUIT gets one minute of the phase clock at most (none after Close).
    for (TSockClient* client : {static_cast<TSockClient*>(m_smtp), static_cast<TSockClient*>(m_pop3)}) {
        if (!client->Connected()) continue;
        limitar(client, msPorMinuto);
        try {
            client->Disconnect();
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
    if (!m_envio.conectada && !pendientes.isEmpty())
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
