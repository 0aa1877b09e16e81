#include "settings/ProgramFolders.h"

#include "platform/SettingsStore.h"

#include <QDir>

namespace {
QString withSeparator(QString path) {
    if (!path.endsWith(u'/')) path += u'/';
    return path;
}
} // namespace

QString ObtenerDirPrograma() {
    const QString machine = Hives::machineHivePath();
    if (!machine.isEmpty()) {
        FileSettingsStore store(machine, kAppPathsKey, /*readOnly=*/true);
        const auto v = store.value("Path");
        if (v && v->type == SettingType::String && !v->text.isEmpty()) return withSeparator(v->text);
    }
    return withSeparator(QDir::currentPath());
}

ProgramFolders ProgramFolders::from(const QString& dirPrograma) {
    ProgramFolders f;
    f.dirPrograma = withSeparator(dirPrograma);
    f.dirMail = f.dirPrograma + "MAIL/";
    f.dirTemp = f.dirPrograma + "TEMP/";
    return f;
}

void ProgramFolders::createWorkFolders() const {
    QDir().mkpath(dirMail);
    QDir().mkpath(dirTemp);
}

ProgramFolders& ProgramFolders::global() {
    static ProgramFolders folders;
    return folders;
}
