// The mail client's command line and session log.
#include "core/Clock.h"
#include "qvmc/CommandLine.h"
#include "qvmc/SessionLog.h"

#include <QFile>
#include <QtTest>

class TestSessionLog : public QObject {
    Q_OBJECT
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(22, 42, 17))};

private slots:
    void initTestCase() {
        Clock::install(&clock);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("send");
        QTest::addColumn<bool>("receive");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("receive only") << QStringList{"XXXX", "POP3", "5"} << false << true << 5 << true;
        QTest::newRow("blanks around") << QStringList{" SMTP ", " POP3", "2"} << true << true << 2 << true;
        QTest::newRow("lower case asks nothing") << QStringList{"smtp", "pop3", "5"} << false << false << 5 << true;
        QTest::newRow("low 8 bits") << QStringList{"SMTP", "XXXX", "300"} << true << false << 44 << true;
        QTest::newRow("zero") << QStringList{"SMTP", "POP3", "0"} << true << true << 0 << true;
        QTest::newRow("fourth ignored") << QStringList{"SMTP", "POP3", "3", "extra"} << true << true << 3 << true;
        QTest::newRow("bad minutes") << QStringList{"SMTP", "POP3", "x"} << false << false << 1 << false;
        QTest::newRow("missing minutes") << QStringList{"SMTP", "POP3"} << false << false << 1 << false;
    }

    void commandLine() {
        QFETCH(QStringList, args);
        const OrdenSesion o = LeerLineaComandos(args);
        QTEST(o.enviar, "send");
        QTEST(o.recibir, "receive");
        QTEST(int(o.minutos), "minutes");
        QTEST(o.minutosValidos, "valid");
    }

    void linesAndFile() {
        QStringList shown;
        SessionLog log([&](const QString& l) { shown << l; });
        log.LogLine(" Connecting to SMTP host");
        QCOMPARE(shown, QStringList({"+ 22:42:17 Connecting to SMTP host"}));
        const QString path = "QV_LOG.TXT";
        QFile::remove(path);
        QVERIFY(log.escribir(path, QDateTime(QDate(2026, 12, 8), QTime(22, 45, 3))));
        SessionLog second;
        second.LogLine(" No mail to send");
        QVERIFY(second.escribir(path, QDateTime(QDate(2026, 12, 9), QTime(0, 5, 9))));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray content = f.readAll();
        QVERIFY(content.startsWith("# Mail log created by Norvo Orbalinder 2.0 on "));
        QVERIFY(content.contains(" DO NOT RENAME!\r\n\r\n__________ Session date and time: 08-Dec-2026 10:45:03 pm "
                                 "__________\r\n\r\n+ 22:42:17 Connecting to SMTP host\r\n__________ End of Session "
                                 "__________\r\n__________ Session date and time: 09-Dec-2026 12:05:09 am __________"));
        QVERIFY(content.endsWith("+ 22:42:17 No mail to send\r\n__________ End of Session __________"));
    }

    void manyLinesAreAllKept() {
        SessionLog log;
        for (int i = 0; i < 130; ++i) log.LogLine(QString(" line %1").arg(i));
        QCOMPARE(log.lines().size(), 130);
    }

    void replyTexts() {
        QCOMPARE(TextoRespuesta(354), QString("Error 354 - Start mail input; end with ."));
        QCOMPARE(TextoRespuesta(250), QString("Error 250 - Requested mail action ok, completed"));
        QCOMPARE(TextoRespuesta(0), QString("Error 0 - Unknown error"));
        QCOMPARE(TextoRespuesta(-1), QString("Error -1 - Unknown error"));
    }
};

QTEST_GUILESS_MAIN(TestSessionLog)
#include "tst_sessionlog.moc"
