#pragma once
// The outcome of the mail client's last send session, left in TEMP/ for the
// reminder program: per queue file, sent, refused (with the server's words) or
// not tried (and why), plus the reason when the whole session could not run.
// The mail client writes it when its session ends; the reminder program reads
// it once the client has ended, tells a failed session once and removes it.
// A session that cannot run at all (no active profile, no connection) sets
// `motivoSesion` and notes every queued file as not tried with that reason, so
// the reader can name each reminder whose mail waits.
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace mailfiles {

inline constexpr const char* kNombreEstadoSesion = "QV_MAILSTATUS.TXT";

enum class ResultadoEnvio { Enviado, Rechazado, NoIntentado };

struct EstadoArchivo {
    QString archivo; // the queue file's name, without its folder ("Dentist_7.OUT")
    ResultadoEnvio resultado = ResultadoEnvio::NoIntentado;
    QString destinatario; // the recipient the server refused, when it named one
    QString motivo;       // the server's reply line, or why the file was not tried
};

struct EstadoSesion {
    QDateTime fin;        // when the session ended (the clock's now when written)
    QString motivoSesion; // why the session could not send at all; empty when it ran
    QList<EstadoArchivo> archivos;

    // Records the outcome of one file; a later note on the same file replaces the
    // earlier one (a file refused, then not deleted, keeps the last word). `ruta`
    // may be a full path: only its name is kept.
    void anotar(const QString& ruta, ResultadoEnvio resultado, const QString& motivo = QString(),
                const QString& destinatario = QString());
    // True when the session could not run or left some file unsent.
    bool fallida() const;
    // The files that were refused or not tried, in the order they were noted.
    QList<EstadoArchivo> noEnviados() const;
};

// Writes dirTemp/QV_MAILSTATUS.TXT whole through a work file renamed over the
// old one, so a reader never sees half of it. Line breaks and tabs inside the
// texts become blanks. False (with the reason in `error` when given) when it
// could not be written; an older file is then left as it was.
bool EscribirEstadoSesion(const QString& dirTemp, const EstadoSesion& estado, QString* error = nullptr);

// Reads the file back. Tolerant: unknown or damaged lines are skipped, a missing
// end time stays invalid. nullopt when there is no such file (or it cannot be
// read, or it is not a status file at all).
std::optional<EstadoSesion> LeerEstadoSesion(const QString& dirTemp);

// Reads the file and removes it (a damaged one too), so one session is told
// once. nullopt as above.
std::optional<EstadoSesion> TomarEstadoSesion(const QString& dirTemp);

} // namespace mailfiles
