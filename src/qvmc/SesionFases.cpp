// The course of a phase, the same for sending (SMTP) and receiving (POP3):
// connect, the phase's work once connected, the disconnect step, the
// phase's minutes; and what each event of the clients and the dial-up does.
#include "qvmc/SesionCorreo.h"

#include "dialup/DialUp.h"
#include "mail/pop3/Pop3Client.h"
#include "mail/smtp/SmtpClient.h"
#include "mailfiles/LogEvents.h"
#include "net/SockErrors.h"

#include <QCoreApplication>
#include <QTimer>

void SesionCorreo::prepararFases() {
    using namespace mailfiles;
    m_envio = {m_smtp, new QTimer(this), &SesionCorreo::bucleEnvio};
    m_envio.anotaMotivo = true;
    m_envio.conectando = &LogEvents::connectingToSmtpHost;
    m_envio.desconectado = &LogEvents::disconnectedFromSmtpHost;
    m_envio.agotada = &LogEvents::smtpTimedOut;
    m_envio.seguridadFallida = &LogEvents::smtpSecurityFailed;
    m_recepcion = {m_pop3, new QTimer(this), &SesionCorreo::bucleRecepcion};
    m_recepcion.conectando = &LogEvents::connectingToPopHost;
    m_recepcion.desconectado = &LogEvents::disconnectedFromPopHost;
    m_recepcion.agotada = &LogEvents::popTimedOut;
    m_recepcion.seguridadFallida = &LogEvents::popSecurityFailed;
    m_envio.reloj->setObjectName("TimerSMTP");
    m_recepcion.reloj->setObjectName("TimerPOP3");
    for (FaseCorreo* fase : {&m_envio, &m_recepcion}) {
        fase->reloj->setInterval(msPorMinuto);
        connect(fase->reloj, &QTimer::timeout, this, [this, fase] { minutoFase(*fase); });
    }
}

void SesionCorreo::ejecutarFase(FaseCorreo& fase) {
    log(fase.conectando());
    // The phase's watchdog runs until the phase ends: every wait for the server
    // (greeting, each reply, QUIT) counts against the phase's minutes.
    fase.reloj->start();
    QCoreApplication::processEvents();
    std::exception_ptr error;
    try {
        fase.cliente->Connect();
    } catch (...) {
        error = std::current_exception();
    }
    // The work runs once the call has returned, never inside the client's event:
    // also after a failure that came once the login was done (the event still came).
    if (fase.conectada) (this->*fase.bucle)();
    if (error) falloConexion(fase, error);
    fase.reloj->stop();
    sinLimite();
}

void SesionCorreo::falloConexion(FaseCorreo& fase, const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const ETlsError& e) {
        falloFase(fase, fase.seguridadFallida(e.message()));
    } catch (const ESecurityError& e) {
        falloFase(fase, fase.seguridadFallida(e.message()));
    } catch (const std::exception&) {
        // Told by the client's events (host not found, connection or login refused).
    }
    desconectar(fase);
}

void SesionCorreo::falloFase(FaseCorreo& fase, const QString& evento) {
    fase.pendiente = false;
    log(evento);
    if (fase.anotaMotivo) motivoEnvio(evento);
}

void SesionCorreo::desconectar(FaseCorreo& fase) {
    if (fase.cliente->Connected()) {
        try {
            fase.cliente->Disconnect();
        } catch (const std::exception&) {
            alDesconectar(fase);
        }
    } else {
        alDesconectar(fase);
    }
}

void SesionCorreo::alDesconectar(FaseCorreo& fase) {
    fase.reloj->stop();
    fase.pendiente = false;
    // Told once per phase, however many ways the connection's end is reported;
    // while the phase's work still reads what came before the end, after that work.
    if (fase.enTrabajo || fase.desconectada) return;
    log(fase.desconectado());
    fase.desconectada = true;
}

void SesionCorreo::minutoFase(FaseCorreo& fase) {
    if (--fase.minutosRestantes != 0) return;
    fase.reloj->stop();
    falloFase(fase, fase.agotada());
    limitar(fase.cliente, 0); // the waiting call ends at once; its caller runs the disconnect step
}

// ---- Events of the components ----
// The phase watchdogs run from the start of a phase to its end (ejecutarFase):
// no event switches them off, so a wait that follows an event (DATA after a
// refused RCPT, QUIT after a refused HELO, the rest of a LIST answer) is covered too.

void SesionCorreo::wireSmtp() {
    using namespace mailfiles;
    m_smtp->OnConnect = [this](TSmtpClient*) {
        m_envio.conectada = true;
        log(LogEvents::connectedToSmtpHost());
    };
    m_smtp->OnSuccess = [this](TSmtpClient*) { m_mensaje = EstadoMensaje::Enviado; };
    m_smtp->OnFailure = [this](TSmtpClient*) { m_mensaje = EstadoMensaje::NoEnviado; };
    m_smtp->OnRecipientNotFound = [this](TSmtpClient*, const QString& entry) {
        m_mensaje = EstadoMensaje::NoEnviado;
        m_destinatarioRechazado = entry;
        m_respuestaRechazo = QString::fromLatin1(m_smtp->LastReply()).trimmed();
    };
    m_smtp->OnHeaderIncomplete = [this](TSmtpClient*, bool& handled, int) {
        handled = false;
        m_mensaje = EstadoMensaje::NoEnviado;
    };
    m_smtp->OnInvalidHost = [this](TSockClient*, bool& handled) {
        handled = false;
        falloFase(m_envio, LogEvents::smtpHostNotFound());
    };
    m_smtp->OnAuthenticationFailed = [this](TSmtpClient*, bool& handled) {
        handled = false;
        falloFase(m_envio, LogEvents::smtpAuthenticationFailed());
    };
    m_smtp->OnConnectionFailed = [this](TSockClient*) {
        falloFase(m_envio, LogEvents::smtpConnectionFailed());
    };
    m_smtp->OnDisconnect = [this](TSockClient*) { alDesconectar(m_envio); };
}

void SesionCorreo::wirePop3() {
    using namespace mailfiles;
    m_pop3->OnConnect = [this](TPop3Client*) {
        if (!m_recepcion.pendiente || m_abort) return; // the phase ended (timed out, closed) during the login
        m_recepcion.conectada = true;
        log(LogEvents::connectedToPopHost());
    };
    m_pop3->OnList = [this](TPop3Client*, int msg, int) {
        // Only numbers of this mailbox, each once: a server's list is not trusted further.
        if (msg < 1 || msg > m_pop3->MailCount() || m_listados.contains(msg)) return;
        m_listados.insert(msg);
        m_messages << msg;
    };
    m_pop3->OnInvalidHost = [this](TSockClient*, bool& handled) {
        handled = false;
        falloFase(m_recepcion, LogEvents::popHostNotFound());
    };
    m_pop3->OnAuthenticationFailed = [this](TSockClient*, bool& handled) {
        handled = false;
        falloFase(m_recepcion, LogEvents::popAuthenticationFailed());
    };
    m_pop3->OnConnectionFailed = [this](TSockClient*) {
        falloFase(m_recepcion, LogEvents::popConnectionFailed());
    };
    m_pop3->OnDisconnect = [this](TSockClient*) { alDesconectar(m_recepcion); };
}

void SesionCorreo::wireRas() {
    using namespace mailfiles;
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
