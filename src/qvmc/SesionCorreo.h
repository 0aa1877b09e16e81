#pragma once
// One mail session of the mail client, as a machine of stages: preparation
// from the active profile and the command line, the connection step (dial-up
// when the profile asks for it), the send phase (every queued outgoing file
// over SMTP), the receive phase (the system's messages over POP3 into incoming
// files) and Finish, which runs once however the session ends. One function
// moves the session from stage to stage (pasoDe); each phase is the same kind
// of object for both protocols (FaseCorreo). No widgets: every step is told to the log.
#include "mailfiles/MailClientCommandLine.h"
#include "mailfiles/OutgoingMail.h"
#include "mailfiles/SessionLog.h"
#include "mailfiles/SessionStatus.h"
#include "profiles/RegistroPerfiles.h"
#include "settings/ProgramFolders.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>

class TDialUp;
class QTimer;
class TPop3Client;
class TSmtpClient;
class TSockClient;
struct SeguridadActiva;

class SesionCorreo : public QObject {
    Q_OBJECT
public:
    // `shown` receives every log line as it is made (the window's log).
    SesionCorreo(ProgramFolders folders, mailfiles::LineaComandos orden,
                 std::function<void(const QString&)> shown, QObject* parent = nullptr);
    ~SesionCorreo() override;

    // Runs the whole session, Finish included.
    void ejecutar();
    // Ends the session (the window's Close command may call it during a wait:
    // then every server wait is cancelled and Finish runs as soon as the
    // session has unwound); runs once: a second call does nothing.
    void finish();
    bool terminada() const { return m_finished; }
    const QStringList& lineas() const { return m_lines.lines(); }

    // Milliseconds per minute of the phase time-outs (shorter in tests).
    static inline int msPorMinuto = 60000;
    // Seconds to wait after hanging up a connection this session dialed.
    static inline int pausaColgar = 5;

    // The footer added to every message sent.
    static QStringList pie();

    TSmtpClient* smtp() const { return m_smtp; }
    TPop3Client* pop3() const { return m_pop3; }
    TDialUp* ras() const { return m_ras; }

signals:
    void finalizada();

private:
    // The stages, in the order a session runs them.
    enum class Etapa { Preparacion, Conexion, Envio, Recepcion, Fin };
    // Where the message at hand stands: a queue file on its way out.
    enum class EstadoMensaje {
        EnCurso,  // its exchange with the server has not ended
        Enviado,  // the server took it: it leaves the queue
        NoEnviado // refused, failed or stopped: it stays for the next session
    };
    // One phase of the session (send over SMTP, receive over POP3): its
    // client, its watchdog with the minutes left, and the lines it logs.
    struct FaseCorreo {
        TSockClient* cliente = nullptr;
        QTimer* reloj = nullptr;                 // one tick per minute spent in the phase
        void (SesionCorreo::*bucle)() = nullptr; // the phase's work, once connected
        bool pendiente = false;                  // asked for and not ended
        quint8 minutosRestantes = 1;
        bool conectada = false;    // the client's connect event came
        bool desconectada = false; // its end was told
        bool enTrabajo = false;    // its work runs: the end is told once the work is over
        bool anotaMotivo = false;  // its failures say why the queue was not sent
        QString (*conectando)() = nullptr;
        QString (*desconectado)() = nullptr;
        QString (*agotada)() = nullptr;
        QString (*seguridadFallida)(const QString&) = nullptr;
    };

    // The one place where the session moves on: runs `etapa`, returns the next.
    Etapa pasoDe(Etapa etapa);
    bool cortada() const { return m_finished || m_abort; }

    bool preparar();
    void leerCamposPerfil();
    void prepararClientes(const SeguridadActiva& seguridad);
    bool pasoConexion();

