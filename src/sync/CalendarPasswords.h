#pragma once
// Where calendar account passwords are kept: the desktop keyring under
// "Orbalinder", one key per server and user; where no keyring runs, an
// owner-only file in the user's configuration folder.
#include "platform/secrets/SecretStore.h"

#include <QString>

namespace CalendarPasswords {
SecretStore store();
QString key(const QString& server, const QString& user);
} // namespace CalendarPasswords
