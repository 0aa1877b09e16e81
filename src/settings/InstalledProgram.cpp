#include "settings/InstalledProgram.h"

#include "core/TextCatalogue.h"
#include "platform/DurableFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef ORB_DATA_FROM_BIN
#define ORB_DATA_FROM_BIN "../share/orbalinder"
#endif

namespace InstalledProgram {

namespace {

QString g_binForTests;

QString binFolder() {
    if (!g_binForTests.isEmpty()) return g_binForTests;
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

QByteArray contentsOf(const QString& path, bool* ok) {
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? f.readAll() : QByteArray();
}

// Writes `source`'s bytes to `target` (atomically) unless `target` already holds them.
QString copyWhenDifferent(const QString& source, const QString& target) {
    bool ok = false;
    const QByteArray wanted = contentsOf(source, &ok);
    if (!ok) return "Cannot read " + source;
    if (QFileInfo(target).isFile()) {
        const QByteArray present = contentsOf(target, &ok);
        if (ok && present == wanted) return {};
    }
    QString error;
    if (!DurableFile::save(target, wanted, &error)) return error;
    return {};
}

QString makeFolder(const QString& path) {
    return QDir().mkpath(path) && QFileInfo(path).isDir() ? QString() : "Cannot create the folder " + path;
}

} // namespace

QString dataFolder() {
    const QString bin = binFolder();
    if (bin.isEmpty()) return {};
    const QString data = QDir::cleanPath(bin + "/" ORB_DATA_FROM_BIN);
    return QFileInfo(data + "/lang").isDir() ? data + "/" : QString();
}

QString executable(const QString& name, const QString& dirPrograma) {
    return dataFolder().isEmpty() ? dirPrograma + name : binFolder() + "/" + name;
}

QString userProgramFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Orbalinder/";
}

QString userLanguage() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(var);
        if (value.isEmpty()) continue;
        return value.section(u'.', 0, 0).section(u'_', 0, 0).section(u'@', 0, 0).toLower();
    }
    return QStringLiteral("en");
}

QString layOut(const QString& folder, const QString& data, const QString& language) {
    for (const char* sub : {"", "MAIL", "TEMP"})
        if (QString e = makeFolder(folder + sub); !e.isEmpty()) return e;

    QString catalogue = data + "lang/" + language + ".cat";
    if (!QFileInfo(catalogue).isFile()) catalogue = data + "lang/en.cat";
    if (QString e = copyWhenDifferent(catalogue, folder + TextCatalogue::kFileName); !e.isEmpty()) return e;

    const QDir help(data + "help");
    QDirIterator pages(help.path(), QDir::Files, QDirIterator::Subdirectories);
    while (pages.hasNext()) {
        const QString page = pages.next();
        const QString target = folder + "help/" + help.relativeFilePath(page);
        if (QString e = makeFolder(QFileInfo(target).path()); !e.isEmpty()) return e;
        if (QString e = copyWhenDifferent(page, target); !e.isEmpty()) return e;
    }

    for (const QFileInfo& sound : QDir(data + "sounds").entryInfoList(QDir::Files)) {
        const QString target = folder + sound.fileName();
        if (QFileInfo::exists(target)) continue;
        if (!QFile::copy(sound.filePath(), target)) return "Cannot write " + target;
    }
    return {};
}

void setBinFolderForTests(const QString& binFolder) {
    g_binForTests = binFolder;
}

} // namespace InstalledProgram
