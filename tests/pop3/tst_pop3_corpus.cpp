// Real-world messages (Python's e-mail test data) served over POP3 and compared
// with Python's email parser where the tolerant line rules should agree.
#include "ScriptedPop3Server.h"
#include "mail/pop3/Pop3Client.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kCorpus = QStringLiteral("/usr/lib/python3.11/test/test_email/data");

// Messages where the line rules knowingly part from a full MIME parser.
const QStringList kKnownDifferences{
    "msg_15.txt", // an inner multipart reuses the outer boundary
    "msg_19.txt", // no header at all: the text up to the first empty line is taken as header
    "msg_33.txt", // boundary given only in the RFC 2231 form boundary*=
    "msg_35.txt: Message ends inside its header", // no empty line after the header
};

QByteArray FileBytes(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList Lines(const QJsonValue& value) {
    QStringList lines;
    for (const QJsonValue& v : value.toArray())
        lines << v.toString();
    return lines;
}

QByteArray Normalized(QByteArray text) {
    text.replace("\r\n", "\n");
    while (text.endsWith('\n'))
        text.chop(1);
    return text;
}

} // namespace

class TestPop3Corpus : public QObject {
    Q_OBJECT

private slots:
    void agreesWithPython() {
        if (!QDir(kCorpus).exists())
            QSKIP("Python's e-mail test data (libpython3.11-testsuite) is not installed");
        QProcess python;
        python.start("python3", {QStringLiteral(ORB_POP3_TEST_DIR "/corpus_expectations.py"), kCorpus});
        QVERIFY(python.waitForFinished(60000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        const QJsonObject expected = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
        QVERIFY(expected.size() > 30);

        ScriptedPop3Server server;
        server.replies["NOOP"] = "+OK\r\n";
        TPop3Client pop;
        pop.setHost("127.0.0.1");
        pop.setPort(server.port());
        pop.UserID = "alice";
        pop.Password = "secret";
        pop.Connect();
        int compared = 0;
        QStringList mismatches;
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            const QJsonObject want = it.value().toObject();
            QByteArray raw = FileBytes(kCorpus + "/" + it.key()).replace("\r\n", "\n").replace("\n", "\r\n");
            if (!raw.endsWith("\r\n")) raw += "\r\n";
            server.replies["RETR 1"] = ScriptedPop3Server::MultiLine(raw);
            QTemporaryDir dir;
            pop.AttachFilePath = dir.path() + "/";
            try {
                pop.GetMailMessage(1);
            } catch (const std::exception& e) {
                mismatches << it.key() + ": " + e.what();
                continue;
            }
            QCOMPARE(pop.Transaction("NOOP"), QByteArray("+OK\r\n")); // every message read to its end
            const TMailMessage& m = pop.MailMessage;
            const QString kind = want["kind"].toString();
            bool same = true;
            if (kind == "single") {
                same = m.Body == Lines(want["lines"]);
            } else if (kind == "single64") {
                same = FileBytes(pop.AttachFilePath + m.Attachments.value(0)) ==
                       QByteArray::fromBase64(want["data"].toString().toLatin1());
            } else if (kind == "flat") {
                const QStringList text = Lines(want["lines"]);
                const QJsonArray parts = want["parts"].toArray();
                same = m.Body.mid(0, text.size()) == text && m.Attachments.size() == parts.size();
                for (int i = 0; same && i < parts.size(); ++i) {
                    const QByteArray got = FileBytes(pop.AttachFilePath + m.Attachments[i]);
                    const QJsonObject part = parts[i].toObject();
                    same = part.contains("data")
                               ? got == QByteArray::fromBase64(part["data"].toString().toLatin1())
                               : Normalized(got) == Normalized(part["text"].toString().toLatin1());
                }
            } else {
                continue;
            }
            ++compared;
            if (!same) mismatches << it.key();
        }
        qInfo("compared %d messages with Python's parser", compared);
        QVERIFY(compared > 20);
        QCOMPARE(mismatches, kKnownDifferences);
    }
};

QTEST_GUILESS_MAIN(TestPop3Corpus)
#include "tst_pop3_corpus.moc"
