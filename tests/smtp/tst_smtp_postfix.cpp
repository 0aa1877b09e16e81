// Sending through a real Postfix on loopback: the delivered message is read
// back from the mailboxes and parsed by Python's email package.
#include "mail/smtp/SmtpClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

class TstSmtpPostfix : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void messageArrivesIntact();

private:
    bool RunServerScript(const QStringList& arguments, int timeoutMs);
    QStringList Delivered(const QString& user, int count);

    QString m_dir;
    bool m_started = false;
    static constexpr int kSmtpPort = 35251;
};

bool TstSmtpPostfix::RunServerScript(const QStringList& arguments, int timeoutMs) {
    QProcess script;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MS_SMTP_PORT", QString::number(kSmtpPort));
    env.insert("MS_SUBMISSION_PORT", "35252");
    env.insert("MS_SMTPS_PORT", "35253");
    env.insert("MS_POP3_PORT", "35254");
    env.insert("MS_POP3S_PORT", "35255");
    script.setProcessEnvironment(env);
    script.setProcessChannelMode(QProcess::ForwardedChannels);
    script.start(QStringLiteral(ORB_SOURCE_DIR "/scripts/mailserver.sh"), arguments);
    return script.waitForFinished(timeoutMs) && script.exitStatus() == QProcess::NormalExit &&
           script.exitCode() == 0;
}

void TstSmtpPostfix::initTestCase() {
    QDir tmp("/tmp");
    m_dir = tmp.filePath(QStringLiteral("orb-smtp-%1").arg(QCoreApplication::applicationPid()));
    QDir(m_dir).removeRecursively();
    QVERIFY(QDir().mkpath(m_dir));
    QVERIFY2(RunServerScript({"start", m_dir}, 240000), "mail server did not start");
    m_started = true;
}

void TstSmtpPostfix::cleanupTestCase() {
    if (m_started) RunServerScript({"stop", m_dir}, 60000);
    if (!m_dir.isEmpty()) QDir(m_dir).removeRecursively();
}

// Files delivered to a mailbox, waiting until count of them are there.
QStringList TstSmtpPostfix::Delivered(const QString& user, int count) {
    QDir box(m_dir + "/maildirs/" + user + "/new");
    QElapsedTimer timer;
    timer.start();
    QStringList files;
    while (timer.elapsed() < 20000) {
        files = box.entryList(QDir::Files);
        if (files.size() >= count) break;
        QTest::qWait(50);
    }
    for (QString& file : files)
        file = box.filePath(file);
    return files;
}

void TstSmtpPostfix::messageArrivesIntact() {
    const QString work = m_dir + "/attachments";
    QVERIFY(QDir().mkpath(work));
    QList<QByteArray> contents;
    QStringList paths;
    for (int i = 0; i < 2; ++i) {
        QByteArray data(i == 0 ? 1024 * 1024 + 7 : 46, Qt::Uninitialized);
        for (qsizetype k = 0; k < data.size(); ++k)
            data[k] = char((k * 131 + i * 17 + (k >> 9)) & 0xFF);
        const QString path = work + QString("/part%1.bin").arg(i);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(data);
        contents << data;
        paths << path;
    }

    TSmtpClient client;
    client.setHost("127.0.0.1");
    client.setPort(kSmtpPort);
    client.UserID = "orbalinder.test";
    client.PostMessage.FromName = "Alice";
    client.PostMessage.FromAddress = "alice@example.test";
    client.PostMessage.ToAddress = {"Bob <bob@example.test>", "nosuch1@example.test"};
    client.PostMessage.ToBlindCarbonCopy = {"carol@example.test"};
    client.PostMessage.Subject = "Quarterly figures";
    client.PostMessage.LocalProgram = "Orbalinder";
    client.PostMessage.Date = "Tue, 08 Dec 2026 10:00:00 +0000";
    client.PostMessage.Body = {"Dear Bob,", ".", "..two dots", "regards"};
    client.PostMessage.Attachments = paths;
    QStringList refused;
    client.OnRecipientNotFound = [&](TSmtpClient*, const QString& entry) { refused << entry; };
    int successes = 0;
    client.OnSuccess = [&](TSmtpClient*) { ++successes; };

    client.Connect();
    client.SendMail();
    // A second message on the same connection, plain text only.
    client.PostMessage.ToAddress = {"bob@example.test"};
    client.PostMessage.Subject = "Second";
    client.PostMessage.Body = {"short"};
    client.SendMail();
    client.Disconnect();
    QCOMPARE(successes, 2);
    QCOMPARE(refused, QStringList{"nosuch1@example.test"});

    const QStringList bobFiles = Delivered("bob", 2);
    QCOMPARE(bobFiles.size(), 2);
    QCOMPARE(Delivered("carol", 1).size(), 1);

    const QString script = QStringLiteral(R"(
import email, sys, os
from email import policy
for path in sys.argv[2:]:
    m = email.message_from_binary_file(open(path, 'rb'), policy=policy.default)
    print('subject', m['subject'])
    if m['bcc'] is not None: print('bcc leaked')
    print('text', repr(m.get_body(preferencelist=('plain',)).get_content().strip('\n')))
    for part in m.iter_attachments():
        open(os.path.join(sys.argv[1], 'got-' + part.get_filename()), 'wb').write(part.get_payload(decode=True))
        print('file', part.get_filename())
    print('defects', len(m.defects))
)");
    QProcess python;
    python.start("python3", QStringList{"-c", script, work} + bobFiles);
    QVERIFY(python.waitForFinished(30000));
    const QString output = QString::fromUtf8(python.readAllStandardOutput());
    QVERIFY2(python.exitCode() == 0, qPrintable(python.readAllStandardError()));
    QVERIFY2(output.contains("subject Quarterly figures\n"), qPrintable(output));
    QVERIFY2(output.contains("subject Second\n"), qPrintable(output));
    QVERIFY2(output.contains("text 'Dear Bob,\\n.\\n..two dots\\nregards'"), qPrintable(output));
    QVERIFY2(output.contains("text 'short'"), qPrintable(output));
    QVERIFY2(!output.contains("bcc leaked") && !output.contains("defects 1"), qPrintable(output));
    for (int i = 0; i < contents.size(); ++i) {
        QFile file(work + QString("/got-part%1.bin").arg(i));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(output));
        QVERIFY(file.readAll() == contents.at(i));
    }
}

QTEST_GUILESS_MAIN(TstSmtpPostfix)
#include "tst_smtp_postfix.moc"
