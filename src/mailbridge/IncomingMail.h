#pragma once
// Incoming mail files MAIL/<stamp>.IN, written by the mail client for each
// reminder another installation sent, shown and deleted by the reminder
// program, and the received-mail log MAIL/QV_EMAIL.TXT.
#include <QDateTime>
#include <QString>
#include <QStringList>

// Writes one incoming file; the name is the clock reading as a day count, made
// unique with a suffix when two messages arrive within one reading.
// Returns the path, or empty when the file could not be written.
QString EscribirEmailRecibido(const QString& dirMail, const QString& from, const QStringList& cuerpo,
                              const QDateTime& ahora);

bool HayEmailRecibido(const QString& dirMail);
QStringList ListaEmailRecibido(const QString& dirMail); // full paths, in name order

struct EmailRecibido {
    QString from;        // the line after "--- From ---" (else the first line)
    QStringList cuerpo;  // every line after "--- Body ---" (else from the first line)
};
// False when the file cannot be read or is empty.
bool CargarEmailRecibido(const QString& ruta, EmailRecibido& mail);

// What the mail alert shows for one mail: "From: ...", the body up to the
// "----------" line without empty lines, then the end marker.
QStringList LineasAlerta(const EmailRecibido& mail);

// Appends one entry to the received-mail log at `ahora`. A missing log is
// created with its header and also gets this entry. False on a write error.
bool RegistrarEmailRecibido(const QString& dirMail, const EmailRecibido& mail, const QDateTime& ahora);
