#pragma once
// The mail client's session log: each event becomes a line "+ <time><text>",
// kept for the session and, at its end, appended under a dated header to
// TEMP/QV_LOG.TXT. Also the texts for SMTP reply codes.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class SessionLog {
public:
    // `shown` receives every line as it is made (the window's log).
    explicit SessionLog(std::function<void(const QString&)> shown = {}) : m_shown(std::move(shown)) {}

    // Adds one event (its text begins with a blank); never fails.
    void LogLine(const QString& eventText);
    const QStringList& lines() const { return m_lines; }

    // Appends the session block to `path` at `ahora`; false on a write error
    // (what was written stays).
    bool escribir(const QString& path, const QDateTime& ahora) const;

    static QString linea(const QDateTime& at, const QString& eventText);

private:
    std::function<void(const QString&)> m_shown;
    QStringList m_lines;
};

// "Error <code> - <meaning>" for an SMTP reply code.
QString TextoRespuesta(int code);
