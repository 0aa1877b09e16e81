// The mail client's session log lines and file, its reply texts and its
// command line.
#include "TestSupport.h"
#include "mailfiles/LogEvents.h"
#include "mailfiles/MailClientCommandLine.h"
#include "mailfiles/SessionLog.h"

using namespace mailfiles;

class TestMailClientLog : public QObject {
    Q_OBJECT
    FixedClock m_clock;
    QTemporaryDir m_tmp;

private slots:
    void initTestCase() { testsupport::useFixedWorld(m_clock, m_tmp); }

    void logLinesCarryTimeAndEvent() {
        SessionLines session;
        QCOMPARE(session.LogLine(LogEvents::connectingToSmtpHost()),
                 QStringLiteral("+ 10:42:17 Connecting to SMTP host"));
        m_clock.advanceSecs(1);
        session.LogLine(LogEvents::serversTimeoutSet(5));
        QCOMPARE(session.lines(), QStringList({"+ 10:42:17 Connecting to SMTP host",
                                               "+ 10:42:18 Servers timeout set to 5 min."}));
        m_clock.advanceSecs(-1);
    }

    void eventTextsWithValues_data() {
        QTest::addColumn<QString>("got");
        QTest::addColumn<QString>("expected");
        const QString path = QStringLiteral("/p/MAIL/a_1.OUT");
        QTest::newRow("open connection") << LogEvents::openConnection("Home") << " <Home>";
        QTest::newRow("dialing") << LogEvents::dialing("Home") << " Dialing Home";
        QTest::newRow("error sending")
            << LogEvents::errorSendingMail(path) << " Error sending mail (/p/MAIL/a_1.OUT)";
        QTest::newRow("sent") << LogEvents::mailSent(path) << " Mail sent (/p/MAIL/a_1.OUT)";
        QTest::newRow("sent not deleted")
            << LogEvents::mailSentDeleteFailed(path) << " Mail sent Ok. Error deleting file(/p/MAIL/a_1.OUT)";
        QTest::newRow("received") << LogEvents::mailReceived(3) << " Mail received (3)";
        QTest::newRow("deleted") << LogEvents::mailDeletedFromServer(3) << " Mail deleted from server (3)";
        QTest::newRow("not deleted") << LogEvents::unableToDeleteMail(3)
                                     << " Unable to delete mail from server (3)";
        QTest::newRow("not processed")
            << LogEvents::unableToProcessMail(12) << " Unable to process mail (12)";
        QTest::newRow("error receiving") << LogEvents::errorReceivingMail(4) << " Error receiving mail (4)";
        QTest::newRow("hung up") << LogEvents::disconnectedFrom("Home") << " Disconnected from Home";
        QTest::newRow("not hung up") << LogEvents::unableToDisconnectFrom("Home")
                                     << " Unable to disconnect from Home";
        QTest::newRow("reply") << LogEvents::replyText(550)
                               << " Error 550 - Requested action not taken: mailbox unavailable";
    }
    void eventTextsWithValues() {
        QFETCH(QString, got);
        QFETCH(QString, expected);
        QCOMPARE(got, expected);
    }

