// The mail client's session driver against scripted servers: what it asks for,
// what it logs, what it leaves; Finish runs once; the window keeps 100 lines.
#include "../net/ScriptServer.h"
#include "core/TextCatalogue.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/MailClientCommandLine.h"
#include "profiles/ArchivoPerfiles.h"
#include "qvmc/SesionCorreo.h"
#include "qvmc/VentanaCliente.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>

namespace {
QString events(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines) out << l.mid(l.indexOf(QLatin1Char(' '), 2)); // drop "+ <time>"
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

private slots:
    void init() {
        folders = ProgramFolders::from(QDir::currentPath());
        QDir(folders.dirMail).removeRecursively();
        folders.createWorkFolders();
        SesionCorreo::msPorMinuto = 200;
    }

    void noProfileFinishesAtOnce() {
        QFile::remove(RutaArchivoPerfiles(folders.dirPrograma));
        QCOMPARE(events(run({"SMTP", "POP3", "5"})), QString(" Active connection missing"));
        QVERIFY(QFile::exists(folders.dirTemp + "QV_LOG.TXT")); // the session log is still written
    }

    void emptyMailFolderMakesNoConnection() {
        ScriptServer smtp;
        profile(smtp.port(), 1);
        QCOMPARE(events(run({"SMTP", "XXXX", "5"})),
                 QString(" SMTP service requested| Servers timeout set to 5 min.| No mail to send"));
        QCOMPARE(smtp.connections, 0);
    }

    void oneOfThreeMessagesIsOurs() {
        ScriptServer pop;
        pop.onConnected = [](ScriptServer& s) { s.send("+OK\r\n"); };
        pop.onLine = [](ScriptServer& s, const QByteArray& l) {
            if (l.startsWith("STAT")) s.send("+OK 3 300\r\n");
            else if (l.startsWith("LIST ")) {
                if (l.size() > 7) s.send("+OK 2 100\r\n");
                else s.send("+OK\r\n1 100\r\n2 100\r\n3 100\r\n.\r\n");
            } else if (l.startsWith("TOP 2")) s.send("+OK\r\nSubject:  Norvo Orbalinder Message \r\n\r\n.\r\n");
            else if (l.startsWith("TOP 3")) s.send("+OK\r\nSubject: norvo orbalinder message\r\n\r\n.\r\n");
            else if (l.startsWith("TOP")) s.send("+OK\r\nSubject: lunch\r\n\r\n.\r\n");
            else if (l.startsWith("RETR 2")) s.send("+OK\r\nFrom: Ana <ana@x>\r\nSubject: x\r\n\r\nRoom 3\r\n.\r\n");
            else if (l.startsWith("DELE")) s.send("+OK deleted\r\n");
            else s.send("+OK\r\n");
        };
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
        ScriptServer pop;
        pop.onConnected = [](ScriptServer& s) { s.send("+OK\r\n"); };
        pop.onLine = [](ScriptServer& s, const QByteArray& l) { s.send(l.startsWith("STAT") ? "+OK 0 0\r\n" : "+OK\r\n"); };
        profile(1, pop.port());
        const QString log = events(run({"XXXX", "POP3", "5"}));
        QVERIFY(log.endsWith(" Connected to POP host| No mail received| Disconnected from POP host"));
        QVERIFY(!pop.received.contains("LIST"));
    }

    void silentServerTimesOut() {
        ScriptServer smtp; // accepts, never greets
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
                QVERIFY2(log.endsWith(" Error connecting to ISP") && !log.contains("Dialing"), qPrintable(log));
        }
    }

    void finishRunsOnceAndTheWindowKeeps100Lines() {
        SesionCorreo s(folders, mailfiles::LeerLineaComandos({"XXXX", "XXXX", "1"}), {});
        int finished = 0;
        connect(&s, &SesionCorreo::finalizada, [&] { ++finished; });
        qvmc::TVPrincipal w(&s);
        for (int i = 0; i < 130; ++i) w.mostrarLinea(QString("+ 10:00:00 line %1").arg(i));
        QCOMPARE(w.memoLog()->document()->blockCount(), 100);
        QVERIFY(w.memoLog()->toPlainText().startsWith("+ 10:00:00 line 30"));
        s.finish();
        s.finish(); // from the menu during a wait: no second Finish
        QCOMPARE(finished, 1);
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
