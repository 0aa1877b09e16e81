#include "profiles/MailPasswords.h"

#include <QDir>
#include <QSet>
#include <QStandardPaths>

namespace MailPasswords {

SecretStore store() {
    // The file is only where a keyring that just answered went away in the middle of a save:
    // such a password is taken out of it again and kept in QV.PFS.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        QStringLiteral("/Orbalinder");
    QDir().mkpath(dir);
    return SecretStore(QStringLiteral("Orbalinder"), dir + QStringLiteral("/mail-passwords"));
}

QString key(const EntradaSeguridad& e) {
    return QStringLiteral("smtp %1 %2").arg(e.email, e.servidorSMTP);
}

bool keyringAvailable() {
    return store().keyringAvailable();
}

void keep(QList<EntradaSeguridad>& entries, const QList<EntradaSeguridad>& before) {
    SecretStore secrets = store();
    QSet<QString> kept;
    bool asked = false, available = false;
    for (EntradaSeguridad& e : entries) {
        AjustesSeguridad& a = e.ajustes;
        if (!a.passwdEnLlavero) continue;
        if (!asked) {
            available = secrets.keyringAvailable();
            asked = true;
        }
        if (available && secrets.write(key(e), a.passwdSMTP) &&
            secrets.where() == SecretStore::Where::Keyring) {
            kept.insert(key(e));
            continue;
        }
        if (available) secrets.remove(key(e));
        a.passwdEnLlavero = false; // kept in the file
    }
    for (const EntradaSeguridad& e : before)
        if (e.ajustes.passwdEnLlavero && !kept.contains(key(e))) secrets.remove(key(e));
}

bool fill(QList<EntradaSeguridad>& entries, QString* error) {
    SecretStore secrets = store();
    bool all = true;
    for (EntradaSeguridad& e : entries) {
        if (!e.ajustes.passwdEnLlavero) continue;
        QString why;
        const std::optional<QString> secret = secrets.read(key(e), &why);
        if (secret && secrets.where() == SecretStore::Where::Keyring) {
            e.ajustes.passwdSMTP = *secret;
            continue;
        }
        e.ajustes.passwdSMTP.clear();
        if (all && error)
            *error = !why.isEmpty() ? why
                     : secret || !secrets.keyringAvailable()
                         ? QStringLiteral("no keyring answers")
                         : QStringLiteral("it holds none for %1").arg(e.email);
        all = false;
    }
    return all;
}

} // namespace MailPasswords
