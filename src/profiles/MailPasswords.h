#pragma once
// The profiles' SMTP passwords in the desktop keyring, offered by the
// preferences in place of QV.PFS: the same keyring (service "Orbalinder") as the
// calendar accounts, one key per profile's address and SMTP server. Where no
// keyring runs a password stays in QV.PFS (owner-only).
#include "platform/secrets/SecretStore.h"
#include "profiles/SeguridadPerfiles.h"

#include <QList>
#include <QString>

namespace MailPasswords {

SecretStore store();
QString key(const EntradaSeguridad& entry);
// Whether a keyring answers now (one lookup on the session bus).
bool keyringAvailable();

// Before QV.PFS is written: every entry that asks for the keyring puts its
// password there; one the keyring does not take keeps it in the file (its flag
// cleared). Keys of `before` (the file as it was) that no entry keeps in the
// keyring any more are removed from it.
void keep(QList<EntradaSeguridad>& entries, const QList<EntradaSeguridad>& before);
// The passwords of the entries that keep theirs in the keyring. False with the
// reason when one cannot be had (its password stays empty).
bool fill(QList<EntradaSeguridad>& entries, QString* error = nullptr);

} // namespace MailPasswords
