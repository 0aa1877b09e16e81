#pragma once
// The shown-messages log "QV_MSGS.TXT" in the mail folder: one entry per alert that
// closed itself unattended. Windows-1252 text, CR LF line ends, oldest entry first.
#include <QDateTime>
#include <QString>
#include <QStringList>

class QWidget;

inline constexpr const char* kArchivoMensajesMostrados = "QV_MSGS.TXT";
inline constexpr const char* kCabeceraMensajesMostrados =
    "# Messages file created by Norvo Orbalinder 2.0. DO NOT RENAME!";

// "dd/mmm/yyyy hh:mm am/pm" with the locale's short month name and its date and
// time separators; 12-hour clock, 12 for noon and midnight.
QString FechaMensajeMostrado(const QDateTime& at);

// The bytes of one entry, shown at `at`, from the caption and the text lines
// (empty lines are left out).
QByteArray EntradaMensajeMostrado(const QDateTime& at, const QString& caption, const QStringList& lines);

// Appends one entry to `path`. A missing log is created with its header and then
// also gets this entry. False when the file cannot be written.
bool EscribirMensajeMostrado(const QString& path, const QDateTime& at, const QString& caption,
                             const QStringList& lines);

// Logs an alert window (its caption and the lines of its `TextoAviso`) in the mail
// folder's log at the injectable clock's time. False when the log cannot be written.
bool RegistrarMensajeMostrado(const QWidget& window);

// True only while an entry is being written.
bool GuardaRegistroMensajes();
