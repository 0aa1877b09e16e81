// The shown-messages log: entry bytes, date pattern, creating the log, write failures;
// the built-in sound rule.
#include "alerts/AvisosPospuestos.h"
#include "alerts/RegistroMensajes.h"
#include "alerts/SnoozePresets.h"
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
        QTest::newRow("only empty lines")
            << "Nothing" << QStringList{"", "", ""} << QByteArray("From: Nothing\r\n");
        QTest::newRow("windows-1252")
            << QString::fromUtf8("Café 5 €") << QStringList{QString::fromUtf8("Größe ✓")}
            << QByteArray("From: Caf\xE9 5 \x80\r\nGr\xF6\xDF"
                          "e ?\r\n");
    }
    void entryBytes() {
        QFETCH(QString, caption);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, body);
        const QDateTime at(QDate(2026, 3, 5), QTime(14, 7));
        const QByteArray expected = "__________ Message shown on: 05/Mar/2026 02:07 pm __________\r\n\r\n" +
                                    body + "\r\n__________ End of message __________\r\n\r\n";
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
        const QByteArray expected =
            "# Messages file created by Norvo Orbalinder 2.0. DO NOT RENAME!\r\n\r\n" +
            EntradaMensajeMostrado(at, "One", {"first"}) + EntradaMensajeMostrado(at, "Two", {"second"});
        QCOMPARE(file.readAll(), expected);
        QVERIFY(!GuardaRegistroMensajes());
    }

    void existingLogIsOnlyAppended() {
        QTemporaryDir dir;
        const QString path = dir.filePath("QV_MSGS.TXT");
        const QByteArray foreign =
            "# Messages file created by Norvo Orbalinder 2.0 on 01/01/2026 DO NOT RENAME!\r\n\r\n";
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

    // The snoozed alerts kept beside a reminders file: what a person types
    // survives the trip (tabs, line breaks, backslashes, accents); a damaged
    // or hostile line is skipped and never takes the others with it.
    void snoozedFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kept");
        using P = AvisosPospuestos::Pospuesto;
        const P typed{"f.QVM",
                      7,
                      QDateTime(QDate(2026, 12, 9), QTime(14, 5)),
                      "Dentist\tnow",
                      "Line one\nLine two\\ and a \\t\r\nñ",
                      "/snd/a b.wav",
                      {}};
        const QByteArray good = AvisosPospuestos::codificar({typed});
        QTest::newRow("typed text round trip") << good << 1;
        P byIdentity = typed;
        byIdentity.uid = "4f0c\t1@orbalinder";
        QTest::newRow("kept by the reminder's identity") << AvisosPospuestos::codificar({byIdentity}) << 1;
        QTest::newRow("two entries, one damaged between")
            << good + "3\tnot a date\t\tx\ty\n" + good.mid(good.indexOf('\n') + 1) << 2;
        QTest::newRow("number 0 and over 65535") << QByteArray("0\t2026-12-09T10:00:00\t\ta\tb\n"
                                                               "70000\t2026-12-09T10:00:00\t\ta\tb\n")
                                                 << 0;
        QTest::newRow("too few fields") << QByteArray("5\t2026-12-09T10:00:00\ta\n") << 0;
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe\t\t\t\t\n\x01", 9) << 0;
        QTest::newRow("empty") << QByteArray() << 0;
    }
    void snoozedFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kept);
        const auto list = AvisosPospuestos::decodificar(bytes, "f.QVM");
        QCOMPARE(list.size(), kept);
        if (kept == 0) return;
        const AvisosPospuestos::Pospuesto& p = list.first();
        QCOMPARE(p.numero, quint16(7));
        QCOMPARE(p.caption, QString("Dentist\tnow"));
        QCOMPARE(p.text, QString("Line one\nLine two\\ and a \\t\r\nñ"));
        QCOMPARE(p.sound, QString("/snd/a b.wav"));
        QCOMPARE(p.hasta, QDateTime(QDate(2026, 12, 9), QTime(14, 5)));
        QCOMPARE(AvisosPospuestos::decodificar(AvisosPospuestos::codificar(list), "f.QVM"), list);
    }

    // When each snooze choice brings an alert back, across a clock change too.
    void snoozeChoiceMoments_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("back");
        const QDateTime t(QDate(2026, 12, 9), QTime(23, 50));
        QTest::newRow("5 minutes, into the next day")
            << "5" << t << QDateTime(QDate(2026, 12, 9), QTime(23, 55));
        QTest::newRow("2 hours") << "120" << t << QDateTime(QDate(2026, 12, 10), QTime(1, 50));
        QTest::newRow("tomorrow at this time")
            << "tomorrow" << t << QDateTime(QDate(2026, 12, 10), QTime(23, 50));
        QTest::newRow("until: asked, not computed") << "until" << t << QDateTime();
        QTest::newRow("unknown choice") << "7" << t << QDateTime();
    }
    void snoozeChoiceMoments() {
        QFETCH(QString, key);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, back);
        QCOMPARE(SnoozePresets::until(key, now), back);
    }
};

QTEST_MAIN(TestAlertLog)
#include "tst_alertlog.moc"
