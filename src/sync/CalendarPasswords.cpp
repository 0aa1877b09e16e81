#include "sync/CalendarPasswords.h"

#include <QDir>
#include <QStandardPaths>

namespace CalendarPasswords {

SecretStore store() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        QStringLiteral("/Orbalinder");
    QDir().mkpath(dir);
    return SecretStore(QStringLiteral("Orbalinder"), dir + QStringLiteral("/calendar-passwords"));
}

QString key(const QString& server, const QString& user) {
    return QStringLiteral("caldav %1 %2").arg(server, user);
}

} // namespace CalendarPasswords
