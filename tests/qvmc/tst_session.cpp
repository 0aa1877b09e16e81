// The mail client's session driver against scripted servers: what it asks for,
// what it logs, what it leaves; Finish runs once; the window keeps 100 lines.
#include "../pop3/ScriptedPop3Server.h"
#include "../smtp/ScriptedSmtpServer.h"
#include "core/TextCatalogue.h"
#include "mail/pop3/Pop3Client.h"
#include "mail/smtp/SmtpClient.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/MailClientCommandLine.h"
#include "mailfiles/SessionStatus.h"
#include "platform/SettingsStore.h"
#include "profiles/ArchivoPerfiles.h"
#include "qvmc/SesionCorreo.h"
#include "qvmc/VentanaCliente.h"
#include "settings/Ajustes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

namespace {
// Scripted replies: key -> successive replies (the last one repeats); an empty
// reply is a stall, the server never answers again. Keys are the whole command
// line (trimmed) or its verb; "greeting" is the first line sent. The other marks
// are the server's: a reply ending in "<close>" is sent and the connection
// closed after it, "<drop>" resets the connection instead of answering.
using Replies = QHash<QByteArray, QByteArrayList>;

// An unknown command gets 500; after a refused MAIL an SMTP server answers RCPT
// and DATA with 503 until the next RSET or MAIL.
void script(ScriptedMailServer& s, Replies replies) {
    const auto mark = [](const QByteArray& r) { return r.isEmpty() ? QByteArray("<stall>") : r; };
    s.greeting = mark(replies.take("greeting").value(0));
    s.unknownReply = "500 unknown\r\n";
    s.senderFirst = true;
    s.replies.clear();
    s.firstReplies.clear();
    for (auto it = replies.cbegin(); it != replies.cend(); ++it) {
        QByteArrayList turns;
        for (const QByteArray& r : it.value())
            turns << mark(r);
        s.replies[it.key()] = turns.isEmpty() ? s.unknownReply : turns.takeLast();
        if (!turns.isEmpty()) s.firstReplies[it.key()] = turns;
    }
}

Replies smtpReplies(const QByteArrayList& overrides = {}) {
    Replies r{{"greeting", {"220 ready\r\n"}}, {"HELO", {"250 hi\r\n"}}, {"RSET", {"250 ok\r\n"}},
              {"MAIL", {"250 ok\r\n"}},        {"RCPT", {"250 ok\r\n"}}, {"DATA", {"354 go\r\n"}},
              {".", {"250 queued\r\n"}},       {"QUIT", {"221 bye\r\n"}}};
    for (const QByteArray& o : overrides)
        r[o.left(o.indexOf('='))] = {o.mid(o.indexOf('=') + 1)};
    return r;
}

const QByteArray kOurs = "Subject: Norvo Orbalinder Message\r\n";

Replies popReplies(const QByteArrayList& overrides = {}) {
    Replies r{{"greeting", {"+OK\r\n"}},
              {"USER", {"+OK\r\n"}},
              {"PASS", {"+OK\r\n"}},
              {"STAT", {"+OK 1 100\r\n"}},
              {"LIST", {"+OK\r\n1 100\r\n.\r\n"}},
              {"LIST 1", {"+OK 1 100\r\n"}},
              {"TOP", {"+OK\r\n" + kOurs + "\r\n.\r\n"}},
              {"RETR", {"+OK\r\nFrom: a@x\r\n" + kOurs + "\r\nhello\r\n.\r\n"}},
              {"DELE", {"+OK\r\n"}}, // a bare +OK: deleted
              {"QUIT", {"+OK bye\r\n"}}};
    for (const QByteArray& o : overrides)
        r[o.left(o.indexOf('='))] = {o.mid(o.indexOf('=') + 1)};
    return r;
}

QString events(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines)
        out << l.mid(l.indexOf(QLatin1Char(' '), 2)); // drop "+ <time>"
    return out.join(QLatin1Char('|'));
}
} // namespace

class TestSession : public QObject {
    Q_OBJECT
    ProgramFolders folders;

    // A new profiles file whose only, active profile is `p`.
    void writeProfile(Perfil p) {
        RegistroPerfiles buffer;
        QList<FilaLibreta> rows;
        const QString pfl = RutaArchivoPerfiles(folders.dirPrograma);
        QFile::remove(pfl);
        QVERIFY(CrearPerfiles(pfl, buffer, rows));
        p.activo = true;
        buffer.setPerfil(1, p);
        QVERIFY(GuardarPerfiles(pfl, buffer, rows));
    }

