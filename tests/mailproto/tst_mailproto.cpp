// SMTP and POP3 clients against scripted servers on loopback: the exact
// conversation, dot-stuffing both ways, continuation lines, the DELE judgement,
// injection through data, hostile attachment names and messages that end early.
#include "../net/ScriptServer.h"
#include "mailproto/Pop3Client.h"
#include "mailproto/SmtpClient.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {
// A server that answers each command from a table (first matching prefix).
void answer(ScriptServer& s, const QList<QPair<QByteArray, QByteArray>>& table, const QByteArray& greeting) {
    s.onConnected = [greeting](ScriptServer& srv) { srv.send(greeting); };
    s.onLine = [table](ScriptServer& srv, const QByteArray& line) {
        for (const auto& [prefix, reply] : table)
            if (line.startsWith(prefix)) {
                srv.send(reply);
                return;
            }
    };
}
} // namespace

class TestMailProto : public QObject {
    Q_OBJECT
private slots:
    void smtpConversationAndComposition() {
        ScriptServer s;
        bool inData = false;
        QByteArray data;
        s.onConnected = [](ScriptServer& srv) { srv.send("220-first line\r\n220 ready\r\n"); };
        s.onLine = [&](ScriptServer& srv, const QByteArray& line) {
            if (inData) {
                data += line;
                if (line == ".\r\n") {
                    inData = false;
                    srv.send("250 queued\r\n");
                }
                return;
            }
            if (line.startsWith("HELO")) srv.send("250-hello\r\n250 more\r\n");
            else if (line.startsWith("RCPT TO:<nobody")) srv.send("550 no such user\r\n");
            else if (line.startsWith("DATA")) {
                inData = true;
                srv.send("354 go ahead\r\n");
            } else if (line.startsWith("QUIT")) srv.send("221 bye\r\n");
            else srv.send("250 ok\r\n");
        };
        TSmtpClient c;
        c.setHost("127.0.0.1");
        c.setPort(s.port());
        c.setUserID("me.example");
        QStringList refused;
        int successes = 0;
        c.OnRecipientNotFound = [&](TSmtpClient*, const QString& e) { refused << e; };
        c.OnSuccess = [&](TSmtpClient*) { ++successes; };
        c.Connect();
        TPostMessage& m = c.PostMessage();
        m.FromName = "Me";
        m.FromAddress = "me@example.test";
        m.Subject = "Hi\r\nBcc: evil@example.test"; // CR LF in data never starts a new header
        m.LocalProgram = "Norvo Orbalinder 2.0";
        m.ToAddress = {"Ana <ana@example.test>", "nobody@example.test"};
        m.ToCarbonCopy = {"cc:bob@example.test"};
        m.Body = {"line one", ".starts with a dot", "."};
        c.SendMail();
        QCOMPARE(successes, 1);
        QCOMPARE(refused, QStringList({"nobody@example.test"})); // refused, DATA still sent
        QVERIFY(s.received.contains("HELO me.example\r\nRSET\r\nMAIL FROM:<me@example.test>\r\n"
                                    "RCPT TO:<ana@example.test>\r\nRCPT TO:<nobody@example.test>\r\n"
                                    "RCPT TO:<bob@example.test>\r\nDATA\r\n"));
        QVERIFY(data.startsWith("From: Me<me@example.test>\r\nTo: Ana <ana@example.test>,nobody@example.test\r\n"
                                "CC: cc:bob@example.test\r\nSubject: Hi  Bcc: evil@example.test\r\n"
                                "X-Mailer: Norvo Orbalinder 2.0\r\nMime-Version: 1.0\r\n"
                                "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\n"));
        QVERIFY(data.endsWith("line one\r\n..starts with a dot\r\n..\r\n.\r\n"));
        QVERIFY(c.PostMessage().ToAddress.isEmpty()); // cleared after success
        c.Disconnect();
        QVERIFY(!c.Connected());
    }

    void smtpRefusedGreetingAndHeaderCheck() {
        ScriptServer s;
        answer(s, {{"QUIT", "221 bye\r\n"}}, "554 go away\r\n");
        TSmtpClient c;
        c.setHost("127.0.0.1");
        c.setPort(s.port());
        QVERIFY_THROWS_EXCEPTION(ESmtpError, c.Connect());
        QVERIFY(!c.Connected());

        ScriptServer ok;
        answer(ok, {{"QUIT", "221 bye\r\n"}, {"", "250 ok\r\n"}}, "220 hi\r\n");
        TSmtpClient d;
        d.setHost("127.0.0.1");
        d.setPort(ok.port());
        d.Connect();
        d.PostMessage().FromAddress = "me@x";
        QVERIFY_THROWS_EXCEPTION(ESmtpError, d.SendMail()); // no recipient at all
        QVERIFY(!ok.received.contains("DATA"));
    }

