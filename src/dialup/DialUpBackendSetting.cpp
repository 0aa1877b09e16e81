// The dial-up backend setting, the row DialUpBackend of the settings table.
#include "dialup/DialUpBackendSetting.h"

#include "settings/Ajustes.h"

QString dialUpBackendName() {
    const QString name = Ajustes::dialUpBackend().trimmed();
    return name.isEmpty() ? QStringLiteral("simulated") : name;
}

void setDialUpBackendName(const QString& name) {
    Ajustes::setDialUpBackend(name);
}
