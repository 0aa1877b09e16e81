// Settings store, defaults, write widths, start-at-login entry, program folder.
#include "platform/Autostart.h"
#include "platform/SettingsStore.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT

    void wipe() {
        QFile::remove(Hives::userHivePath());
        QFile::remove(Autostart::entryPath());
    }

private slots:
    void init() { wipe(); }

    void defaultsCreateEveryValueInTableOrder() {
        QVERIFY(Ajustes::CrearAjustesPorDefecto(QPoint(100, 50)));
        auto store = Ajustes::abrirClave(false);
        QStringList expected;
        for (const auto& d : Ajustes::tabla()) expected << d.nombre;
        QCOMPARE(expected.size(), 21);
        QCOMPARE(store->valueNames(), expected);
        QCOMPARE(Ajustes::openFile(), QString());
        QCOMPARE(Ajustes::majorVers(), 2);
        QCOMPARE(Ajustes::startUp(), QString("Checked"));
        QVERIFY(Ajustes::splash());
        QCOMPARE(Ajustes::checkEmailEvery(), 30);
        QCOMPARE(Ajustes::timeOut(), 2);
        QVERIFY(!Ajustes::sendOnCheck());
        QVERIFY(Ajustes::eraseUnsent() && Ajustes::saveReceived() && Ajustes::dueMsgs());
        QCOMPARE(Ajustes::closeMsgs(), 15);
        QCOMPARE(Ajustes::workingDays(), 1);
        QCOMPARE(Ajustes::msgWindowFmt(), 1);
        QCOMPARE(Ajustes::msgWindowSndDoggy(), ObtenerDirPrograma() + "Bark.WAV");
        QVERIFY(Ajustes::messages() && Ajustes::email());
        QCOMPARE(Ajustes::msgWindowPos(), QRect(100, 50, 295, 210));
        QCOMPARE(store->readBinary("MsgWindowPos", 16).toHex(), QByteArray("64000000320000008b01000004010000"));
        QCOMPARE(Ajustes::msgWindowExPos(), QPoint(100, 50));
        QVERIFY(Ajustes::ExisteArranqueWindows());
        QCOMPARE(Autostart::program(), ObtenerDirPrograma() + "QV");
    }

    void defaultsNeverChangeExistingValues() {
        Ajustes::CrearAjustesPorDefecto({});
        Ajustes::abrirClave(false)->writeInteger("MsgWindowFmt", 7);
        Ajustes::GuardarArranqueWindows(false);
        Ajustes::CrearAjustesPorDefecto({});
        QCOMPARE(Ajustes::msgWindowFmt(), 7);
        QVERIFY(!Ajustes::ExisteArranqueWindows()); // StartUp existed: the entry stays off

        // Deleting only StartUp brings it back together with the start-at-login entry.
        Ajustes::abrirClave(false)->deleteValue("StartUp");
        Ajustes::CrearAjustesPorDefecto({});
        QCOMPARE(Ajustes::startUp(), QString("Checked"));
        QVERIFY(Ajustes::ExisteArranqueWindows());
    }

    void writeWidthsAndLowBits() {
        Ajustes::CrearAjustesPorDefecto({});
        Ajustes::setCheckEmailEvery(quint16(70000)); // held in 16 bits by its callers
        QCOMPARE(Ajustes::checkEmailEvery(), 70000 - 65536);
        Ajustes::setTimeOut(quint8(300));
        QCOMPARE(Ajustes::timeOut(), 44);
        Ajustes::abrirClave(false)->writeInteger("CloseMsgs", 300); // written by hand
        QCOMPARE(Ajustes::closeMsgs(), 44);
        Ajustes::abrirClave(false)->writeInteger("Splash", 5); // any non-zero is true
        QVERIFY(Ajustes::splash());
    }

    void wrongTypeOrMissingFails() {
        Ajustes::CrearAjustesPorDefecto({});
        Ajustes::abrirClave(false)->writeString("TimeOut", "two");
        QVERIFY_THROWS_EXCEPTION(SettingsError, Ajustes::timeOut());
        Ajustes::abrirClave(false)->deleteValue("Email");
        QVERIFY_THROWS_EXCEPTION(SettingsError, Ajustes::email());
        // A binary value larger than the reader's buffer is refused.
        Ajustes::abrirClave(false)->writeBinary("MsgWindowExPos", QByteArray(12, '\1'));
        QVERIFY_THROWS_EXCEPTION(SettingsError, Ajustes::msgWindowExPos());
        // Routines that do not create the key fail when it is missing.
        wipe();
        QVERIFY_THROWS_EXCEPTION(SettingsError, Ajustes::setOpenFile("x"));
        Ajustes::setSplash(false); // this one creates the key
        QVERIFY(!Ajustes::splash());
    }

    void storeKeepsTextsAndBinaryExactly() {
        FileSettingsStore s(Hives::userHivePath(), "Some\\Key");
        const QString tricky = QString::fromUtf8("line1\nline2 \\ [x] = año");
        s.writeString("Name=with=equals", tricky);
        s.writeBinary("Blob", QByteArray("\0\1\2\xff", 4));
        FileSettingsStore again(Hives::userHivePath(), "some\\key"); // key names ignore case
        QCOMPARE(again.readString("name=with=equals"), tricky);
        QCOMPARE(again.readBinary("Blob", 4), QByteArray("\0\1\2\xff", 4));
        QVERIFY(again.deleteValue("Blob"));
        QVERIFY(!again.exists("Blob"));
    }

    void machineHiveIsReadOnly() {
        const QString path = qEnvironmentVariable("XDG_CONFIG_DIRS") + "/Orbalinder/machine.conf";
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\QV.exe]\nPath=sz:/opt/orbalinder\n");
        f.close();
        QCOMPARE(Hives::machineHivePath(), path);
        QCOMPARE(ObtenerDirPrograma(), QString("/opt/orbalinder/"));
        FileSettingsStore machine(path, kAppPathsKey, true);
        QVERIFY_THROWS_EXCEPTION(SettingsError, machine.writeString("Path", "/tmp"));

        // With a trailing separator nothing is added.
        f.open(QIODevice::WriteOnly);
        f.write("[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\QV.exe]\nPath=sz:/opt/x/\n");
        f.close();
        QCOMPARE(ObtenerDirPrograma(), QString("/opt/x/"));

        // Without the value the current directory is the program folder.
        QFile::remove(path);
        QCOMPARE(ObtenerDirPrograma(), QDir::currentPath() + "/");
        const auto folders = ProgramFolders::from("/a/b");
        QCOMPARE(folders.dirMail, QString("/a/b/MAIL/"));
        QCOMPARE(folders.dirTemp, QString("/a/b/TEMP/"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