    void base64Attachment() {
        QFile f("data.bin");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(46, '\x01'));
        f.close();
        TSmtpClient c;
        c.PostMessage().FromAddress = "me@x";
        c.PostMessage().Body = {"see attached"};
        c.PostMessage().Attachments = {QDir::currentPath() + "/data.bin"};
        c.BuildMessage();
        const QByteArray body = c.MessageBody();
        QVERIFY(c.FinalHeader().last().startsWith("Content-Type: multipart/mixed; boundary=\"===================="));
        QVERIFY(body.contains("Content-Disposition: attachment; filename=\"data.bin\"\r\n\r\n"));
        const QByteArray encoded = TUUProcessor::EncodeBytes(QByteArray(46, '\x01'), emBase64);
        QCOMPARE(encoded.split('\n').at(0).size(), 61); // 60 characters + CR
        QVERIFY(encoded.endsWith("AQ==\r\n"));
        QVERIFY(body.contains(encoded));
        QVERIFY(body.endsWith("--" + c.Boundary().toLatin1() + "--\r\n"));
    }

    void pop3SessionAndDecoding() {
        ScriptServer s;
        const QByteArray message =
            "From: Ana <ana@example.test>\r\nsubject: Norvo Orbalinder Message\r\n"
            "Content-Type: multipart/mixed; boundary=\"XYZ\"\r\n\r\npreamble\r\n--XYZ\r\n"
            "Content-Type: text/plain\r\n\r\nHello\r\n..dotted line\r\n--XYZ\r\n"
            "Content-Type: application/octet-stream; name=\"../../evil.sh\"\r\n"
            "Content-Transfer-Encoding: base64\r\n\r\naGVsbG8=\r\n--XYZ--\r\n.\r\n";
        answer(s, {{"USER", "+OK\r\n"}, {"PASS", "+OK logged in\r\n"}, {"STAT", "+OK 2 320\r\n"},
                   {"LIST 1", "+OK 1 120\r\n"}, {"LIST", "+OK\r\n1 120\r\n2 200\r\n.\r\n"},
                   {"TOP 1 0", "+OK\r\nSubject: Norvo Orbalinder Message\r\nFrom: x@y\r\n\r\n.\r\n"},
                   {"RETR 1", "+OK\r\n" + message}, {"DELE 1", "+OK\r\n"}, {"DELE 2", "+OK deleted\r\n"},
                   {"QUIT", "+OK bye\r\n"}},
               "+OK ready\r\n");
        QDir().mkpath("attach");
        TPop3Client c;
        c.setHost("127.0.0.1");
        c.setPort(s.port());
        c.setUserID("bob");
        c.setPassword("pw");
        c.AttachFilePath = QDir::currentPath() + "/attach/";
        c.Connect();
        QCOMPARE(c.MailCount(), 2);
        QList<int> listed;
        c.OnList = [&](TPop3Client*, int m, int) { listed << m; };
        c.List();
        QCOMPARE(listed, QList<int>({1, 2}));
        c.GetSummary(1);
        QCOMPARE(c.Summary().Subject, QString(" Norvo Orbalinder Message")); // keeps its blank
        QCOMPARE(c.Summary().Bytes, 120);
        c.GetMailMessage(1);
        QCOMPARE(c.MailMessage().From, QString("Ana <ana@example.test>"));
        QCOMPARE(c.MailMessage().Subject, QString(" Norvo Orbalinder Message"));
        QCOMPARE(c.MailMessage().Body.mid(0, 2), QStringList({"Hello", ".dotted line"})); // unstuffed
        QCOMPARE(c.MailMessage().Attachments, QStringList({"evil.sh"})); // no folders, no ".."
        QFile a("attach/evil.sh");
        QVERIFY(a.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), QByteArray("hello"));
        QVERIFY_THROWS_EXCEPTION(EPop3Error, c.DeleteMailMessage(1)); // "+OK" then CR LF: not exactly "+OK"
        c.DeleteMailMessage(2);
        c.Disconnect();
    }

    void pop3MessageEndingInsideItsHeaderDoesNotHang() {
        ScriptServer s;
        answer(s, {{"USER", "+OK\r\n"}, {"PASS", "+OK\r\n"}, {"STAT", "+OK 1 10\r\n"},
                   {"RETR", "+OK\r\nSubject: cut\r\n.\r\n"}, {"QUIT", "+OK\r\n"}},
               "+OK\r\n");
        TPop3Client c;
        c.setHost("127.0.0.1");
        c.setPort(s.port());
        c.setUserID("u");
        c.setPassword("p");
        c.Connect();
        c.GetMailMessage(1);
        QCOMPARE(c.MailMessage().Subject, QString(" cut"));
        QVERIFY(c.MailMessage().Body.isEmpty());
        // A connection that closes mid-message ends with an error, not a wait.
        ScriptServer t;
        answer(t, {{"USER", "+OK\r\n"}, {"PASS", "+OK\r\n"}, {"STAT", "+OK 1 10\r\n"},
                   {"RETR", "+OK\r\nSubject: x\r\n\r\nbody\r\n"}},
               "+OK\r\n");
        t.onLine = [old = t.onLine](ScriptServer& srv, const QByteArray& line) {
            old(srv, line);
            if (line.startsWith("RETR")) srv.closePeer();
        };
        TPop3Client d;
        d.setHost("127.0.0.1");
        d.setPort(t.port());
        d.setUserID("u");
        d.setPassword("p");
        d.Connect();
        QVERIFY_THROWS_EXCEPTION(std::exception, d.GetMailMessage(1));
    }

    void pop3Authentication() {
        ScriptServer s;
        answer(s, {{"USER", "+OK\r\n"}, {"PASS", "-ERR [AUTH] Authentication failed.\r\n"}, {"QUIT", "+OK\r\n"}},
               "+OK\r\n");
        TPop3Client c;
        c.setHost("127.0.0.1");
        c.setPort(s.port());
        c.setUserID("u");
        c.setPassword("bad");
        int asked = 0;
        c.OnAuthenticationFailed = [&](TPop3Client*, bool& handled) {
            ++asked;
            handled = true; // one more try
        };
        QVERIFY_THROWS_EXCEPTION(EPop3Error, c.Connect());
        QCOMPARE(asked, 1);
        QVERIFY(!c.Connected());
        QCOMPARE(TPop3Client::NombreSeguro(""), QString("text.tmp"));
        QCOMPARE(TPop3Client::NombreSeguro("C:\\dir\\..\\x.txt"), QString("x.txt"));
        QCOMPARE(TPop3Client::NombreSeguro(".."), QString("text.tmp"));
    }
};

QTEST_GUILESS_MAIN(TestMailProto)
#include "tst_mailproto.moc"
