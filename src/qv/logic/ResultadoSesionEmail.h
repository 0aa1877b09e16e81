#pragma once
// The reminder program's side of the mail client's session outcome: it takes
// the status file the client left in TEMP/ once the client has ended, holds
// back the queue files that session could not send (they are tried again at
// the next periodic check or by hand, not at every tick) and words the message
// that tells a failed session once. No widgets.
#include "mailfiles/SessionStatus.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class ResultadoSesionEmail {
public:
    // Takes (reads and removes) the status file when there is one. The files
    // the session did not send are held from then on (when the session could not
    // run at all, every file queued then). Returns the outcome when the session
    // failed and its failures differ from the last ones told, so that the same
    // failure repeated at every check is told once.
    std::optional<mailfiles::EstadoSesion> recoger(const QString& dirTemp, const QString& dirMail);
    // True when a queue file waits that is not held: new, or written again
    // since the session that failed on it.
    bool hayEmailNuevo(const QString& dirMail) const;
    // The held files go with the next run (a periodic check or a manual one).
    void soltar() { m_retenidos.clear(); }
    // Descriptions of the reminders whose held files still wait (for the tray hint).
    QStringList avisosRetenidos(const QString& dirMail) const;

private:
    QSet<QString> m_retenidos; // file names
    QDateTime m_momento;       // the status file's time: files changed later are new
    QStringList m_ultimoContado;
};

// "Dentist_7.OUT" -> "Dentist" (the reminder's description as it stands in the name).
QString AvisoDeArchivoEmail(const QString& nombreArchivo);

// The message for a failed session: per unsent file, which reminder (and,
// with several active `archivosAvisos`, which reminders file it came from),
// which recipient and the reason; then when it will be tried again.
QString TextoSesionEmailFallida(const mailfiles::EstadoSesion& estado, bool revisionPeriodica,
                                const QStringList& archivosAvisos = {});
