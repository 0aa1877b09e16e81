#pragma once
// A test's program folder with one reminders file: the test's current directory
// made the program-wide folder (with MAIL/ and TEMP/), a reminders file there
// and the list's index in TEMP/. Tests take it as a base beside QObject and
// call `setUpFolder` from init().
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

struct ReminderFileFixture {
    QString file, index;

    // `name` in the current directory; `create`: an empty reminders file and index.
    void setUpFolder(const QString& name, bool create = true) {
        ProgramFolders::global() = ProgramFolders::from(QDir::currentPath());
        ProgramFolders::global().createWorkFolders();
        file = QDir::currentPath() + QLatin1Char('/') + name;
        index = ProgramFolders::global().dirTemp + QStringLiteral("QVMsgs.IDX");
        if (!create) return;
        CrearArchivoAvisos(file);
        CrearIndice(index, 0);
    }

    // A file's bytes (empty when it cannot be read).
    static QByteArray bytesOf(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};
