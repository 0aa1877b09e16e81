// Settings store, defaults, write widths, start-at-login entry, program folder.
#include "platform/Autostart.h"
#include "platform/SettingsStore.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
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
        for (const auto& d : Ajustes::tabla())
            expected << d.nombre;
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
        QCOMPARE(store->readBinary("MsgWindowPos", 16).toHex(),
                 QByteArray("64000000320000008b01000004010000"));
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

    // Damaged, missing or unusable settings never end the program: each read
    // that fails gives the default, each write that fails says so, and every
    // problem reaches the teller once, naming the value and the file.
    void badSettingsAreToldAndDefaulted_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("told");     // "kind value" of the problems, in order
        QTest::addColumn<QString>("readings"); // what the readers give afterwards
        // Email is stored off and TimeOut 7 before the damage; their defaults are on and 2.
        QTest::newRow("hand-edited text in a Boolean") << "Email=sz:yes"
                                                       << "read Email"
                                                       << "email=1 timeout=7";
        QTest::newRow("text in an integer") << "TimeOut=sz:two"
                                            << "read TimeOut"
                                            << "email=0 timeout=2";
        QTest::newRow("value missing") << "-Email"
                                       << "read Email"
                                       << "email=1 timeout=7";
        QTest::newRow("binary larger than its reader") << "MsgWindowExPos=hex:010101010101010101010101"
                                                       << "read MsgWindowExPos"
                                                       << "email=0 timeout=7";
        QTest::newRow("key missing") << "-key"
                                     << "read Email, read TimeOut"
                                     << "email=1 timeout=2";
        QTest::newRow("settings file is a folder") << "folder"
                                                   << "read Email, read TimeOut, write OpenFile"
                                                   << "email=1 timeout=2";
        QTest::newRow("same problem twice is told once") << "Email=sz:yes twice"
                                                         << "read Email"
                                                         << "email=1 timeout=7";
    }
    void badSettingsAreToldAndDefaulted() {
        QFETCH(QString, damage);
        QFETCH(QString, told);
        QFETCH(QString, readings);
        Ajustes::CrearAjustesPorDefecto({});
        Ajustes::setTimeOut(7);
        Ajustes::setEmail(false);
        QStringList problems;
        Ajustes::olvidarProblemasContados();
        Ajustes::setAvisador([&](const Ajustes::ProblemaAjuste& p) {
            using T = Ajustes::ProblemaAjuste::Tipo;
            QCOMPARE(p.archivo, Hives::userHivePath());
            QVERIFY(!p.motivo.isEmpty());
            problems << QString(p.tipo == T::Lectura ? "read " : "write ") + p.valor;
        });
        const QString hive = Hives::userHivePath();
        auto store = Ajustes::abrirClave(false);
        if (damage == "folder") {
            QFile::remove(hive);
            QVERIFY(QDir().mkpath(hive + "/x"));
        } else if (damage == "-key") {
            QFile::remove(hive);
            Ajustes::setSplash(true); // makes the file with the key...
            QFile f(hive);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Other]\n"); // ...then the key goes
        } else if (damage.startsWith('-')) {
            store->deleteValue(damage.mid(1));
        } else { // the value's line edited by hand
            const QString line = damage.section(' ', 0, 0);
            QFile f(hive);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QString text = QString::fromUtf8(f.readAll());
            f.close();
            text.replace(QRegularExpression("^" + line.section('=', 0, 0) + "=.*$",
                                            QRegularExpression::MultilineOption),
                         line);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(text.toUtf8());
        }
        QCOMPARE(QString("email=%1 timeout=%2").arg(int(Ajustes::email())).arg(Ajustes::timeOut()), readings);
        if (damage.endsWith("twice")) Ajustes::email();
        if (damage.contains("MsgWindowExPos")) {
            QCOMPARE(problems.size(), 0);
            QCOMPARE(Ajustes::msgWindowExPos(), QPoint(0, 0));
        }
        const bool written = Ajustes::setOpenFile("x");
        QCOMPARE(written, !told.contains("write"));
        QCOMPARE(problems.join(", "), told);
        Ajustes::setAvisador({});
        QDir(hive).removeRecursively();
    }

    // The defaults routine treats a value of the wrong type as missing: told
    // once, replaced by its default, read cleanly afterwards. An autostart
    // folder that is a plain file is told and the program goes on.
    void defaultsReplaceWrongTypesAndSurviveABadAutostartFolder() {
        QStringList problems;
        Ajustes::olvidarProblemasContados();
        Ajustes::setAvisador([&](const Ajustes::ProblemaAjuste& p) { problems << p.valor; });
        const QString autostartDir = QFileInfo(Autostart::entryPath()).absolutePath();
        QDir(autostartDir).removeRecursively();
        QFile plain(autostartDir);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QDir().mkpath(QFileInfo(Hives::userHivePath()).absolutePath());
        QFile f(Hives::userHivePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[" + QByteArray(Ajustes::kSettingsKey) + "]\nEmail=sz:yes\nCloseMsgs=dword:3\n");
        f.close();
        QVERIFY(!Ajustes::CrearAjustesPorDefecto({}));
        QCOMPARE(problems, QStringList({Autostart::entryPath(), "Email"})); // in table order
        QVERIFY(Ajustes::email());
        QCOMPARE(Ajustes::closeMsgs(), 3); // values of the right type are kept
        QCOMPARE(Ajustes::abrirClave(false)->value("Email")->type, SettingType::Integer);
        QCOMPARE(problems.size(), 2);
        QFile::remove(autostartDir);
        Ajustes::setAvisador({});
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

        // Another program's edit in place, same size, same instant: the next read sees it.
        s.writeInteger("Count", 1);
        QCOMPARE(again.readInteger("Count"), 1);
        QFile f(Hives::userHivePath());
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray edited = f.readAll().replace("Count=dword:1", "Count=dword:7");
        QVERIFY(f.seek(0) && f.write(edited) == edited.size());
        f.close();
        QCOMPARE(again.readInteger("Count"), 7);
    }

    void machineHiveIsReadOnly() {
        const QString path = qEnvironmentVariable("XDG_CONFIG_DIRS") + "/Orbalinder/machine.conf";
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\QV.exe]\nPath=sz:/opt/orbalinder\n");
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
