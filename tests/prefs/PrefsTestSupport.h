#pragma once
// Set-up shared by the preferences tests: the program folder is the test's
// working folder, the English catalogue, default settings, answered message boxes.
#include "core/TextCatalogue.h"
#include "platform/SettingsStore.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/LogReview.h"
#include "qv/MessageBoxes.h"
#include "qv/prefs/TVPreferencias.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace PrefsTest {

inline QStringList& soundCalls() {
    static QStringList calls;
    return calls;
}

inline QStringList& openedFiles() {
    static QStringList files;
    return files;
}

inline QString dir() {
    return QDir::currentPath() + "/";
}
inline QString pfl() {
    return RutaArchivoPerfiles(dir());
}

inline void prepare() {
    QFile::remove(Hives::userHivePath());
    QFile::remove(pfl());
    QVERIFY(TextCatalogue::global().load(QStringLiteral(ORB_SOURCE_DIR "/resources/lang/en.cat")));
    ProgramFolders::global() = ProgramFolders::from(dir());
    Ajustes::CrearAjustesPorDefecto({});
    MessageBoxes::resetForTests();
    openedFiles().clear();
    LogReview::setOpenerForTests([](const QString& f) { openedFiles() << f; });
    soundCalls().clear();
    TVPreferencias::setReproductorSonido([](bool fromResource, const QString& name) {
        soundCalls() << (fromResource ? "res:" : "file:") + name;
        return true;
    });
    BufferPerfiles() = RegistroPerfiles();
}

// Runs `act` on the next modal dialog that opens (of type T), once the event
// loop gets to it. Fails the test when none opens within a second.
template <typename T> void onModal(std::function<void(T*)> act) {
    QTimer::singleShot(0, [act] {
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr, 1000);
        act(qobject_cast<T*>(QApplication::activeModalWidget()));
    });
}

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace PrefsTest
