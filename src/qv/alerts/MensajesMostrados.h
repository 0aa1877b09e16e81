#pragma once
// The shown-messages log MAIL/QV_MSGS.TXT: one entry per alert that closed by
// itself, unattended. Windows-1252, CR LF.
#include <QString>
#include <QStringList>

// Appends the entry of one alert (its caption and the lines of its text). When
// the log does not exist it is created with its header, and this alert's entry
// is written too (nothing is lost on the first unattended alert).
// Returns false when the log could not be written.
bool RegistrarMensajeMostrado(const QString& caption, const QStringList& lines);

// The guard that marks the one entry being written.
bool LogGuardTaken();
void ResetLogGuard();
