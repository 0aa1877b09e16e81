#pragma once
// One mail session of the mail client: preparation from the active profile
// and the command line, the connection step (dial-up when the profile asks for
// it), the send phase (every queued outgoing file over SMTP), the receive phase
// (the system's messages over POP3 into incoming files) and Finish, which runs
// once however the session ends. No widgets: every step is told to the log.
#include "mailfiles/MailClientCommandLine.h"
#include "mailfiles/OutgoingMail.h"
#include "mailfiles/SessionLog.h"
#include "mailfiles/SessionStatus.h"
#include "profiles/RegistroPerfiles.h"
#include "settings/ProgramFolders.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class TDialUp;
class QTimer;
class TPop3Client;
class TSmtpClient;

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
    bool preparar();
    bool pasoConexion();
    void faseEnvio();
    void bucleEnvio();
    enum class Carga { Cargado, Ilegible, DestinatarioInvalido };
    Carga cargarMensaje(const QString& ruta);
    // The queue file as read the last time this path was asked for (read now otherwise).
    const mailfiles::ResultadoCarga& leerMensaje(const QString& ruta);
    void faseRecepcion();
    void bucleRecepcion();
    void desconectarSmtp();
    void desconectarPop3();
    void onSmtpDisconnect();
    void onPop3Disconnect();
    void timerSmtp();
    void timerPop3();
    // Waits in the event loop (the phase timers keep running) until `done`.
    void esperar(const std::function<bool()>& done);
    // Cancels `client` once `ms` have gone by (and again until its call returns).
    void limitar(class TSockClient* client, qint64 ms);
    void sinLimite();
    void wire();
    void log(const QString& evento);
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
    QTimer* m_timerSmtp = nullptr;
    QTimer* m_timerPop3 = nullptr;
    QTimer* m_guard = nullptr;
    class TSockClient* m_guardTarget = nullptr;
    QDeadlineTimer m_guardDeadline;

    bool m_sendPending = false, m_receivePending = false;
    quint8 m_sendMinutesLeft = 1, m_receiveMinutesLeft = 1;
    bool m_dialFinished = false, m_dialConnected = false, m_weDialed = false;
    bool m_messagePending = false, m_messageSent = false, m_deleteQueued = false;
    bool m_popStepPending = false;
    int m_queuedCount = 0, m_receivedCount = 0;
    QStringList m_activeConnections, m_fileList;
    QString m_rutaLeida;
    mailfiles::ResultadoCarga m_cargaLeida;
    QList<int> m_messages;
    bool m_finished = false, m_finishing = false;
    bool m_running = false; // inside ejecutar()
    bool m_abort = false;   // Close was chosen while the session ran
    qint64 m_maxMailBytes = 25 * 1024 * 1024;
    mailfiles::EstadoSesion m_estado; // written to TEMP/ for the reminder program at Finish
    QString m_motivoEnvio;
    QString m_destinatarioRechazado, m_respuestaRechazo; // of the current message
    bool m_smtpConectado = false;
    bool m_smtpDisconnected = false, m_pop3Disconnected = false;
};
