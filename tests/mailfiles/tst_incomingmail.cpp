// Incoming mail files: names, unique writes, what the mail alert shows, and
// the received-mail log.
#include "TestSupport.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/MailFileText.h"
#include "mailfiles/OutgoingMail.h"
#include "mailfiles/ReceivedMailLog.h"
#include "platform/DurableFile.h"

#include <QCoreApplication>

#include <sys/stat.h>

using namespace mailfiles;

class TestIncomingMail : public QObject {
    Q_OBJECT
    FixedClock m_clock;
    QTemporaryDir m_tmp;
    QString m_mail;

private slots:
    void initTestCase() { testsupport::useFixedWorld(m_clock, m_tmp); }
    void init() {
        m_mail = m_tmp.filePath(QStringLiteral("MAIL-%1/").arg(QTest::currentTestFunction()));
        QDir(m_mail).removeRecursively();
        QVERIFY(QDir().mkpath(m_mail));
    }

    void baseName_data() {
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<QString>("name");
        QTest::newRow("noon") << QDateTime(QDate(2026, 12, 8), QTime(12, 0)) << "463645";
        QTest::newRow("first day") << QDateTime(QDate(1899, 12, 31), QTime(6, 0)) << "125";
        QTest::newRow("midnight") << QDateTime(QDate(2026, 12, 8), QTime(0, 0)) << "46364";
        QTest::newRow("fifteen digits")
            << QDateTime(QDate(2026, 12, 8), QTime(10, 42, 17)) << "463644460300926";
    }
    void baseName() {
        QFETCH(QDateTime, at);
        QFETCH(QString, name);
        const QString got = BaseNombreEmailRecibido(at);
        // 15 significant digits: 5 for the day and up to 10 for the fraction.
        QCOMPARE(got, name);
    }

    void writesFileAndKeepsNamesUnique() {
        const QStringList body{"Message created on 08/12/2026", "", "  kept as is", "----------", "footer"};
        QStringList paths;
        for (int i = 0; i < 3; ++i) {
            const auto path = EscribirEmailRecibido(m_mail, QStringLiteral("Ana <ana@x>"), body);
            QVERIFY(path);
            paths << *path;
        }
        const QString base = m_mail + BaseNombreEmailRecibido(m_clock.now());
        QCOMPARE(paths, QStringList({base + ".IN", base + "_2.IN", base + "_3.IN"}));
        QCOMPARE(ListarEmailRecibido(m_mail), paths);
        QCOMPARE(testsupport::readAll(paths[0]),
                 QByteArray("# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n--- From ---\r\n"
                            "Ana <ana@x>\r\n--- Body ---\r\nMessage created on 08/12/2026\r\n\r\n"
                            "  kept as is\r\n----------\r\nfooter\r\n"));
        QCOMPARE(testsupport::readAll(paths[2]), testsupport::readAll(paths[0]));
        QCOMPARE(QDir(m_mail).entryList(QDir::Files | QDir::Hidden).size(), 3); // no work files left
    }

    void neverOverwritesOrFollowsLinks() {
        const QString base = m_mail + BaseNombreEmailRecibido(m_clock.now());
        testsupport::writeBytes(base + ".IN", "earlier");
        const QString outside = m_tmp.filePath("outside.txt");
        testsupport::writeBytes(outside, "outside");
        QVERIFY(QFile::link(outside, base + "_2.IN"));
        // Work files left by a crashed run with the names this run would take.
        const QString leftover =
            m_mail + QStringLiteral("incoming-%1-%2.tmp").arg(QCoreApplication::applicationPid());
        for (int n = 1; n <= 60; ++n)
            testsupport::writeBytes(leftover.arg(n), "left");
        const auto path = EscribirEmailRecibido(m_mail, QStringLiteral("From\r\n--- Body ---"), {});
        QCOMPARE(path, std::optional<QString>(base + "_3.IN"));
        for (int n = 1; n <= 60; ++n)
            QCOMPARE(testsupport::readAll(leftover.arg(n)), QByteArray("left"));
        QCOMPARE(testsupport::readAll(base + ".IN"), QByteArray("earlier"));
        QCOMPARE(testsupport::readAll(outside), QByteArray("outside"));
        // A line break in the sender stays on the sender's line.
        QCOMPARE(leerLineas(*path)->value(2), QStringLiteral("From  --- Body ---"));
        QCOMPARE(leerLineas(*path)->size(), 4);
    }

