// Where an installed program keeps its files: the program-folder rule, the
// per-user folder laid out from the installed data, and the start-at-login entry.
#include "platform/Autostart.h"
#include "platform/SettingsStore.h"
#include "settings/Ajustes.h"
#include "settings/InstalledProgram.h"
#include "settings/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {
QString work() {
    return qEnvironmentVariable("ORB_TEST_WORK") + "/";
}
QString prefix() {
    return work() + "prefix/";
}
QString userFolder() {
    return qEnvironmentVariable("XDG_DATA_HOME") + "/Orbalinder/";
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(), qPrintable(path));
}
QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class TestInstalledProgram : public QObject {
    Q_OBJECT

private slots:
    void init() {
        for (const QString& d : {prefix(), userFolder(), work() + "elsewhere", work() + "prepared"})
            QDir(d).removeRecursively();
        QFile::remove(Autostart::entryPath());
        QFile::remove(Hives::userHivePath());
        const QString data = prefix() + "share/orbalinder/";
        writeFile(data + "lang/en.cat", "1\tEnglish\n");
        writeFile(data + "lang/es.cat", "1\tEspañol\n");
        writeFile(data + "help/index.html", "<p>help</p>");
        writeFile(data + "help/es/index.html", "<p>ayuda</p>");
        writeFile(data + "sounds/Aviso.WAV", "RIFF-classic");
        QDir().mkpath(prefix() + "bin");
        InstalledProgram::setBinFolderForTests(prefix() + "bin");
        QDir().mkpath(work() + "elsewhere");
        QDir::setCurrent(work() + "elsewhere");
    }
    void cleanup() {
        InstalledProgram::setBinFolderForTests({});
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qunsetenv("LANG");
    }

    void programFolderRule_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("catalogueInCurrent");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("expectedFolder"); // "user", "current"
        QTest::addColumn<QByteArray>("expectedCatalogue");
        QTest::newRow("launcher, Spanish user") << true << false << "es_ES.UTF-8"
                                                << "user" << QByteArray("1\tEspañol\n");
        QTest::newRow("launcher, no catalogue of the language: English")
            << true << false << "fr_FR.UTF-8"
            << "user" << QByteArray("1\tEnglish\n");
        QTest::newRow("prepared folder wins over the per-user one") << true << true << "es_ES.UTF-8"
                                                                    << "current" << QByteArray("prepared");
        QTest::newRow("not installed: the current folder, as always") << false << false << "es_ES.UTF-8"
                                                                      << "current" << QByteArray("<missing>");
    }
    void programFolderRule() {
        QFETCH(bool, installed);
        QFETCH(bool, catalogueInCurrent);
        QFETCH(QString, lang);
        QFETCH(QString, expectedFolder);
        QFETCH(QByteArray, expectedCatalogue);
        if (!installed) InstalledProgram::setBinFolderForTests(work() + "elsewhere");
        if (catalogueInCurrent) writeFile(QDir::currentPath() + "/QVLANG.cat", "prepared");
        qputenv("LANG", lang.toUtf8());

        const QString dir = ObtenerDirPrograma();
        QCOMPARE(dir, expectedFolder == "user" ? userFolder() : QDir::currentPath() + "/");
        QCOMPARE(readFile(dir + "QVLANG.cat"), expectedCatalogue);
        QCOMPARE(QFileInfo::exists(userFolder()), expectedFolder == "user");
        if (expectedFolder != "user") return;
        for (const char* sub : {"MAIL", "TEMP", "help/es"})
            QVERIFY2(QFileInfo(dir + sub).isDir(), sub);
        QCOMPARE(readFile(dir + "Aviso.WAV"), QByteArray("RIFF-classic"));
        QCOMPARE(readFile(dir + "help/index.html"), QByteArray("<p>help</p>"));
        // The mail client belongs to the installed program, not to the folder.
        QCOMPARE(InstalledProgram::executable("QVMC", dir), prefix() + "bin/QVMC");
    }

    void laterStartsRefreshShippedFilesAndKeepTheUsers() {
        qputenv("LANG", "es_ES.UTF-8");
        const QString dir = ObtenerDirPrograma();
        writeFile(dir + "Aviso.WAV", "my own sound");
        writeFile(dir + "QV.PFL", "profiles");
        writeFile(dir + "MAIL/A_1.OUT", "queued");
        writeFile(prefix() + "share/orbalinder/lang/es.cat", "1\tEspañol 2\n"); // a newer package
        qputenv("LANG", "en_GB.UTF-8");
        QCOMPARE(ObtenerDirPrograma(), dir);
        QCOMPARE(readFile(dir + "QVLANG.cat"), QByteArray("1\tEnglish\n")); // follows the language
        qputenv("LC_MESSAGES", "es_ES.UTF-8");                              // LC_MESSAGES before LANG
        ObtenerDirPrograma();
        QCOMPARE(readFile(dir + "QVLANG.cat"), QByteArray("1\tEspañol 2\n"));
        QCOMPARE(readFile(dir + "Aviso.WAV"), QByteArray("my own sound"));
        QCOMPARE(readFile(dir + "QV.PFL"), QByteArray("profiles"));
        QCOMPARE(readFile(dir + "MAIL/A_1.OUT"), QByteArray("queued"));
    }

    void layOutReportsWhatItCannotMake_data() {
        QTest::addColumn<QString>("inTheWay"); // a file or folder where the layout needs the other
        QTest::addColumn<bool>("asFolder");
        QTest::newRow("file where MAIL/ goes") << "MAIL" << false;
        QTest::newRow("folder where the catalogue goes") << "QVLANG.cat" << true;
        QTest::newRow("file where help/ goes") << "help" << false;
    }
    void layOutReportsWhatItCannotMake() {
        QFETCH(QString, inTheWay);
        QFETCH(bool, asFolder);
        const QString folder = work() + "blocked/";
        QDir(folder).removeRecursively();
        if (asFolder)
            QDir().mkpath(folder + inTheWay + "/x");
        else
            writeFile(folder + inTheWay, "in the way");
        const QString failure = InstalledProgram::layOut(folder, prefix() + "share/orbalinder/", "en");
        QVERIFY2(failure.contains(folder + inTheWay), qPrintable(failure));
        QVERIFY(QFileInfo(folder + inTheWay).isDir() == asFolder); // left as it was
    }

    void startAtLoginStartsTheInstalledProgramInItsFolder() {
        const QString dir = ObtenerDirPrograma();
        QVERIFY(Ajustes::CrearAjustesPorDefecto({})); // first run: the entry is made
        QCOMPARE(Autostart::program(), prefix() + "bin/QV");
        QCOMPARE(Autostart::workingFolder(), dir);
        const QByteArray entry = readFile(Autostart::entryPath());
        QVERIFY(entry.contains("\nIcon=org.norvo.Orbalinder\n"));
        QVERIFY(entry.contains("\nName=Orbalinder\n"));
        QCOMPARE(Ajustes::msgWindowSndClassic(), dir + "Aviso.WAV");
        Ajustes::GuardarArranqueWindows(false);
        QVERIFY(!QFile::exists(Autostart::entryPath()));
    }

    void startAtLoginKeepsAwkwardPaths_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("blank") << "/opt/my apps/QV";
        QTest::newRow("percent") << "/opt/100%/QV";
        QTest::newRow("shell characters") << "/opt/$HOME/`x`/\"q\"/QV";
        QTest::newRow("backslash") << "/opt/a\\b/QV";
    }
    void startAtLoginKeepsAwkwardPaths() {
        QFETCH(QString, program);
        QVERIFY(Autostart::set(true, program, "/opt/a\\b/"));
        QCOMPARE(Autostart::program(), program);
        QCOMPARE(Autostart::workingFolder(), QString("/opt/a\\b/"));
    }
};

QTEST_GUILESS_MAIN(TestInstalledProgram)
#include "tst_installedprogram.moc"
