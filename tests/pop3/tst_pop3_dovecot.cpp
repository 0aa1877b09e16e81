// Messages sent by our SMTP client and by Python's mailer through a real
// Postfix, retrieved from a real Dovecot over POP3 and compared with what was sent.
#include "mail/pop3/Pop3Client.h"
#include "mail/smtp/SmtpClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

constexpr int kSmtpPort = 35271;
constexpr int kPop3Port = 35274;

QByteArray Pattern(qsizetype size, int seed) {
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype k = 0; k < size; ++k)
        data[k] = char((k * 151 + seed * 29 + (k >> 7)) & 0xFF);
    return data;
}

QByteArray FileBytes(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestPop3Dovecot : public QObject {
    Q_OBJECT

    QString m_dir;
    bool m_started = false;

    bool RunServerScript(const QStringList& arguments, int timeoutMs) {
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MS_SMTP_PORT", QString::number(kSmtpPort));
        env.insert("MS_SUBMISSION_PORT", "35272");
        env.insert("MS_SMTPS_PORT", "35273");
        env.insert("MS_POP3_PORT", QString::number(kPop3Port));
        env.insert("MS_POP3S_PORT", "35275");
        script.setProcessEnvironment(env);
        script.setProcessChannelMode(QProcess::ForwardedChannels);
        script.start(QStringLiteral(ORB_SOURCE_DIR "/scripts/mailserver.sh"), arguments);
        return script.waitForFinished(timeoutMs) && script.exitStatus() == QProcess::NormalExit &&
               script.exitCode() == 0;
    }

    void RoundTrip() {
        const QByteArray binary = Pattern(300 * 1024 + 5, 1);
        const QByteArray small = Pattern(61, 2);
        const QString binaryPath = m_dir + "/files/data.bin";
        const QString smallPath = m_dir + "/files/small.dat";
        for (const auto& [path, data] : {std::pair{binaryPath, binary}, std::pair{smallPath, small}}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(data);
        }
        const QStringList body{"Dear Alice,", ".", "..two dots", "", "regards"};

        // ours: base64 attachments, then a UU one
        TSmtpClient smtp;
        smtp.setHost("127.0.0.1");
        smtp.setPort(kSmtpPort);
        smtp.UserID = "orbalinder.test";
        smtp.PostMessage.FromName = "Bob";
        smtp.PostMessage.FromAddress = "bob@example.test";
        smtp.PostMessage.ToAddress = {"alice@example.test"};
        smtp.PostMessage.Subject = "From our client";
        smtp.PostMessage.Date = "Tue, 08 Dec 2026 10:00:00 +0000";
        smtp.PostMessage.Body = body;
        smtp.PostMessage.Attachments = {binaryPath, smallPath};
        smtp.Connect();
        smtp.SendMail();
        smtp.EncodeType = emUU;
        smtp.PostMessage.Subject = "UU from our client";
        smtp.PostMessage.ToAddress = {"alice@example.test"};
        smtp.PostMessage.Attachments = {smallPath};
        smtp.SendMail();
        smtp.Disconnect();

        // a real mailer: Python's email package and smtplib
        const QString script = QStringLiteral(R"(
import smtplib, sys
from email.message import EmailMessage
m = EmailMessage()
m['From'] = 'carol@example.test'; m['To'] = 'alice@example.test'; m['Subject'] = 'From Python'
m.set_content('Line one\n.\nLine three\n')
m.add_attachment(open(sys.argv[1], 'rb').read(), maintype='application', subtype='octet-stream', filename='data.bin')
s = smtplib.SMTP('127.0.0.1', int(sys.argv[2])); s.send_message(m); s.quit()
)");
        QProcess python;
        python.start("python3", {"-c", script, binaryPath, QString::number(kSmtpPort)});
        QVERIFY(python.waitForFinished(30000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        WaitForMessages("alice", 3);

        TPop3Client pop;
        pop.setHost("127.0.0.1");
        pop.setPort(kPop3Port);
        pop.UserID = "alice";
        pop.Password = "alicepass";
        pop.AttachFilePath = m_dir + "/got/";
        pop.Connect();
        QCOMPARE(pop.MailCount(), 3);
        QList<int> sizes;
        pop.OnList = [&](TPop3Client*, int, int size) { sizes << size; };
        pop.List();
        QCOMPARE(sizes.size(), 3);

        QHash<QString, TMailMessage> bySubject;
        for (int n = 1; n <= 3; ++n) {
            pop.GetSummary(n);
            QCOMPARE(pop.Summary.Bytes, sizes[n - 1]);
            pop.GetMailMessage(n);
            QCOMPARE(pop.Summary.Subject, pop.MailMessage.Subject);
            bySubject.insert(pop.MailMessage.Subject.trimmed(), pop.MailMessage);
        }
        QCOMPARE(bySubject.size(), 3);

        // The server keeps the order in which the mails were delivered, so which
        // message got "data.bin" and which "data_1.bin" depends on that order:
        // each name is checked against its own content.
        auto checkFiles = [&](const QStringList& names) {
            for (const QString& n : names)
                QCOMPARE(FileBytes(pop.AttachFilePath + n), n.startsWith("data") ? binary : small);
        };
        const TMailMessage ours = bySubject.value("From our client");
        QCOMPARE(ours.Body.mid(0, body.size()), body);
        QCOMPARE(ours.Attachments.size(), 2);
        QVERIFY(ours.Attachments[0].startsWith("data") && ours.Attachments[1].startsWith("small"));
        checkFiles(ours.Attachments);

        const TMailMessage uu = bySubject.value("UU from our client");
        QCOMPARE(uu.Attachments.size(), 1);
        QVERIFY(uu.Attachments[0].startsWith("small"));
        checkFiles(uu.Attachments);
        QVERIFY(!ours.Attachments.contains(uu.Attachments[0]));

        const TMailMessage python3 = bySubject.value("From Python");
        QCOMPARE(python3.Body.mid(0, 3), (QStringList{"Line one", ".", "Line three"}));
        QCOMPARE(python3.Attachments.size(), 1);
        QVERIFY(python3.Attachments[0].startsWith("data") &&
                !ours.Attachments.contains(python3.Attachments[0]));
        checkFiles(python3.Attachments);
        QVERIFY(python3.From.contains("carol@example.test"));

        pop.DeleteMailMessage(1);
        pop.Disconnect();
        pop.Connect();
        QCOMPARE(pop.MailCount(), 2);
        pop.Disconnect();
    }

    void WaitForMessages(const QString& user, int count) {
        QDir box(m_dir + "/maildirs/" + user + "/new");
        QElapsedTimer timer;
        timer.start();
        while (box.entryList(QDir::Files).size() < count && timer.elapsed() < 20000)
            QTest::qWait(50);
        QCOMPARE(box.entryList(QDir::Files).size(), count);
    }

private slots:
    void roundTrip() {
        try {
            RoundTrip();
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
    }
    void initTestCase() {
        m_dir = QStringLiteral("/tmp/orb-pop3-%1").arg(QCoreApplication::applicationPid());
        QDir(m_dir).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir + "/files"));
        QVERIFY(QDir().mkpath(m_dir + "/got"));
        QVERIFY2(RunServerScript({"start", m_dir}, 240000), "mail server did not start");
        m_started = true;
    }
    void cleanupTestCase() {
        if (m_started) RunServerScript({"stop", m_dir}, 60000);
        if (!m_dir.isEmpty()) QDir(m_dir).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(TestPop3Dovecot)
#include "tst_pop3_dovecot.moc"