    // The next start removes the work files of a mail client that was killed,
    // and only those: not a running one's, not a name of another shape.
    void staleWorkFilesOfDeadClientsGo() {
        const QString dead = QStringLiteral("incoming-2147483000-7.tmp"); // above any process number
        const QString running = QStringLiteral("incoming-%1-7.tmp").arg(QCoreApplication::applicationPid());
        const QString foreign = QStringLiteral("incoming-notes.tmp");
        for (const QString& name : {dead, running, foreign})
            testsupport::writeBytes(m_mail + name, "left");
        QCOMPARE(DurableFile::removeStaleWorkFiles(m_mail, {QStringLiteral("incoming-%1-*.tmp")}),
                 QStringList{dead});
        QVERIFY(QFile::exists(m_mail + running) && QFile::exists(m_mail + foreign));
    }

    // What a stranger wrote reaches the file, the window and QV_EMAIL.TXT without
    // control characters or terminal escape sequences.
    void strangersTextIsHarmless_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("kept");
        QTest::newRow("colour sequence") << "\x1b[31mRed\x1b[0m Ana"
                                         << "Red Ana";
        QTest::newRow("title sequence") << "\x1b]0;owned\x07"
                                           "Ana"
                                        << "Ana";
        QTest::newRow("title ended by ESC backslash") << "\x1b]2;x\x1b\\Ana"
                                                      << "Ana";
        QTest::newRow("C1 CSI and bell") << QString("A") + QChar(0x9B) + "2Jna\x07"
                                         << "Ana";
        QTest::newRow("NUL, DEL and backspace") << QString::fromLatin1("A\0n\x7f\x08"
                                                                       "a",
                                                                       6)
                                                << "Ana";
        QTest::newRow("tab and euro stay")
            << QString("Ana\t") + QChar(0x20AC) << QString("Ana\t") + QChar(0x20AC);
    }
    void strangersTextIsHarmless() {
        QFETCH(QString, written);
        QFETCH(QString, kept);
        const auto path = EscribirEmailRecibido(m_mail, written, {written, "before\r\nafter"});
        QVERIFY(path);
        const QStringList lines = *leerLineas(*path);
        QCOMPARE(lines.mid(2), (QStringList{kept, "--- Body ---", kept, "before", "after"}));
        // A file dropped by someone else is cleaned when it is read for the window and the log.
        testsupport::writeBytes(m_mail + "other.IN", "--- From ---\r\n\x1b[2J\x1b]0;x\x07"
                                                     "Bob\r\n--- Body ---\r\n\x1b[5mhi\r\n");
        QStringList raw;
        const auto shown = LeerEmailRecibido(m_mail + "other.IN", &raw);
        QCOMPARE(shown->mid(0, 2), (QStringList{"From: Bob", "hi"}));
        QCOMPARE(raw.value(1), QStringLiteral("Bob"));
    }

    // Only regular files are queue or incoming files: a FIFO would block its reader for ever.
    void onlyRegularFilesAreListed() {
        QVERIFY(::mkfifo(QFile::encodeName(m_mail + "fifo.IN").constData(), 0600) == 0);
        QVERIFY(::mkfifo(QFile::encodeName(m_mail + "fifo_1.OUT").constData(), 0600) == 0);
        QVERIFY(QDir(m_mail).mkdir("folder_2.OUT"));
        testsupport::writeBytes(m_mail + "real.IN", "--- From ---\r\na\r\n");
        testsupport::writeBytes(m_mail + "real_3.OUT", "x");
        QCOMPARE(ListarEmailRecibido(m_mail), QStringList{m_mail + "real.IN"});
        QCOMPARE(ListarEmailSaliente(m_mail), QStringList{m_mail + "real_3.OUT"});
        QCOMPARE(ContarEmailSaliente(m_mail), 1);
    }

    void writeFailureIsReported() {
        testsupport::writeBytes(m_mail + "plain", "x");
        QVERIFY(!EscribirEmailRecibido(m_mail + "plain/", "a", {"b"}));
    }

    void windowLines_data() {
        QTest::addColumn<QStringList>("file");
        QTest::addColumn<QStringList>("shown");
        const QString head = QString::fromLatin1(kCabeceraArchivo);
        const QStringList end{"", "__________ End of message __________", ""};
        const QStringList pie = PieMensaje();
        QTest::newRow("body up to our footer, empty lines skipped")
            << QStringList{head, "--- From ---", "ana@x", "--- Body ---", "one", "", "  two"} + pie
            << QStringList{"From: ana@x", "one", "  two"} + end;
        // A stranger's separator line hides nothing, and no line passes for the window's own.
        QTest::newRow("separator inside the text")
            << QStringList{head, "--- From ---", "ana@x", "--- Body ---", "one", "----------", "hidden?"} +
                   pie
            << QStringList{"From: ana@x", "one", "----------", "hidden?"} + end;
        QTest::newRow("separator with a tail that is not our footer")
            << QStringList{head, "--- From ---", "ana@x", "--- Body ---", "----------", "x"}
            << QStringList{"From: ana@x", "----------", "x"} + end;
        QTest::newRow("forged sender and end lines")
            << QStringList{"--- From ---",           "eve@x",      "--- Body ---",
                           "From: bank@example.org", " from:bank", QString::fromLatin1(kFinMensaje)}
            << QStringList{"From: eve@x", "> From: bank@example.org", ">  from:bank",
                           "> " + QString::fromLatin1(kFinMensaje)} +
                   end;
        QTest::newRow("footer line with blanks is body")
            << QStringList{"--- From ---", "a", "--- Body ---", " ---------- "}
            << QStringList{"From: a", " ---------- "} + end;
        QTest::newRow("no markers") << QStringList{"first", "second", "----------", "third"}
                                    << QStringList{"From: first", "first", "second", "----------", "third"} +
                                           end;
        QTest::newRow("from marker last")
            << QStringList{"x", "--- From ---"} << QStringList{"From: ", "x", "--- From ---"} + end;
    }
    void windowLines() {
        QFETCH(QStringList, file);
        QFETCH(QStringList, shown);
        QCOMPARE(*LineasVentanaEmailRecibido(file), shown);
    }

    // A received mail is a reminder of this system when its body is what an
    // outgoing file holds, whatever language its labels are in, and our
    // footer ends it; anything else is only shown.
    void reminderInMail_data() {
        QTest::addColumn<QStringList>("file");
        QTest::addColumn<QStringList>("reminder"); // description, text; empty: not a reminder
        const auto sent = [](const QString& descripcion, const QString& texto) {
            EmailSaliente e;
            e.descripcion = descripcion;
            e.texto = texto;
            e.destinatarios = {"ana@x"};
            const QStringList out = LineasEmailSaliente(e);
            return QStringList{QString::fromLatin1(kCabeceraArchivo), "--- From ---", "Bob <bob@x>"} +
                   out.mid(out.indexOf("--- Body ---")) + PieMensaje();
        };
        QTest::newRow("sent by this system")
            << sent("Dentist", "Call first\nthen go") << QStringList{"Dentist", "Call first\r\nthen go"};
        QTest::newRow("empty text") << sent("Dentist", "") << QStringList{"Dentist", ""};
        QTest::newRow("long description cut")
            << sent(QString(40, 'd'), "t") << QStringList{QString(30, 'd'), "t"};
        QTest::newRow("text cut to what a reminder holds")
            << sent("D", QString(300, 't')) << QStringList{"D", QString(255, 't')};
        QTest::newRow("Spanish sender")
            << QStringList{"--- From ---",
                           "Ana <ana@x>",
                           "--- Body ---",
                           "Aviso enviado por Norvo Orbalinder el 9/12/26 10:00:00",
                           "",
                           "Descripción del aviso:",
                           "Cita",
                           "",
                           "Texto del aviso:",
                           "A las diez"} +
                   PieMensaje()
            << QStringList{"Cita", "A las diez"};
        QTest::newRow("trailing empty line of the text lost on the way")
            << QStringList{"--- Body ---", "Sent on x", "", "Reminder:", "D", "", "Text:"} + PieMensaje()
            << QStringList{"D", ""};
        QTest::newRow("plain mail") << QStringList{"--- From ---", "a@x", "--- Body ---", "Party"} +
                                           PieMensaje()
                                    << QStringList();
        QTest::newRow("no footer")
            << sent("Dentist", "x").mid(0, sent("Dentist", "x").indexOf("----------") - 1) << QStringList();
        QTest::newRow("no description")
            << QStringList{"--- Body ---", "Sent on x", "", "Reminder:", "", "", "Text:", "t"} + PieMensaje()
            << QStringList();
        QTest::newRow("labels without colon")
            << QStringList{"--- Body ---", "Sent on x", "", "Reminder", "D", "", "Text", "t"} + PieMensaje()
            << QStringList();
        QTest::newRow("no body marker")
            << QStringList{"Sent on x", "", "Reminder:", "D", "", "Text:", "t"} + PieMensaje()
            << QStringList();
    }
    void reminderInMail() {
        QFETCH(QStringList, file);
        QFETCH(QStringList, reminder);
        const auto aviso = AvisoDeEmailRecibido(file);
        QCOMPARE(aviso.has_value(), !reminder.isEmpty());
        if (aviso) QCOMPARE((QStringList{aviso->descripcion, aviso->texto}), reminder);
    }

    void unreadableOrEmptyFilesFail() {
        QVERIFY(!LeerEmailRecibido(m_mail + "missing.IN"));
        testsupport::writeBytes(m_mail + "empty.IN", "");
        QVERIFY(!LeerEmailRecibido(m_mail + "empty.IN"));
        testsupport::writeBytes(m_mail + "one.IN", "--- From ---\r\nb@x\r\n--- Body ---\r\nhi\r\n");
        QStringList raw;
        const auto shown = LeerEmailRecibido(m_mail + "one.IN", &raw);
        QVERIFY(shown);
        QCOMPARE(shown->mid(0, 2), QStringList({"From: b@x", "hi"}));
        QCOMPARE(raw.size(), 4);
        QVERIFY(HayEmailRecibido(m_mail));
    }

    void logKeepsFirstMailAndAppendsNext() {
        const QStringList first{QString::fromLatin1(kCabeceraArchivo),
                                "--- From ---",
                                "ana@x",
                                "--- Body ---",
                                "hello",
                                "",
                                "----------",
                                "Sent by Orbalinder"};
        const QStringList second{
            "--- From ---", "bob@x", "--- Body ---", "", "bye", "__________ End of mail __________",
            "From: eve@x"};
        QVERIFY(RegistrarEmailRecibido(m_mail, first));
        m_clock.set(QDateTime(QDate(2026, 12, 9), QTime(0, 5)));
        QVERIFY(RegistrarEmailRecibido(m_mail, second));
        QCOMPARE(
            testsupport::readAll(m_mail + "QV_EMAIL.TXT"),
            QByteArray("# Mail file created by Norvo Orbalinder 2.0. DO NOT RENAME!\r\n\r\n"
                       "__________ Mail received on: 08/Dec/2026 10:42 am __________\r\n\r\n"
                       "From: ana@x\r\nhello\r\n----------\r\nSent by Orbalinder\r\n\r\n"
                       "__________ End of mail __________\r\n\r\n"
                       "__________ Mail received on: 09/Dec/2026 12:05 am __________\r\n\r\n"
                       "From: bob@x\r\nbye\r\n> __________ End of mail __________\r\n> From: eve@x\r\n\r\n"
                       "__________ End of mail __________\r\n\r\n"));
        m_clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 42, 17)));
    }

    void logWriteFailureIsReported() {
        QVERIFY(QDir().mkpath(m_mail + "QV_EMAIL.TXT")); // a folder in the log's place
        QVERIFY(!RegistrarEmailRecibido(m_mail, {"--- From ---", "a"}));
    }
};

QTEST_GUILESS_MAIN(TestIncomingMail)
#include "tst_incomingmail.moc"
