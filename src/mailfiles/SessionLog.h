#pragma once
// The mail client's session log: one line per session event, kept for the
// whole session and appended at its end, under a dated header, to TEMP/QV_LOG.TXT.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

class QFile;

namespace mailfiles {

inline constexpr const char* kNombreLogSesion = "QV_LOG.TXT";
inline constexpr const char* kFinSesion = "__________ End of Session __________";
// The log window shows at most this many of the latest lines.
inline constexpr int kMaxLineasMemoLog = 100;

// "+ " + the time in the system's long time format + the event text (which
// begins with its own blank): "+ 10:42:17 Connecting to SMTP host".
QString FormatearLineaLog(const QString& evento, const QTime& hora);

// "dd-mmm-yyyy hh:mm:ss am/pm": two-digit day, the locale's short month name,
// four-digit year, 12-hour clock (12 for noon and midnight) with the locale's
// time separator, "am" or "pm".
QString SelloSesion(const QDateTime& momento);

// `SessionLines`: every line of one session, in order.
class SessionLines {
public:
    // Builds the line for `evento` at the clock's now, keeps it and returns it
    // so the window can show it too. Never throws.
    QString LogLine(const QString& evento) noexcept;
    // The same at `hora`, a reading of the clock the caller has just made.
    QString LogLine(const QString& evento, const QTime& hora) noexcept;
    const QStringList& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
    QTime m_segundo;  // of the last line
    QString m_inicio; // "+ " and that second's time
};

// The lines one session adds to the log file. For a new file: the header
// "# Mail log created by Norvo Orbalinder 2.0 on <short date>[ <long time>]
// DO NOT RENAME!" (the time left out at exactly midnight) and an empty line;
// for an existing one: an empty line. Then the session header with SelloSesion,
// an empty line, the session's lines and the end line.
QStringList BloqueLogSesion(const QStringList& lineas, const QDateTime& momento, bool archivoNuevo);

// Appends one session block to dirTemp/QV_LOG.TXT (created when missing) in one
// write, dated at the clock's now. False when it could not be written.
bool EscribirLogSesion(const QString& dirTemp, const QStringList& lineas);

// One session's block of dirTemp/QV_LOG.TXT written as the session goes: the
// opening (as BloqueLogSesion, dated when the first line comes) and each line
// at once, the end line at the end; a session that is killed still leaves
// every line it made. A failed write is tried again with the next line.
class LogSesionEnCurso {
public:
    explicit LogSesionEnCurso(QString dirTemp);
    ~LogSesionEnCurso();
    bool linea(const QString& linea);
    // The end line (the opening first when no line came); once.
    bool terminar();

private:
    // Writes the pending lines (the opening before the first) to the file,
    // opened once and kept open; false leaves them pending.
    bool escribir();
    QString m_dirTemp;
    QStringList m_pendientes; // lines not written yet (a write failed)
    std::unique_ptr<QFile> m_archivo;
    bool m_abierto = false; // the opening is written
    bool m_terminado = false;
};

} // namespace mailfiles
