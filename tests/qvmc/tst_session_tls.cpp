// Two installations exchange a reminder through the real Postfix and Dovecot
// on loopback over encrypted connections only, set up as with a provider:
// submission with STARTTLS and AUTH, POP3 over TLS. The session logs name what
// happened and never a password; a certificate that cannot be trusted stops
// the session with its reason in the log.
#include "mail/pop3/Pop3Client.h"
#include "mail/smtp/SmtpClient.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/MailClientCommandLine.h"
#include "mailfiles/SessionStatus.h"
#include "profiles/ArchivoPerfiles.h"
#include "profiles/SeguridadPerfiles.h"
#include "qvmc/SesionCorreo.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {
constexpr int kBase = 20045; // SMTP, submission +1, SMTPS +2, POP3 +3, POP3S +4

QString events(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines)
        out << l.mid(l.indexOf(QLatin1Char(' '), 2));
    return out.join(QLatin1Char('|'));
}
} // namespace

class TestSessionTls : public QObject {
    Q_OBJECT
    QString m_servers;
    bool m_started = false;

    bool script(const QString& command) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QStringList names{"MS_SMTP_PORT", "MS_SUBMISSION_PORT", "MS_SMTPS_PORT", "MS_POP3_PORT",
                                "MS_POP3S_PORT"};
        for (int i = 0; i < names.size(); ++i)
            env.insert(names[i], QString::number(kBase + i));
        env.insert("MS_USERS", "alice:alicepass bob:bobpass");
        env.insert("MS_TLS_AUTH_ONLY", "1");
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral(ORB_SOURCE_DIR "/scripts/mailserver.sh"), {command, m_servers});
        return p.waitForFinished(240000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    // One installation: its folders, a profile and its security entry.
    ProgramFolders installation(const QString& name, const Perfil& perfil, const AjustesSeguridad& ajustes) {
        const QString dir = QDir::current().filePath(name) + QLatin1Char('/');
        QDir(dir).removeRecursively();
        ProgramFolders folders = ProgramFolders::from(dir);
        folders.createWorkFolders();
        const QString pfl = RutaArchivoPerfiles(folders.dirPrograma);
        RegistroPerfiles registro;
        QList<FilaLibreta> filas;
        if (!CrearPerfiles(pfl, registro, filas)) return folders;
        Perfil p = perfil;
        p.activo = true;
        registro.setPerfil(1, p);
        if (!GuardarPerfiles(pfl, registro, filas)) return folders;
        ArchivoSeguridad seguridad;
        seguridad.setEntradas({EntradaSeguridad{1, p.emailUsuario, p.servidorSMTP, p.servidorPOP3, ajustes}});
        seguridad.escribir(ArchivoSeguridad::rutaJunto(pfl));
        return folders;
    }

    QStringList run(const ProgramFolders& folders, const QStringList& args) {
        SesionCorreo s(folders, mailfiles::LeerLineaComandos(args), {});
        s.ejecutar();
        return s.lineas();
    }

private slots:
    void initTestCase() {
        SesionCorreo::msPorMinuto = 60000;
        m_servers =
            QDir("/tmp").filePath(QString("orb-session-tls-%1").arg(QCoreApplication::applicationPid()));
        QDir(m_servers).removeRecursively();
        QVERIFY(QDir().mkpath(m_servers));
        QVERIFY2(script("start"), "mail server did not start");
        m_started = true;
    }
    void cleanupTestCase() {
        if (m_started) script("stop");
        QDir(m_servers).removeRecursively();
    }

    void reminderTravelsEncryptedOnly() {
        Perfil ana;
        ana.nombreUsuario = "Ana";
        ana.emailUsuario = "alice@example.test";
        ana.servidorSMTP = "127.0.0.1:" + QString::number(kBase + 1);
        ana.servidorPOP3 = "127.0.0.1:" + QString::number(kBase + 4);
        ana.loginSMTP = "alice";
        ana.loginPOP3 = "alice";
        ana.passwdPOP3 = "alicepass";
        AjustesSeguridad anaTls;
        anaTls.smtp = ModoSeguridad::StartTls;
        anaTls.pop3 = ModoSeguridad::Tls;
        anaTls.passwdSMTP = "alicepass";
        anaTls.archivoCertificados = m_servers + "/tls/ca.pem";
        const ProgramFolders sender = installation("ana", ana, anaTls);
        QFile out(sender.dirMail + "Dentist_7.OUT");
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("--- Dest ---\r\n1\r\nBob <bob@example.test>\r\n--- Body ---\r\nDentist at 9:30\r\n");
        out.close();
        const QString sent = events(run(sender, {"SMTP", "XXXX", "5"}));
        QVERIFY2(sent.contains(" Connected to SMTP host| Mail sent (" + sender.dirMail + "Dentist_7.OUT)"),
                 qPrintable(sent));
        QVERIFY(!QFile::exists(sender.dirMail + "Dentist_7.OUT"));

        Perfil bob;
        bob.emailUsuario = "bob@example.test";
        bob.servidorSMTP = "127.0.0.1:" + QString::number(kBase + 1);
        bob.servidorPOP3 = "127.0.0.1:" + QString::number(kBase + 4);
        bob.loginPOP3 = "bob";
        bob.passwdPOP3 = "bobpass";
        AjustesSeguridad bobTls = anaTls;
        bobTls.passwdSMTP = "bobpass";
        const ProgramFolders receiver = installation("bob", bob, bobTls);
        QString received;
        for (int attempt = 0; attempt < 40 && mailfiles::ListarEmailRecibido(receiver.dirMail).isEmpty();
             ++attempt) {
            received = events(run(receiver, {"XXXX", "POP3", "5"}));
            QTest::qWait(250); // delivery may take a moment
        }
        const QStringList incoming = mailfiles::ListarEmailRecibido(receiver.dirMail);
        QVERIFY2(incoming.size() == 1, qPrintable(received));
        QStringList lines;
        mailfiles::LeerEmailRecibido(incoming.first(), &lines);
        QVERIFY2(lines.contains("Dentist at 9:30"), qPrintable(lines.join('|')));
        for (const ProgramFolders* f : {&sender, &receiver}) {
            QFile log(f->dirTemp + "QV_LOG.TXT");
            QVERIFY(log.open(QIODevice::ReadOnly));
            const QByteArray text = log.readAll();
            QVERIFY(!text.contains("alicepass") && !text.contains("bobpass"));
        }
    }

    // Postfix offers PIPELINING and Dovecot lists it: pipelined sessions log,
    // send, refuse, fetch and delete exactly what command-by-command ones do.
    void pipelinedSessionsMatchPlainOnes() {
        Perfil p;
        p.emailUsuario = "alice@example.test";
        p.servidorSMTP = "127.0.0.1:" + QString::number(kBase);
        p.servidorPOP3 = "127.0.0.1:" + QString::number(kBase + 3);
        p.loginPOP3 = "bob";
        p.passwdPOP3 = "bobpass";
        const QString bobNew = m_servers + "/maildirs/bob/new/";
        // One session in a fresh installation: its log, then what it left in MAIL/ and TEMP/.
        bool offered = true; // by the server, to every pipelined session
        auto session = [&](bool pipelining, bool send) -> QStringList {
            const ProgramFolders f = installation("pipelining", p, AjustesSeguridad());
            const QList<std::pair<QString, QByteArray>> queued{
                {"a_1.OUT", "1\r\nbob@example.test"},
                {"b_2.OUT", "2\r\nnosuch1@example.test\r\nBob <bob@example.test>"},
                {"c_3.OUT", "1\r\nx@elsewhere.test"},
                {"d_4.OUT", "3\r\nbob@example.test\r\ntempfail2@example.test\r\nalice@example.test"}};
            for (const auto& [name, dest] : queued) {
                QFile out(f.dirMail + name);
                if (send && out.open(QIODevice::WriteOnly))
                    out.write("--- Dest ---\r\n" + dest + "\r\n--- Body ---\r\n" + name.toLatin1() + "\r\n");
            }
            SesionCorreo s(
                f, mailfiles::LeerLineaComandos({send ? "SMTP" : "XXXX", send ? "XXXX" : "POP3", "5"}), {});
            s.smtp()->Pipelining = s.pop3()->Pipelining = pipelining;
            s.ejecutar();
            if (pipelining)
                offered &=
                    send ? s.smtp()->Offers("PIPELINING") : s.pop3()->Capabilities().contains("PIPELINING");
            QStringList left{events(s.lineas())};
            for (const QString& name : QDir(f.dirMail).entryList({"*.OUT"}, QDir::Files, QDir::Name))
                left << name;
            QStringList incoming;
            for (const QString& path : mailfiles::ListarEmailRecibido(f.dirMail)) {
                QStringList lines;
                mailfiles::LeerEmailRecibido(path, &lines);
                incoming << lines.mid(1).join('/'); // after the line with the time it came
            }
            incoming.sort();
            left << incoming;
            if (const auto estado = mailfiles::LeerEstadoSesion(f.dirTemp))
                for (const mailfiles::EstadoArchivo& a : estado->archivos)
                    left << a.archivo + "=" + QString::number(int(a.resultado)) + ":" + a.destinatario + ":" +
                                a.motivo;
            return left;
        };
        QVERIFY(script("clear"));
        const QStringList sentPlain = session(false, true);
        const QStringList sentPipelined = session(true, true);
        QCOMPARE(sentPipelined, sentPlain);
        QVERIFY2(sentPlain.first().contains(" Error 554 - Transaction failed"),
                 qPrintable(sentPlain.first()));
        QVERIFY(sentPlain.contains("c_3.OUT"));

        // Bob's mailbox as both sends left it (three messages each) and one that is not ours,
        // laid out afresh before each fetch.
        QVERIFY(script("wait-idle"));
        const QString kept = m_servers + "/kept/";
        QDir(kept).removeRecursively();
        QVERIFY(QDir().mkpath(kept));
        QFile foreign(kept + "0.foreign");
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.write("From: carol@example.test\r\nSubject: lunch\r\n\r\nat one\r\n");
        foreign.close();
        QCOMPARE(QProcess::execute("sh", {"-c", "cp -a \"$0\"* \"$1\" && chown -R --reference=\"$0\" \"$1\"",
                                          bobNew, kept}),
                 0);
        QCOMPARE(QDir(kept).entryList(QDir::Files).size(), 7);
        QStringList fetched[2];
        for (bool pipelining : {false, true}) {
            QVERIFY(script("clear"));
            QCOMPARE(QProcess::execute("sh", {"-c", "cp -a \"$0\"* \"$1\"", kept, bobNew}), 0);
            fetched[pipelining] = session(pipelining, false);
            QCOMPARE(QDir(bobNew).entryList(QDir::Files).size() +
                         QDir(bobNew + "../cur").entryList(QDir::Files).size(),
                     1);
        }
        QCOMPARE(fetched[1], fetched[0]);
        QVERIFY(offered);
        QVERIFY2(fetched[0].first().contains(" Mail deleted from server (7)"),
                 qPrintable(fetched[0].first()));
        QCOMPARE(fetched[0].size(), 1 + 6);
    }

    // Without the test authority among the trusted certificates the server is a stranger.
    void failedVerificationStopsWithItsReason() {
        Perfil p;
        p.emailUsuario = "alice@example.test";
        p.servidorSMTP = "127.0.0.1:" + QString::number(kBase + 2);
        p.servidorPOP3 = "127.0.0.1:" + QString::number(kBase + 4);
        p.loginSMTP = "alice";
        AjustesSeguridad tls;
        tls.smtp = ModoSeguridad::Tls;
        tls.passwdSMTP = "alicepass";
        const ProgramFolders folders = installation("untrusted", p, tls);
        QFile out(folders.dirMail + "a_1.OUT");
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("--- Dest ---\r\n1\r\nbob@example.test\r\n--- Body ---\r\nhi\r\n");
        out.close();
        const QString log = events(run(folders, {"SMTP", "XXXX", "5"}));
        QVERIFY2(log.endsWith(
                     " Disconnected from SMTP host| SMTP secure connection failed: certificate verification "
                     "failed for 127.0.0.1: the certificate is issued by an unknown authority"),
                 qPrintable(log));
        QVERIFY(QFile::exists(folders.dirMail + "a_1.OUT"));
        QVERIFY(!log.contains("alicepass"));
    }
};

QTEST_MAIN(TestSessionTls)
#include "tst_session_tls.moc"