    void profile(quint16 smtpPort, quint16 popPort) {
        Perfil p;
        p.nombreUsuario = "Me";
        p.emailUsuario = "me@example.test";
        p.servidorSMTP = QString("127.0.0.1:%1").arg(smtpPort);
        p.servidorPOP3 = QString("127.0.0.1:%1").arg(popPort);
        p.loginPOP3 = "me";
        p.passwdPOP3 = "pw";
        writeProfile(p);
    }

    QStringList run(const QStringList& args) {
        SesionCorreo s(folders, mailfiles::LeerLineaComandos(args), {});
        s.ejecutar();
        return s.lineas();
    }

    void queue(const QString& name, const QString& recipient) {
        QFile out(folders.dirMail + name);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("--- Dest ---\r\n1\r\n" + recipient.toUtf8() + "\r\n--- Body ---\r\nhi\r\n");
    }

private slots:
    void init() {
        folders = ProgramFolders::from(QDir::currentPath());
        QDir(folders.dirMail).removeRecursively();
        folders.createWorkFolders();
        // A session's minute is 2 s here: long enough for a loaded machine, so
        // that only the tests of time-outs (which shorten it) ever see one.
        SesionCorreo::msPorMinuto = 2000;
    }

    void noProfileFinishesAtOnce() {
        QFile::remove(RutaArchivoPerfiles(folders.dirPrograma));
        QFile queued(folders.dirMail + "a_1.OUT");
        QVERIFY(queued.open(QIODevice::WriteOnly));
        queued.close();
        QCOMPARE(events(run({"SMTP", "POP3", "5"})), QString(" Active connection missing"));
        const auto estado = mailfiles::LeerEstadoSesion(folders.dirTemp);
        QVERIFY(estado && estado->motivoSesion == "Active connection missing" &&
                estado->archivos.size() == 1);
        QVERIFY(QFile::exists(folders.dirTemp + "QV_LOG.TXT")); // the session log is still written
    }

    void emptyMailFolderMakesNoConnection() {
        ScriptedMailServer smtp;
        profile(smtp.port(), 1);
        QCOMPARE(events(run({"SMTP", "XXXX", "5"})),
                 QString(" SMTP service requested| Servers timeout set to 5 min.| No mail to send"));
        QCOMPARE(smtp.connections, 0);
    }

    void oneOfThreeMessagesIsOurs() {
        ScriptedPop3Server pop;
        pop.greeting = pop.unknownReply = "+OK\r\n";
        pop.replies = {{"CAPA", "-ERR\r\n"}, // a server of the first POP3 kind
                       {"STAT", "+OK 3 300\r\n"},
                       {"LIST", "+OK\r\n1 100\r\n2 100\r\n3 100\r\n.\r\n"},
                       {"LIST 1", "+OK 2 100\r\n"},
                       {"LIST 2", "+OK 2 100\r\n"},
                       {"LIST 3", "+OK 2 100\r\n"},
                       {"TOP 2 0", "+OK\r\nSubject:  Norvo Orbalinder Message \r\n\r\n.\r\n"},
                       {"TOP 3 0", "+OK\r\nSubject: norvo orbalinder message\r\n\r\n.\r\n"},
                       {"TOP", "+OK\r\nSubject: lunch\r\n\r\n.\r\n"},
                       {"RETR 2", "+OK\r\nFrom: Ana <ana@x>\r\nSubject: x\r\n\r\nRoom 3\r\n.\r\n"},
                       {"DELE", "+OK deleted\r\n"}};
        profile(1, pop.port());
        const QString log = events(run({"XXXX", "POP3", "5"}));
        QCOMPARE(log, QString(" POP service requested| Servers timeout set to 5 min.| Connecting to POP host|"
                              " Connected to POP host| Mail received (2)| Mail deleted from server (2)|"
                              " Disconnected from POP host"));
        QVERIFY(pop.received.contains("DELE 2\r\n"));
        QVERIFY(!pop.received.contains("DELE 1") && !pop.received.contains("DELE 3"));
        QVERIFY(!pop.received.contains("RETR 3")); // other letter case: not ours
        QCOMPARE(mailfiles::ListarEmailRecibido(folders.dirMail).size(), 1);
    }

    void emptyMailbox() {
        ScriptedPop3Server pop;
        pop.greeting = pop.unknownReply = "+OK\r\n";
        pop.replies = {{"STAT", "+OK 0 0\r\n"}, {"CAPA", "-ERR\r\n"}};
        profile(1, pop.port());
        const QString log = events(run({"XXXX", "POP3", "5"}));
        QVERIFY(log.endsWith(" Connected to POP host| No mail received| Disconnected from POP host"));
        QVERIFY(!pop.received.contains("LIST"));
    }

