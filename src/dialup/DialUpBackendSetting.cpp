// The dial-up backend setting, one value of the program's settings key.
#include "dialup/DialUpBackendSetting.h"

#include "platform/SettingsStore.h"
#include "settings/Ajustes.h"

namespace {
const QString kValueName = QStringLiteral("DialUpBackend");
}

QString dialUpBackendName() {
    try {
        auto key = Ajustes::abrirClave(false);
        if (key && key->exists(kValueName)) {
            const QString name = key->readString(kValueName).trimmed();
            if (!name.isEmpty()) return name;
        }
    } catch (const std::exception&) {
        // an unreadable value falls back like a missing one
    }
    return QStringLiteral("simulated");
}

void setDialUpBackendName(const QString& name) {
    Ajustes::abrirClave(true)->writeString(kValueName, name);
}