    // The two phases: client, watchdog and log lines of each.
    void prepararFases();
    // The common course of a phase: connect (its work runs once the client's
    // connect event came), then the disconnect step.
    void ejecutarFase(FaseCorreo& fase);
    void falloConexion(FaseCorreo& fase, const std::exception_ptr& error);
    // A failure the client told by an event: logged, and the phase ends.
    void falloFase(FaseCorreo& fase, const QString& evento);
    // QUIT when connected, else the disconnect handler at once.
    void desconectar(FaseCorreo& fase);
    void alDesconectar(FaseCorreo& fase);
    void minutoFase(FaseCorreo& fase);

    // Counts the queue files; with none the send phase ends here, unconnected.
    bool hayCola();
    void bucleEnvio();
    void enviarMensaje(qsizetype i);
    void siguienteSobre(qsizetype i);
    enum class Carga { Cargado, Ilegible, DestinatarioInvalido };
    Carga cargarMensaje(const QString& ruta);
    // The queue file as read the last time this path was asked for (read now otherwise).
    const mailfiles::ResultadoCarga& leerMensaje(const QString& ruta);

    // The receive phase's steps (SesionRecepcion.cpp).
    void bucleRecepcion();
    void listar();
    // The listed messages of the system's subject within the size bound.
    QList<int> resumir();
    // Fetches `nuestros`; those whose file was kept.
    QList<int> recibir(const QList<int>& nuestros);
    enum class Recibido {
        Guardado, // its file is kept: it is deleted on the server
        Dejado,   // it stays on the server (refused, past a bound, not written)
        Fin       // nothing more comes: the connection ended or the phase was cut
    };
    Recibido recibirMensaje(int m);
    void borrar(const QList<int>& guardados);
    // Timed out, or closed: a connection that ended is not a cut (its replies count).
    bool recepcionCortada() const;
    // A reading of the clock: a fresh one when asked or when the last is older than a moment.
    QDateTime momento(bool nuevo = false);

    // Waits in the event loop (the phase timers keep running) until `done`.
    void esperar(const std::function<bool()>& done);
    // Cancels `client` once `ms` have gone by (and again until its call returns).
    void limitar(TSockClient* client, qint64 ms);
    void sinLimite();
    void wireSmtp();
    void wirePop3();
    void wireRas();
    void log(const QString& evento);
    // The same at `momento`, a reading of the clock just made.
    void log(const QString& evento, const QDateTime& momento);
    void anotar(const QString& line);
    // The first reason the send phase could not send, kept for the status file.
    void motivoEnvio(const QString& evento);
    void escribirEstado();

    ProgramFolders m_folders;
    mailfiles::LineaComandos m_orden;
    std::function<void(const QString&)> m_shown;
    mailfiles::SessionLines m_lines;
    mailfiles::LogSesionEnCurso m_logFile;
    Perfil m_perfil;
    int m_perfilActivo = 0;

    TSmtpClient* m_smtp = nullptr;
    TPop3Client* m_pop3 = nullptr;
    TDialUp* m_ras = nullptr;
    FaseCorreo m_envio, m_recepcion;
    QTimer* m_guard = nullptr;
    TSockClient* m_guardTarget = nullptr;
    QDeadlineTimer m_guardDeadline;

    bool m_dialFinished = false, m_dialConnected = false, m_weDialed = false;
    EstadoMensaje m_mensaje = EstadoMensaje::NoEnviado;
    int m_queuedCount = 0, m_receivedCount = 0;
    QStringList m_activeConnections, m_fileList;
    QString m_rutaLeida;
    mailfiles::ResultadoCarga m_cargaLeida;
    QList<int> m_messages;
    QSet<int> m_listados; // m_messages, for the check that each is listed once
    QDateTime m_lectura;  // the receive phase's last reading of the clock
    QElapsedTimer m_desdeLectura;
    bool m_finished = false, m_finishing = false;
    bool m_running = false; // inside ejecutar()
    bool m_abort = false;   // Close was chosen while the session ran
    qint64 m_maxMailBytes = 25 * 1024 * 1024;
    mailfiles::EstadoSesion m_estado; // written to TEMP/ for the reminder program at Finish
    QString m_motivoEnvio;
    QString m_destinatarioRechazado, m_respuestaRechazo; // of the current message
};
