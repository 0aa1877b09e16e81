#pragma once
// Outgoing mail that could not be written to MAIL/ yet (the folder full or
// unwritable, a folder standing where the file would go). Each one is kept in
// memory and written at a later pass, so a reminder's e-mail is never dropped
// unseen; what is still kept when the program ends is named to the user.
#include "mailfiles/OutgoingMail.h"

#include <QList>
#include <QString>
#include <QStringList>

class ColaEmailPendiente {
public:
    // Writes the queue file; when it cannot, keeps the mail (a kept mail of the
    // same file name is replaced: a later occurrence replaces an unsent file)
    // and returns false with the reason in `error` when given.
    bool crear(const QString& dirMail, const mailfiles::EmailSaliente& email, QString* error = nullptr);
    // Writes the kept mail that can be written now, oldest first; true when
    // nothing is left. `error` gets the reason of the first one still kept.
    bool reintentar(const QString& dirMail, QString* error = nullptr);
    bool vacia() const { return m_pendientes.isEmpty(); }
    // "Description" of each reminder whose mail is kept, oldest first.
    QStringList avisos() const;

private:
    QList<mailfiles::EmailSaliente> m_pendientes;
};
