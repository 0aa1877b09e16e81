#pragma once
// Shared set-up for the reminder program's window tests: a program folder in
// the test's own folder, the Spanish catalogue, no splash, answered message boxes.
#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "core/UiLanguage.h"
#include "platform/SettingsStore.h"
#include "qv/LogReview.h"
#include "qv/MessageBoxes.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace QvTestSupport {

inline QStringList& openedFiles() {
    static QStringList files;
    return files;
}

// Prepares settings and catalogue before a main window is built; cwd is the
// test's program folder.
inline void prepare(const QString& catalogue = QStringLiteral("es")) {
    QFile::remove(Hives::userHivePath());
    QVERIFY(
        TextCatalogue::global().load(QStringLiteral(ORB_SOURCE_DIR "/resources/lang/") + catalogue + ".cat"));
    UiLanguage::apply();
    Ajustes::CrearAjustesPorDefecto({});
    Ajustes::setSplash(false);
    MessageBoxes::resetForTests();
    openedFiles().clear();
    LogReview::setOpenerForTests([](const QString& f) { openedFiles() << f; });
}

inline QString programFolder() {
    return QDir::currentPath() + "/";
}

} // namespace QvTestSupport