    void replyTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("success code") << 250 << "Error 250 - Requested mail action ok, completed";
        QTest::newRow("354") << 354 << "Error 354 - Start mail input; end with .";
        QTest::newRow("554") << 554 << "Error 554 - Transaction failed";
        QTest::newRow("zero") << 0 << "Error 0 - Unknown error";
        QTest::newRow("negative") << -1 << "Error -1 - Unknown error";
        QTest::newRow("unlisted") << 535 << "Error 535 - Unknown error";
    }
    void replyTexts() {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(TextoRespuesta(qint16(code)), text);
    }

    void sessionStamp_data() {
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("morning") << QDateTime(QDate(2026, 3, 5), QTime(9, 7, 3)) << "05-Mar-2026 09:07:03 am";
        QTest::newRow("noon") << QDateTime(QDate(2026, 3, 5), QTime(12, 0, 0)) << "05-Mar-2026 12:00:00 pm";
        QTest::newRow("midnight") << QDateTime(QDate(2026, 3, 5), QTime(0, 30, 59))
                                  << "05-Mar-2026 12:30:59 am";
        QTest::newRow("evening") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))
                                 << "31-Dec-2026 11:59:59 pm";
    }
    void sessionStamp() {
        QFETCH(QDateTime, at);
        QFETCH(QString, stamp);
        QCOMPARE(SelloSesion(at), stamp);
    }

    void sessionLogFileGrowsBySessions() {
        const QString temp = m_tmp.filePath("TEMP/");
        QVERIFY(QDir().mkpath(temp));
        QVERIFY(EscribirLogSesion(temp, {"+ 10:42:17 No mail to send"}));
        m_clock.set(QDateTime(QDate(2026, 12, 8), QTime(15, 0, 1)));
        QVERIFY(EscribirLogSesion(temp, {"+ 15:00:00 POP service requested", "+ 15:00:01 No mail received"}));
        m_clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 42, 17)));
        QCOMPARE(
            testsupport::readAll(temp + "QV_LOG.TXT"),
            QByteArray("# Mail log created by Norvo Orbalinder 2.0 on 08/12/2026 10:42:17 DO NOT RENAME!\r\n"
                       "\r\n"
                       "__________ Session date and time: 08-Dec-2026 10:42:17 am __________\r\n"
                       "\r\n"
                       "+ 10:42:17 No mail to send\r\n"
                       "__________ End of Session __________\r\n"
                       "\r\n"
                       "__________ Session date and time: 08-Dec-2026 03:00:01 pm __________\r\n"
                       "\r\n"
                       "+ 15:00:00 POP service requested\r\n"
                       "+ 15:00:01 No mail received\r\n"
                       "__________ End of Session __________\r\n"));
    }

    void headerLeavesOutMidnight() {
        const QStringList block = BloqueLogSesion({}, QDateTime(QDate(2026, 1, 2), QTime(0, 0)), true);
        QCOMPARE(block.first(),
                 QStringLiteral("# Mail log created by Norvo Orbalinder 2.0 on 02/01/2026 DO NOT RENAME!"));
        QCOMPARE(block.size(), 5);
        QCOMPARE(BloqueLogSesion({}, QDateTime(QDate(2026, 1, 2), QTime(0, 0)), false).first(), QString());
    }

    void manyLinesAllWritten() {
        const QString temp = m_tmp.filePath("TEMP130/");
        QVERIFY(QDir().mkpath(temp));
        SessionLines session;
        for (int i = 0; i < 130; ++i)
            session.LogLine(LogEvents::mailSent(QString::number(i)));
        QCOMPARE(session.lines().size(), 130);
        QVERIFY(EscribirLogSesion(temp, session.lines()));
        const QByteArray file = testsupport::readAll(temp + "QV_LOG.TXT");
        QCOMPARE(file.count("Mail sent ("), 130);
        QVERIFY(file.contains("Mail sent (0)\r\n") && file.contains("Mail sent (129)\r\n"));
    }

    void unwritableLogIsReported() { QVERIFY(!EscribirLogSesion(m_tmp.filePath("no/such/folder/"), {"x"})); }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("send");
        QTest::addColumn<bool>("receive");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("receive only")
            << QStringList{"XXXX", "POP3", "5"} << false << true << 5
            << QStringList{" POP service requested", " Servers timeout set to 5 min."};
        QTest::newRow("both, blanks around")
            << QStringList{" SMTP", " POP3 ", " 7"} << true << true << 7
            << QStringList{" SMTP service requested", " POP service requested",
                           " Servers timeout set to 7 min."};
        QTest::newRow("low 8 bits") << QStringList{"SMTP", "XXXX", "300"} << true << false << 44
                                    << QStringList{" SMTP service requested",
                                                   " Servers timeout set to 44 min."};
        QTest::newRow("zero kept") << QStringList{"XXXX", "XXXX", "0"} << false << false << 0
                                   << QStringList{" Servers timeout set to 0 min."};
        QTest::newRow("lower case asks nothing") << QStringList{"smtp", "pop3", "5"} << false << false << 5
                                                 << QStringList{" Servers timeout set to 5 min."};
        QTest::newRow("fourth ignored") << QStringList{"SMTP", "POP3", "5", "extra"} << true << true << 5
                                        << QStringList{" SMTP service requested", " POP service requested",
                                                       " Servers timeout set to 5 min."};
        QTest::newRow("minutes not a number")
            << QStringList{"SMTP", "POP3", "five"} << false << false << 1 << QStringList{};
        QTest::newRow("minutes missing")
            << QStringList{"SMTP", "POP3"} << false << false << 1 << QStringList{};
        QTest::newRow("one argument") << QStringList{"SMTP"} << false << false << 1 << QStringList{};
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(bool, send);
        QFETCH(bool, receive);
        QFETCH(int, minutes);
        QFETCH(QStringList, events);
        const LineaComandos c = LeerLineaComandos(args);
        QVERIFY(!c.sinArgumentos);
        QCOMPARE(c.enviar, send);
        QCOMPARE(c.recibir, receive);
        QCOMPARE(int(c.minutos), minutes);
        QCOMPARE(c.eventos, events);
    }

    void noArgumentsRefused() { QVERIFY(LeerLineaComandos({}).sinArgumentos); }
};

QTEST_GUILESS_MAIN(TestMailClientLog)
#include "tst_mailclientlog.moc"
