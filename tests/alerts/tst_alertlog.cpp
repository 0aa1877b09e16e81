// The shown-messages log: entry bytes, date pattern, creating the log, write failures;
// the built-in sound rule.
#include "alerts/RegistroMensajes.h"
#include "alerts/Sonido.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

class TestAlertLog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void datePattern_data() {
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<QString>("expected");
        QTest::newRow("afternoon") << QDateTime(QDate(2026, 3, 5), QTime(14, 7)) << "05/Mar/2026 02:07 pm";
        QTest::newRow("noon") << QDateTime(QDate(2026, 12, 31), QTime(12, 0)) << "31/Dec/2026 12:00 pm";
        QTest::newRow("midnight") << QDateTime(QDate(2027, 1, 1), QTime(0, 59)) << "01/Jan/2027 12:59 am";
        QTest::newRow("morning") << QDateTime(QDate(2026, 7, 9), QTime(9, 30)) << "09/Jul/2026 09:30 am";
    }
    void datePattern() {
        QFETCH(QDateTime, at);
        QFETCH(QString, expected);
        QCOMPARE(FechaMensajeMostrado(at), expected);
    }

    void entryBytes_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("lines, empty ones left out")
            << "Dentist" << QStringList{"Call first", "", "Bring the card"}
            << QByteArray("From: Dentist\r\nCall first\r\nBring the card\r\n");
        QTest::newRow("only empty lines") << "Nothing" << QStringList{"", "", ""}
                                          << QByteArray("From: Nothing\r\n");
        QTest::newRow("windows-1252") << QString::fromUtf8("Café 5 €") << QStringList{QString::fromUtf8("Größe ✓")}
                                      << QByteArray("From: Caf\xE9 5 \x80\r\nGr\xF6\xDF" "e ?\r\n");
    }
    void entryBytes() {
        QFETCH(QString, caption);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, body);
        const QDateTime at(QDate(2026, 3, 5), QTime(14, 7));
        const QByteArray expected = "__________ Message shown on: 05/Mar/2026 02:07 pm __________\r\n\r\n" + body +
                                    "\r\n__________ End of message __________\r\n\r\n";
        QCOMPARE(EntradaMensajeMostrado(at, caption, lines), expected);
    }

    // A missing log gets its header and still keeps the alert that created it.
    void firstEntryCreatesLogAndIsKept() {
        QTemporaryDir dir;
        const QString path = dir.filePath("QV_MSGS.TXT");
        const QDateTime at(QDate(2026, 3, 5), QTime(14, 7));
        QVERIFY(EscribirMensajeMostrado(path, at, "One", {"first"}));
        QVERIFY(EscribirMensajeMostrado(path, at, "Two", {"second"}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray expected = "# Messages file created by Norvo Orbalinder 2.0. DO NOT RENAME!\r\n\r\n" +
                                    EntradaMensajeMostrado(at, "One", {"first"}) +
                                    EntradaMensajeMostrado(at, "Two", {"second"});
        QCOMPARE(file.readAll(), expected);
        QVERIFY(!GuardaRegistroMensajes());
    }

    void existingLogIsOnlyAppended() {
        QTemporaryDir dir;
        const QString path = dir.filePath("QV_MSGS.TXT");
        const QByteArray foreign = "# Messages file created by Norvo Orbalinder 2.0 on 01/01/2026 DO NOT RENAME!\r\n\r\n";
        QFile seed(path);
        QVERIFY(seed.open(QIODevice::WriteOnly));
        seed.write(foreign);
        seed.close();
        const QDateTime at(QDate(2026, 3, 5), QTime(8, 0));
        QVERIFY(EscribirMensajeMostrado(path, at, "X", {"y"}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), foreign + EntradaMensajeMostrado(at, "X", {"y"}));
    }

    void unwritableLogFailsAndReleasesGuard() {
        QTemporaryDir dir;
        const QString path = dir.filePath("no-such-folder/QV_MSGS.TXT");
        QVERIFY(!EscribirMensajeMostrado(path, QDateTime::currentDateTime(), "X", {"y"}));
        QVERIFY(!GuardaRegistroMensajes());
        QVERIFY(!QFile::exists(path));
    }

    void builtInSoundByStyle_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("resource");
        QTest::newRow("classic") << 1 << "WAV_CLASSIC";
        QTest::newRow("doggy") << 2 << "WAV_DOGGY";
        QTest::newRow("babe") << 3 << "WAV_BABE";
        QTest::newRow("zero") << 0 << "";
        QTest::newRow("four") << 4 << "";
        QTest::newRow("negative") << -1 << "";
    }
    void builtInSoundByStyle() {
        QFETCH(int, style);
        QFETCH(QString, resource);
        QCOMPARE(SonidoIncorporado(style), resource);
        if (!resource.isEmpty()) {
            QFile wav(RecursoSonido(resource));
            QVERIFY(wav.open(QIODevice::ReadOnly));
            const QByteArray head = wav.read(12);
            QVERIFY(head.startsWith("RIFF") && head.endsWith("WAVE"));
        }
    }

    void unknownResourceAndMissingFileNeverFail() {
        QVERIFY(!ReproducirSonido(true, "WAV_NONE"));
        QVERIFY(!ReproducirSonido(true, "../WAV_CLASSIC"));
        // The real output: a missing file or no audio device is silence, not a hang.
        QVERIFY(ReproducirSonido(false, "/nonexistent/sound.wav"));
        QVERIFY(ReproducirSonido(true, "WAV_CLASSIC"));
        QVERIFY(ReproducirSonido(true, "WAV_DOGGY")); // replaces the playing one
    }
};

QTEST_MAIN(TestAlertLog)
#include "tst_alertlog.moc"
