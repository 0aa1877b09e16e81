#include "settings/ProgramFolders.h"

#include "core/TextCatalogue.h"
#include "platform/DurableFile.h"
#include "platform/SettingsStore.h"
#include "settings/InstalledProgram.h"

#include <QDir>
#include <QFileInfo>

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
        try {
            const auto v = store.value("Path");
            if (v && v->type == SettingType::String && !v->text.isEmpty()) return withSeparator(v->text);
        } catch (const SettingsError& e) { // unreadable: as if absent, but not silently
            qWarning("Orbalinder: %s; the current folder is used", e.what());
        }
    }
    const QString current = withSeparator(QDir::currentPath());
    const QString data = InstalledProgram::dataFolder();
    if (data.isEmpty() || QFileInfo(current + TextCatalogue::kFileName).isFile()) return current;
    const QString user = InstalledProgram::userProgramFolder();
    const QString failure = InstalledProgram::layOut(user, data, InstalledProgram::userLanguage());
    if (!failure.isEmpty()) qWarning("%s", qPrintable(failure));
    return user;
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
    // What a program that was killed mid-save left: its work files, and the
    // mail client's incoming message it had not finished.
    DurableFile::removeStaleWorkFiles(dirPrograma);
    DurableFile::removeStaleWorkFiles(dirMail, {QStringLiteral("incoming-%1-*.tmp")});
    DurableFile::removeStaleWorkFiles(dirTemp);
    DurableFile::removeStaleWorkFiles(QFileInfo(Hives::userHivePath()).absolutePath());
}

ProgramFolders& ProgramFolders::global() {
    static ProgramFolders folders;
    return folders;
}