    void silentServerTimesOut() {
        SesionCorreo::msPorMinuto = 200;
        ScriptedMailServer smtp; // accepts, never greets
        profile(smtp.port(), 1);
        mailfiles::EscribirEmailRecibido(folders.dirMail, "x", {}); // not a queue file
        QFile out(folders.dirMail + "a_1.OUT");
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("--- Dest ---\r\n1\r\nb@x\r\n--- Body ---\r\nhi\r\n");
        out.close();
        const QString log = events(run({"SMTP", "XXXX", "1"}));
        QVERIFY2(log.contains(" SMTP timed out"), qPrintable(log));
        QVERIFY(QFile::exists(folders.dirMail + "a_1.OUT")); // nothing lost
    }

    void dialsTheProfilesEntryAndHangsUp() {
        QProcess tool;
        tool.start(QStringLiteral(ORB_BINARY_DIR "/src/tools/qvtool"), {"dialup", "add", "ISP"});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 0);
        SesionCorreo::pausaColgar = 0;
        for (const QString& entry : {QStringLiteral("ISP"), QStringLiteral("Nowhere")}) {
            Perfil p;
            p.emailUsuario = "me@example.test";
            p.conexionPos = 1;
            p.conexionNombre = entry;
            writeProfile(p);
            const QString log = events(run({"XXXX", "XXXX", "1"}));
            if (entry == "ISP")
                QVERIFY2(log.contains(" Dialing ISP") && log.contains(" Connected to ISP") &&
                             log.endsWith(" Disconnected from ISP"),
                         qPrintable(log));
            else
                QVERIFY2(log.endsWith(" Error connecting to ISP") && !log.contains("Dialing"),
                         qPrintable(log));
        }
    }

    // A server that stops answering at any point holds the session no longer
    // than its time-out: the phase ends, the log is written, nothing is lost.
    void everyWaitEnds_data() {
        QTest::addColumn<bool>("smtp");
        QTest::addColumn<QByteArrayList>("overrides");
        QTest::addColumn<bool>("delivered"); // the message got through before the stall
        QTest::newRow("SMTP greeting") << true << QByteArrayList{"greeting="} << false;
        QTest::newRow("SMTP HELO") << true << QByteArrayList{"HELO="} << false;
        QTest::newRow("SMTP QUIT after a refused HELO")
            << true << QByteArrayList{"HELO=501 no\r\n", "QUIT="} << false;
        QTest::newRow("SMTP DATA after a refused RCPT")
            << true << QByteArrayList{"RCPT=550 no\r\n", "DATA="} << false;
        QTest::newRow("SMTP reply cut after its first line")
            << true << QByteArrayList{"MAIL=554-first\r\n"} << false;
        QTest::newRow("SMTP final dot") << true << QByteArrayList{".="} << false;
        QTest::newRow("SMTP final dot, the next envelope sent with it")
            << true << QByteArrayList{"EHLO=250-hi\r\n250 PIPELINING\r\n", ".="} << false;
        QTest::newRow("SMTP pipelined envelope")
            << true << QByteArrayList{"EHLO=250-hi\r\n250 PIPELINING\r\n", "RCPT="} << false;
        QTest::newRow("SMTP QUIT after the loop") << true << QByteArrayList{"QUIT="} << true;
        QTest::newRow("POP greeting") << false << QByteArrayList{"greeting="} << false;
        QTest::newRow("POP QUIT after a refused PASS")
            << false << QByteArrayList{"PASS=-ERR no\r\n", "QUIT="} << false;
        QTest::newRow("POP middle of LIST")
            << false << QByteArrayList{"STAT=+OK 2 200\r\n", "LIST=+OK\r\n1 100\r\n"} << false;
        QTest::newRow("POP middle of a message")
            << false << QByteArrayList{"RETR=+OK\r\n" + kOurs + "\r\nhalf"} << false;
        QTest::newRow("POP DELE") << false << QByteArrayList{"DELE="} << true;
        QTest::newRow("POP QUIT after the loop") << false << QByteArrayList{"QUIT="} << true;
    }
    void everyWaitEnds() {
        QFETCH(bool, smtp);
        QFETCH(QByteArrayList, overrides);
        QFETCH(bool, delivered);
        SesionCorreo::msPorMinuto = 200;
        ScriptedMailServer server(smtp ? ScriptedMailServer::Protocol::Smtp
                                       : ScriptedMailServer::Protocol::Pop3);
        script(server, smtp ? smtpReplies(overrides) : popReplies(overrides));
        profile(server.port(), server.port());
        if (smtp) {
            queue("a_1.OUT", "b@x");
            queue("b_2.OUT", "c@x");
        }
        QElapsedTimer clock;
        clock.start();
        const QString log = events(run({smtp ? "SMTP" : "XXXX", smtp ? "XXXX" : "POP3", "1"}));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(log.contains(smtp ? " SMTP timed out" : " POP timed out"), qPrintable(log));
        QVERIFY2(log.contains(smtp ? " Disconnected from SMTP host" : " Disconnected from POP host"),
                 qPrintable(log));
        QVERIFY(QFile(folders.dirTemp + "QV_LOG.TXT").size() > 0);
        if (smtp)
            QCOMPARE(QFile::exists(folders.dirMail + "a_1.OUT"), !delivered);
        else
            QCOMPARE(mailfiles::ListarEmailRecibido(folders.dirMail).size(), delivered ? 1 : 0);
    }

    // Pipelined commands (servers that offer PIPELINING) give the session the
    // command-by-command one gives: the same log, files and outcomes, also when
    // a server refuses or goes away in the middle of a batch.
    void pipeliningChangesNoOutcome_data() {
        QTest::addColumn<bool>("smtp");
        QTest::addColumn<QByteArrayList>("overrides");
        QTest::addColumn<bool>("fewerWaits"); // long enough for the batches to show
        QTest::newRow("SMTP all accepted") << true << QByteArrayList{} << true;
        QTest::newRow("SMTP a recipient refused")
            << true << QByteArrayList{"RCPT TO:<c@x>=550 5.1.1 no c\r\n"} << true;
        QTest::newRow("SMTP MAIL refused")
            << true << QByteArrayList{"MAIL=550 5.7.1 not you\r\n|250 ok\r\n"} << true;
        QTest::newRow("SMTP MAIL refused, server leaves")
            << true << QByteArrayList{"MAIL=250 ok\r\n|421 4.3.2 bye\r\n<close>"} << true;
        QTest::newRow("SMTP end of data refused")
            << true << QByteArrayList{".=554 5.7.1 spam\r\n|250 queued\r\n"} << true;
        QTest::newRow("SMTP DATA refused")
            << true << QByteArrayList{"DATA=354 go\r\n|554 5.5.1 no\r\n|354 go\r\n"} << true;
        QTest::newRow("SMTP multi-line refusal of RCPT")
            << true << QByteArrayList{"RCPT TO:<b@x>=550-5.1.1 no\r\n550 5.1.1 b\r\n"} << true;
        QTest::newRow("SMTP closed after a RCPT")
            << true << QByteArrayList{"RCPT TO:<c@x>=250 ok\r\n<close>"} << true;
        QTest::newRow("SMTP reset in the batch") << true << QByteArrayList{"RCPT TO:<c@x>=<drop>"} << true;
        QTest::newRow("POP all ours") << false << QByteArrayList{} << true;
        QTest::newRow("POP TOP refused")
            << false << QByteArrayList{"TOP 2 0=-ERR no such message\r\n"} << true;
        QTest::newRow("POP LIST n refused") << false << QByteArrayList{"LIST 2=-ERR gone\r\n"} << true;
        QTest::newRow("POP DELE refused") << false << QByteArrayList{"DELE 1=-ERR locked\r\n"} << true;
        QTest::newRow("POP RETR refused") << false << QByteArrayList{"RETR 3=-ERR locked\r\n"} << true;
        QTest::newRow("POP closed after a DELE") << false << QByteArrayList{"DELE 1=+OK\r\n<close>"} << false;
        QTest::newRow("POP closed in a TOP answer")
            << false << QByteArrayList{"TOP 2 0=+OK\r\nSubject: x\r\n<close>"} << true;
        QTest::newRow("POP reset before a summary") << false << QByteArrayList{"TOP 3 0=<drop>"} << true;
        QTest::newRow("POP closed after a RETR")
            << false << QByteArrayList{"RETR 1=+OK\r\n" + kOurs + "\r\nhi\r\n.\r\n<close>"} << true;
        // More messages than the client keeps unanswered at once.
        const auto many = [](QByteArrayList extra) {
            QByteArray list = "LIST=+OK\r\n";
            QByteArrayList o{"STAT=+OK 100 10000\r\n"};
            for (int n = 1; n <= 100; ++n) {
                list += QByteArray::number(n) + " 100\r\n";
                o << "LIST " + QByteArray::number(n) + "=+OK " + QByteArray::number(n) + " 100\r\n";
            }
            return o << list + ".\r\n" << extra;
        };
        QTest::newRow("POP many messages") << false << many({}) << true;
        QTest::newRow("POP many messages, reset in a burst") << false << many({"RETR 70=<drop>"}) << true;
        QTest::newRow("POP many messages, refusals in bursts")
            << false << many({"TOP 50 0=-ERR gone\r\n", "RETR 60=-ERR locked\r\n", "DELE 80=-ERR no\r\n"})
            << true;
    }
    void pipeliningChangesNoOutcome() {
        QFETCH(bool, smtp);
        QFETCH(QByteArrayList, overrides);
        QFETCH(bool, fewerWaits);
        struct Outcome {
            QString log;
            QStringList files, status, strayReasons;
            int reads = 0;
        };
        auto session = [&](bool pipelining) {
            init();
            ScriptedMailServer server(smtp ? ScriptedMailServer::Protocol::Smtp
                                           : ScriptedMailServer::Protocol::Pop3);
            Replies r =
                smtp ? smtpReplies({"EHLO=250-hi\r\n250-PIPELINING\r\n250 8BITMIME\r\n"})
                     : popReplies({"CAPA=+OK\r\nUSER\r\nPIPELINING\r\n.\r\n", "STAT=+OK 3 300\r\n",
                                   "LIST=+OK\r\n1 100\r\n2 100\r\n3 100\r\n.\r\n", "LIST 2=+OK 2 100\r\n",
                                   "LIST 3=+OK 3 100\r\n", "TOP 2 0=+OK\r\nSubject: lunch\r\n\r\n.\r\n"});
            for (const QByteArray& o : overrides) {
                const qsizetype eq = o.indexOf('=');
                r[o.left(eq)] = o.mid(eq + 1).split('|');
            }
            script(server, r);
            profile(server.port(), server.port());
            queue("a_1.OUT", "b@x");
            queue("b_2.OUT", "c@x");
            for (const auto& [name, dest] :
                 {std::pair{"c_3.OUT", "e@x\r\na@b> NOTIFY=SUCCESS"}, // refused here
                  std::pair{"d_4.OUT", "Bea <b@x>\r\nc@x"}}) {
                QFile two(folders.dirMail + name);
                if (two.open(QIODevice::WriteOnly))
                    two.write(QByteArray("--- Dest ---\r\n2\r\n") + dest + "\r\n--- Body ---\r\nmore\r\n");
            }
            SesionCorreo s(
                folders, mailfiles::LeerLineaComandos({smtp ? "SMTP" : "XXXX", smtp ? "XXXX" : "POP3", "1"}),
                {});
            s.smtp()->Pipelining = s.pop3()->Pipelining = pipelining;
            s.ejecutar();
            Outcome o{events(s.lineas()), {}, {}, {}, server.reads};
            for (const QString& f : QDir(folders.dirMail).entryList(QDir::Files, QDir::Name)) {
                QFile file(folders.dirMail + f);
                file.open(QIODevice::ReadOnly);
                // Incoming files are named by the time they were written: their text tells.
                o.files << (f.endsWith(".IN") ? QString("IN") : f) + ":" +
                               QString::number(qHash(file.readAll()));
            }
            o.files.sort();
            if (const auto estado = mailfiles::LeerEstadoSesion(folders.dirTemp))
                for (const mailfiles::EstadoArchivo& f : estado->archivos) {
                    o.status << f.archivo + "=" + QString::number(int(f.resultado)) + ":" + f.destinatario +
                                    ":" + f.motivo;
                    // A reason on a mail sent whole belongs to another file's refusal.
                    if (f.resultado == mailfiles::ResultadoEnvio::Enviado && f.destinatario.isEmpty() &&
                        !f.motivo.isEmpty())
                        o.strayReasons << f.archivo + ": " + f.motivo;
                }
            return o;
        };
        const Outcome plain = session(false);
        const Outcome pipelined = session(true);
        // Each session ends on its own: a phase cut by its clock would hide what the replies decide.
        QVERIFY2(!plain.log.contains("timed out"), qPrintable(plain.log));
        QCOMPARE(pipelined.log, plain.log);
        QCOMPARE(pipelined.files, plain.files);
        QCOMPARE(pipelined.status, plain.status);
        QVERIFY2(plain.strayReasons.isEmpty(), qPrintable(plain.strayReasons.join("; ")));
        QVERIFY2(!fewerWaits || pipelined.reads < plain.reads,
                 qPrintable(QString("%1 reads, %2 plain").arg(pipelined.reads).arg(plain.reads)));
    }

    // Each queue file fails or succeeds on its own: a multi-line refusal, a
    // recipient that is not one plain address, a FIFO named like a queue file.
    void queueFilesFailAlone() {
        ScriptedSmtpServer smtp;
        Replies r = smtpReplies();
        r["MAIL"] = {"554-5.7.1 not\r\n554 5.7.1 you\r\n", "250 ok\r\n"};
        script(smtp, r);
        profile(smtp.port(), 1);
        queue("a_1.OUT", "Ana <ana@x>");
        queue("b_2.OUT", "a@b> NOTIFY=SUCCESS");
        queue("c_3.OUT", QString(20000, 'c') + "@x");
        queue("d_4.OUT", "Dan <dan@x>");
        QVERIFY(::mkfifo(QFile::encodeName(folders.dirMail + "e_5.OUT").constData(), 0600) == 0);
        const QString log = events(run({"SMTP", "XXXX", "5"}));
        QVERIFY2(log.contains(" Not a regular file, skipped (" + folders.dirMail + "e_5.OUT)| Connecting"),
                 qPrintable(log));
        // the refusal in the server's own words, after the code's meaning
        QVERIFY2(log.contains(" Error 554 - Transaction failed: not you| Invalid recipient address (" +
                              folders.dirMail + "b_2.OUT)| Invalid recipient address (" + folders.dirMail +
                              "c_3.OUT)| Mail sent (" + folders.dirMail +
                              "d_4.OUT)| Disconnected from SMTP host"),
                 qPrintable(log));
        QVERIFY(!log.contains("Mail sent (" + folders.dirMail + "a_1"));
        for (const char* kept : {"a_1.OUT", "b_2.OUT", "c_3.OUT", "e_5.OUT"})
            QVERIFY(QFileInfo::exists(folders.dirMail + kept));
        QVERIFY(!QFile::exists(folders.dirMail + "d_4.OUT"));
        QCOMPARE(smtp.received.count("DATA"), 1);
        QVERIFY(smtp.received.contains("RCPT TO:<dan@x>\r\n"));
        QVERIFY(!smtp.received.contains("NOTIFY") && !smtp.received.contains("ccccc"));
        // The reminder program learns each file's outcome, in the server's own words.
        const auto estado = mailfiles::LeerEstadoSesion(folders.dirTemp);
        QVERIFY(estado && estado->motivoSesion.isEmpty());
        QStringList outcome;
        for (const mailfiles::EstadoArchivo& f : estado->archivos)
            outcome << f.archivo + "=" + QString::number(int(f.resultado)) + ":" + f.motivo;
        QCOMPARE(outcome,
                 (QStringList{"a_1.OUT=1:554-5.7.1 not  554 5.7.1 you", "b_2.OUT=2:invalid recipient address",
                              "c_3.OUT=2:invalid recipient address", "d_4.OUT=0:"}));
    }

    // An address-book entry naming several recipients gives each of them the
    // message (envelope and To:); one that is not a list of plain addresses is refused by name.
    void everyNamedRecipientGetsTheMessage() {
        ScriptedSmtpServer smtp;
        script(smtp, smtpReplies());
        profile(smtp.port(), 1);
        queue("a_1.OUT", "Bob <bob@x>, carol@y");
        queue("b_2.OUT", "bob@x,evil@y");
        queue("c_3.OUT", "bob@x evil@y");
        const QString log = events(run({"SMTP", "XXXX", "5"}));
        QVERIFY2(log.contains(" Mail sent (" + folders.dirMail + "a_1.OUT)| Mail sent (" + folders.dirMail +
                              "b_2.OUT)| Invalid recipient address (" + folders.dirMail + "c_3.OUT)"),
                 qPrintable(log));
        QCOMPARE(smtp.received.count("RCPT TO:<bob@x>\r\n"), 2);
        QCOMPARE(smtp.received.count("RCPT TO:<carol@y>\r\n"), 1);
        QCOMPARE(smtp.received.count("RCPT TO:<evil@y>\r\n"), 1);
        QCOMPARE(smtp.received.count("RCPT TO:"), 4); // never one RCPT for two
        const QByteArray data = smtp.received.mid(smtp.received.indexOf("DATA"));
        const QByteArray to = data.mid(data.indexOf("\r\nTo: ") + 2).split('\r').value(0);
        QVERIFY2(to.contains("bob@x") && to.contains("carol@y"), to.constData());
    }

    // Parts of received mail land in MAIL/Attachments/ (owner-only), never in
    // the program folder or the working directory; strangers' names and
    // senders are made harmless; a message over the size limit stays on the server.
    void receivedMailStaysInItsFolder() {
        ScriptedPop3Server pop;
        const QByteArray hostile =
            "+OK\r\nFrom: \x1b[31mEve\x1b[0m <eve@x>\r\n" + kOurs +
            "Content-Type: multipart/mixed; boundary=zz\r\n\r\n--zz\r\n\r\nsee files\r\n"
            "--zz\r\nContent-Disposition: attachment; "
            "filename=\"qt.conf\"\r\n\r\n[Paths]\r\nPlugins=/nonexistent\r\n"
            "--zz\r\nContent-Disposition: attachment; filename=\"" +
            QByteArray(100, '\x80') +
            ".so\"\r\n\r\nELF\r\n"
            "--zz--\r\n.\r\n";
        Replies r = popReplies({"STAT=+OK 3 300\r\n", "LIST=+OK\r\n1 100\r\n2 31457280\r\n3 100\r\n.\r\n",
                                "LIST 2=+OK 2 31457280\r\n", "LIST 3=+OK 3 100\r\n"});
        r["RETR 1"] = {hostile};
        script(pop, r);
        profile(1, pop.port());
        const QString log = events(run({"XXXX", "POP3", "5"}));
        QVERIFY2(
            log.contains(" Mail too large, left on server (2: 31457280 bytes)| Mail received (1)|"
                         " Mail received (3)| Mail deleted from server (1)| Mail deleted from server (3)|"),
            qPrintable(log));
        QVERIFY(!pop.received.contains("RETR 2") && !pop.received.contains("DELE 2"));
        const QString attachments = folders.dirMail + "Attachments/";
        QVERIFY(QFile::exists(attachments + "qt.conf"));
        QCOMPARE(QFileInfo(attachments).permissions() & 0x0077, QFileDevice::Permissions());
        QCOMPARE(QDir(attachments).entryList(QDir::Files).filter(".so").size(), 1);
        // Nothing outside MAIL/ and TEMP/ besides the profiles file.
        QCOMPARE(QDir(folders.dirPrograma).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(RutaArchivoPerfiles(folders.dirPrograma)).fileName()});
        QVERIFY(!QFile::exists(QDir::currentPath() + "/qt.conf"));
        const QStringList incoming = mailfiles::ListarEmailRecibido(folders.dirMail);
        QCOMPARE(incoming.size(), 2);
        QStringList lines;
        mailfiles::LeerEmailRecibido(incoming.first(), &lines);
        QCOMPARE(lines.value(2), QStringLiteral("Eve <eve@x>"));
    }

    // A message that fails while it is read (its part cannot be written) is read
    // to its final dot and left on the server; the next one is handled normally.
    void hostileMessageThenGoodOnes() {
        ScriptedPop3Server pop;
        Replies r =
            popReplies({"STAT=+OK 2 200\r\n", "LIST=+OK\r\n1 100\r\n2 100\r\n.\r\n", "LIST 2=+OK 2 100\r\n"});
        r["RETR 1"] = {"+OK\r\n" + kOurs +
                       "Content-Type: multipart/mixed; boundary=zz\r\n\r\n--zz\r\n\r\nx\r\n--zz\r\n"
                       "Content-Disposition: attachment; filename=\"a.txt\"\r\n\r\n+OK "
                       "forged\r\n--zz--\r\n+OK\r\n.\r\n"};
        script(pop, r);
        profile(1, pop.port());
        QVERIFY(QDir().mkpath(folders.dirMail + "Attachments/Temp.mme")); // a folder where the work file goes
        const QString log = events(run({"XXXX", "POP3", "5"}));
        QVERIFY2(log.contains(" Connected to POP host| Error receiving mail (1)| Mail received (2)|"
                              " Mail deleted from server (2)| Disconnected from POP host"),
                 qPrintable(log));
        QVERIFY(!pop.received.contains("DELE 1"));
        QCOMPARE(mailfiles::ListarEmailRecibido(folders.dirMail).size(), 1);
        QCOMPARE(QDir(folders.dirMail).entryList({"*.tmp"}, QDir::Files), QStringList()); // no work file left
    }

    // A stranger's mailbox cannot make the session cost more than its bounds:
    // numbers outside 1..STAT or listed twice are not used, a message larger
    // than announced stops at MaxMailSize with its files removed and no DELE.
    void strangersMailboxIsBounded() {
        Ajustes::abrirClave(true)->writeInteger(QStringLiteral("MaxMailSize"), 1);
        ScriptedPop3Server pop;
        Replies r = popReplies({"STAT=+OK 2 200\r\n",
                                "LIST=+OK\r\n0 10\r\n-1 10\r\n1 10\r\n1 10\r\n7 10\r\n2 10\r\n.\r\n",
                                "LIST 1=+OK 1 10\r\n", "LIST 2=+OK 2 10\r\n"});
        r["RETR 1"] = {"+OK\r\n" + kOurs +
                       "Content-Type: multipart/mixed; boundary=zz\r\n\r\n--zz\r\n\r\nx\r\n--zz\r\n"
                       "Content-Disposition: attachment; filename=\"big.bin\"\r\n\r\n" +
                       QByteArray(1000, 'b').append("\r\n").repeated(2000) + "--zz--\r\n.\r\n"};
        script(pop, r);
        profile(1, pop.port());
        const QString log = events(run({"XXXX", "POP3", "5"}));
        Ajustes::abrirClave(true)->writeInteger(QStringLiteral("MaxMailSize"), 25);
        QVERIFY2(log.contains(" Connected to POP host| Mail too large, left on server (1: ") &&
                     log.contains(" bytes)| Mail received (2)| Mail deleted from server (2)| Disconnected"),
                 qPrintable(log));
        QCOMPARE(pop.received.count("TOP "), 2);
        QCOMPARE(pop.received.count("RETR "), 2);
        QVERIFY(!pop.received.contains("TOP 0") && !pop.received.contains("TOP -1") &&
                !pop.received.contains("TOP 7") && !pop.received.contains("DELE 1"));
        QCOMPARE(QDir(folders.dirMail + "Attachments").entryList(QDir::Files), QStringList());
        QCOMPARE(mailfiles::ListarEmailRecibido(folders.dirMail).size(), 1);
    }

    void refusedListEndsThePhaseAtOnce() {
        ScriptedPop3Server pop;
        script(pop, popReplies({"LIST=-ERR not now\r\n"}));
        profile(1, pop.port());
        const QString log = events(run({"XXXX", "POP3", "5"}));
        QVERIFY2(log.endsWith(" Connected to POP host| Error listing mail on server| No mail received|"
                              " Disconnected from POP host"),
                 qPrintable(log));
    }

    // "Close" while the session waits for a server ends the program promptly;
    // what is logged on the way out still reaches the log file.
    void closeDuringAWaitEndsPromptly() {
        SesionCorreo::msPorMinuto = 60000;
        ScriptedMailServer smtp; // accepts, never greets
        profile(smtp.port(), smtp.port());
        queue("a_1.OUT", "b@x");
        SesionCorreo s(folders, mailfiles::LeerLineaComandos({"SMTP", "POP3", "5"}), {});
        int finished = 0;
        connect(&s, &SesionCorreo::finalizada, [&] { ++finished; });
        QTimer::singleShot(300, &s, [&s] { s.finish(); });
        QElapsedTimer clock;
        clock.start();
        s.ejecutar();
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(finished, 1);
        const QString log = events(s.lineas());
        QVERIFY2(log.endsWith(" Connecting to SMTP host| Disconnected from SMTP host"), qPrintable(log));
        QFile file(folders.dirTemp + "QV_LOG.TXT");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Disconnected from SMTP host"));
        QVERIFY(QFile::exists(folders.dirMail + "a_1.OUT"));
    }

    // Control bytes in a profile text never reach a server: that phase is not run.
    void profileTextsWithControlBytes() {
        ScriptedMailServer server;
        Perfil p;
        p.emailUsuario = "me@example.test";
        p.servidorSMTP = QString("127.0.0.1:%1").arg(server.port());
        p.loginSMTP = QString::fromLatin1("me\0RCPT", 7);
        p.servidorPOP3 = p.servidorSMTP;
        p.loginPOP3 = "me";
        p.passwdPOP3 = "pw\x01";
        writeProfile(p);
        queue("a_1.OUT", "b@x");
        const QString log = events(run({"SMTP", "POP3", "5"}));
        QVERIFY2(log.contains(" Profile field not usable: SMTP login") &&
                     log.contains(" Profile field not usable: POP3 password"),
                 qPrintable(log));
        QCOMPARE(server.connections, 0);
    }

    void finishRunsOnceAndTheWindowKeeps100Lines() {
        SesionCorreo s(folders, mailfiles::LeerLineaComandos({"XXXX", "XXXX", "1"}), {});
        int finished = 0;
        connect(&s, &SesionCorreo::finalizada, [&] { ++finished; });
        qvmc::TVPrincipal w(&s);
        for (int i = 0; i < 130; ++i)
            w.mostrarLinea(QString("+ 10:00:00 line %1").arg(i));
        QVERIFY(w.memoLog()->toPlainText().isEmpty()); // hidden: nothing laid out
        w.show();                                      // filled in full when shown
        QCOMPARE(w.memoLog()->document()->blockCount(), 100);
        QVERIFY(w.memoLog()->toPlainText().startsWith("+ 10:00:00 line 30\n"));
        for (int i = 130; i < 135; ++i)
            w.mostrarLinea(QString("+ 10:00:00 line %1").arg(i));
        QTRY_VERIFY(w.memoLog()->toPlainText().endsWith("line 134")); // one batch while shown
        QCOMPARE(w.memoLog()->document()->blockCount(), 100);
        QVERIFY(w.memoLog()->toPlainText().startsWith("+ 10:00:00 line 35\n"));
        w.showMinimized();
        for (int i = 135; i < 140; ++i)
            w.mostrarLinea(QString("+ 10:00:00 line %1").arg(i));
        w.showNormal();
        QTRY_VERIFY(w.memoLog()->toPlainText().endsWith("line 139"));
        QVERIFY(w.memoLog()->toPlainText().startsWith("+ 10:00:00 line 40\n"));
        s.finish();
        s.finish(); // from the menu during a wait: no second Finish
        QCOMPARE(finished, 1);
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
