// Retrieved messages decoded into header, text and attachment files, hostile messages included.
#include "ScriptedPop3Server.h"
#include "core/Cp1252.h"
#include "mail/pop3/Pop3Client.h"
#include "mail/smtp/MessageComposer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QByteArray FileBytes(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray Base64Lines(const QByteArray& data, int width) {
    const QByteArray b64 = data.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b64.size(); i += width)
        out += b64.mid(i, width) + "\r\n";
    return out;
}

// Peak resident memory since the last reset, in KiB (Linux).
qint64 PeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}
void ResetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) refs.write("5");
}

} // namespace

class TestPop3Decoding : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedPop3Server> server;
    std::unique_ptr<TPop3Client> client;
    QString folder;

    // Serves message as message 1 and retrieves it.
    void Retrieve(const QByteArray& message) {
        server->replies["RETR 1"] = ScriptedPop3Server::MultiLine(message);
        client->GetMailMessage(1);
    }
    void NoteFile(const char* name, const QByteArray& data = "old") {
        QFile f(folder + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        folder = dir->path() + QLatin1Char('/');
        server = std::make_unique<ScriptedPop3Server>();
        server->replies["NOOP"] = "+OK\r\n";
        client = std::make_unique<TPop3Client>();
        client->setHost(QStringLiteral("127.0.0.1"));
        client->setPort(server->port());
        client->UserID = QStringLiteral("alice");
        client->Password = QStringLiteral("secret");
        client->AttachFilePath = folder;
        client->Connect();
    }
    void cleanup() {
        client.reset();
        server.reset();
        dir.reset();
    }

    void plainText() {
        Retrieve("From: Bob <bob@example.test>\r\nSUBJECT: Hello\r\nmessage-id: <a@b>\r\n\r\none\r\n"
                 ".two starts with a dot\r\nthree\r\n");
        const TMailMessage& m = client->MailMessage;
        QCOMPARE(m.Body, (QStringList{"one", ".two starts with a dot", "three"}));
        QCOMPARE(m.Header,
                 (QStringList{"From: Bob <bob@example.test>", "SUBJECT: Hello", "message-id: <a@b>", ""}));
        QCOMPARE(m.From, QStringLiteral("Bob <bob@example.test>"));
        QCOMPARE(m.Subject, QStringLiteral(" Hello"));
        QCOMPARE(m.MessageId, QStringLiteral("<a@b>"));
        QVERIFY(m.Attachments.isEmpty());
        QCOMPARE(client->BytesRecvd(), 7); // the lines of the message

        Retrieve("Subject: empty\r\n\r\n");
        QVERIFY(client->MailMessage.Body.isEmpty());
        QCOMPARE(client->Transaction("NOOP"), QByteArray("+OK\r\n")); // still in step
    }

    void multipartAttachments() {
        NoteFile("report.pdf");
        static const char pdfBytes[] = "%PDF-1.4\n\x00\x01\xff binary";
        const QByteArray pdf(pdfBytes, sizeof pdfBytes - 1); // the NUL inside is data, the last one is not
        QByteArray m = "Subject: files\r\nContent-Type: multipart/mixed;\r\n boundary=\"=_sep42\"\r\n\r\n"
                       "preamble\r\n--=_sep42\r\nContent-Type: text/plain\r\n\r\nHi there\r\n--=_sep42 \r\n"
                       "Content-Type: application/pdf; name=\"report.pdf\"\r\n"
                       "Content-Transfer-Encoding: base64\r\n\r\n";
        m += Base64Lines(pdf, 76);
        m += "--=_sep42\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\n\r\nkept\r\n.as "
             "is\r\n"
             "--=_sep42\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: x-uuencode\r\n"
             "Content-Disposition: attachment; filename=notes.txt\r\n\r\n";
        m += "begin 644 notes.txt\r\n%:&5L;&\\`\r\n`\r\nend\r\n";
        m += "--=_sep42--\r\nepilogue\r\n";
        Retrieve(m);
        const TMailMessage& mm = client->MailMessage;
        QCOMPARE(mm.Attachments, (QStringList{"report_1.pdf", "text.tmp", "notes.txt"}));
        QCOMPARE(FileBytes(folder + "report.pdf"), QByteArray("old"));
        QCOMPARE(FileBytes(folder + "report_1.pdf"), pdf);
        QCOMPARE(FileBytes(folder + "text.tmp"),
                 QByteArray("kept\r\n.as is")); // the last line end is the delimiter's
        QCOMPARE(FileBytes(folder + "notes.txt"), QByteArray("hello"));
        QCOMPARE(mm.Body.value(0), QStringLiteral("Hi there"));
        QCOMPARE(mm.Body.value(1), QStringLiteral("\r\nFile \"report_1.pdf\" extracted"));
        QCOMPARE(mm.Body.size(), 4);
        QCOMPARE(client->Transaction("NOOP"), QByteArray("+OK\r\n"));
    }

    void singlePartBase64_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("76") << 76;
        QTest::newRow("60") << 60;
    }
    void singlePartBase64() {
        QFETCH(int, width);
        const QByteArray text =
            "First line of the text\r\nsecond line, a bit longer than the first one\r\nend!";
        Retrieve("Subject: b64\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Lines(text, width));
        QCOMPARE(
            client->MailMessage.Body,
            (QStringList{"First line of the text", "second line, a bit longer than the first one", "end!"}));
        QVERIFY(client->MailMessage.Attachments.isEmpty());
        QVERIFY(QDir(folder).isEmpty());
    }

    void hostileNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("written");
        QTest::newRow("parent") << QByteArray("../../evil.sh") << "evil.sh";
        QTest::newRow("absolute") << QByteArray("/tmp/evil.sh") << "evil.sh";
        QTest::newRow("temp file") << QByteArray("Temp.mme") << "Temp_1.mme";
        QTest::newRow("dots only") << QByteArray("..") << "text.tmp";
        // 100 euro signs (Windows-1252 byte 0x80) are 300 bytes on disk: cut to what the file system takes
        QTest::newRow("too long once encoded")
            << QByteArray(100, '\x80') + ".pdf" << QString(78, QChar(0x20AC)) + ".pdf";
    }
    void hostileNames() {
        QFETCH(QByteArray, name);
        QFETCH(QString, written);
        QDir(folder).mkdir(QStringLiteral("inner"));
        client->AttachFilePath = folder + QStringLiteral("inner/");
        Retrieve("Content-Type: multipart/mixed; boundary=xyz\r\n\r\n--xyz\r\n\r\ntext\r\n--xyz\r\n"
                 "Content-Disposition: attachment; filename=\"" +
                 name + "\"\r\n\r\npayload\r\n--xyz--\r\n");
        QCOMPARE(client->MailMessage.Attachments, QStringList{written});
        QCOMPARE(FileBytes(folder + "inner/" + written), QByteArray("payload"));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    }

    void endsEarly() {
        // the lone dot inside the header: a message without text, the session stays in step
        Retrieve("Subject: cut\r\nFrom: x\r\n");
        QCOMPARE(client->MailMessage.Subject, QStringLiteral(" cut"));
        QVERIFY(client->MailMessage.Body.isEmpty());
        QVERIFY(!client->Sending());
        QCOMPARE(client->Transaction("NOOP"), QByteArray("+OK\r\n"));

        // a multipart message without its closing delimiter ends at the dot
        Retrieve("Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\n\r\ntext\r\n--b1\r\n"
                 "Content-Disposition: attachment; filename=\"a.txt\"\r\n\r\ncut off\r\n");
        QCOMPARE(client->MailMessage.Attachments, QStringList{"a.txt"});
        QCOMPARE(FileBytes(folder + "a.txt"), QByteArray("cut off\r\n"));

        // an unusable boundary keeps the whole body as text
        Retrieve("Content-Type: multipart/mixed; boundary=\"\"\r\n\r\n--\r\nline\r\n");
        QCOMPARE(client->MailMessage.Body, (QStringList{"--", "line"}));
    }

    void partsKeepTheirOwnHeaders() {
        // a boundary parameter on a single-part message does not cut its text
        Retrieve("Content-Type: text/html; boundary=\"--96\"\r\n\r\n----96\r\n<p>kept</p>\r\n----96--\r\n");
        QCOMPARE(client->MailMessage.Body, (QStringList{"----96", "<p>kept</p>", "----96--"}));

        // a part without name or encoding takes neither from the part before it
        Retrieve(
            "Content-Type: multipart/mixed; boundary=zz\r\n\r\n--zz\r\n\r\nhi\r\n--zz\r\n"
            "Content-Type: image/png; name=\"a.png\"\r\nContent-Transfer-Encoding: base64\r\n\r\naGk=\r\n"
            "--zz\r\nContent-Type: text/plain\r\n\r\nplain words\r\n--zz--\r\n");
        QCOMPARE(client->MailMessage.Attachments, (QStringList{"a.png", "text.tmp"}));
        QCOMPARE(FileBytes(folder + "a.png"), QByteArray("hi"));
        QCOMPARE(FileBytes(folder + "text.tmp"), QByteArray("plain words"));
    }

    // A part that cannot be written fails its message, and the rest of that
    // message is read to its final dot: its lines never pass for replies.
    void failedPartLeavesTheSessionInStep() {
        QVERIFY(QDir(folder).mkdir(QStringLiteral("Temp.mme"))); // a folder where the work file goes
        QStringList streamed;
        client->OnBodyLine = [&](const QString& line) { streamed << line; };
        try {
            Retrieve("Content-Type: multipart/mixed; boundary=zz\r\n\r\n--zz\r\n\r\nhi\r\n--zz\r\n"
                     "Content-Disposition: attachment; filename=\"a.txt\"\r\n\r\n+OK forged\r\n--zz--\r\n"
                     "+OK forged too\r\n");
            QFAIL("a part that cannot be written was reported as read");
        } catch (const std::runtime_error&) {
        }
        QVERIFY(!client->Sending());
        QCOMPARE(client->Transaction("NOOP"), QByteArray("+OK\r\n"));
        QVERIFY(client->Connected());
        QVERIFY(QDir(folder).rmdir(QStringLiteral("Temp.mme")));
        // the text goes to the body sink as it arrives, MailMessage.Body stays empty
        streamed.clear();
        Retrieve("Content-Type: multipart/mixed; boundary=zz\r\n\r\n--zz\r\n\r\nhi\r\n--zz\r\n"
                 "Content-Disposition: attachment; filename=\"a.txt\"\r\n\r\nfile\r\n--zz--\r\n");
        QCOMPARE(streamed, (QStringList{"hi", "\r\nFile \"a.txt\" extracted"}));
        QVERIFY(client->MailMessage.Body.isEmpty());
    }

    // What a stranger's message may cost is bounded by counts, not by what it announced.
    void boundedCost_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("maxFiles");
        QTest::addColumn<qint64>("maxMessage");
        QTest::addColumn<qint64>("maxAttachments");
        QTest::addColumn<int>("limit"); // -1: read whole, else the EMailLimit kind
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("bodyLines");
        QByteArray parts = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
        for (int i = 0; i < 10000; ++i)
            parts += "--b\r\nContent-Type: application/octet-stream; name=same.txt\r\n"
                     "Content-Transfer-Encoding: base64\r\n\r\naGk=\r\n";
        parts += "--b--\r\n";
        QTest::newRow("10,000 parts of one name")
            << parts << 300 << qint64(-1) << qint64(-1) << int(EMailLimit::TooManyFiles) << 0 << 0;
        QTest::newRow("10,000 parts allowed: one probe each")
            << parts << 10000 << qint64(-1) << qint64(-1) << -1 << 10000 << 10000;
        const QByteArray big = "Subject: big\r\n\r\n" + QByteArray(1000, 'x').append("\r\n").repeated(1000);
        QTest::newRow("more than announced")
            << big << 300 << qint64(64 * 1024) << qint64(-1) << int(EMailLimit::TooLarge) << 0 << 0;
        QByteArray two = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
        for (int i = 0; i < 2; ++i)
            two += "--b\r\nContent-Disposition: attachment; filename=a.bin\r\n\r\n" +
                   QByteArray(60 * 1024, 'a') + "\r\n";
        QTest::newRow("attachments past the session's bound")
            << two << 300 << qint64(-1) << qint64(100 * 1024) << int(EMailLimit::TooLarge) << 0 << 0;
        QTest::newRow("within it") << two << 300 << qint64(-1) << qint64(130 * 1024) << -1 << 2 << 2;
        QTest::newRow("newline bomb in a base64 text")
            << "Subject: nl\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                   Base64Lines(QByteArray(4 * 1024 * 1024, '\n'), 76)
            << 300 << qint64(-1) << qint64(-1) << -1 << 0 << 4 * 1024 * 1024;
        QByteArray longHeader = "Subject: long\r\n";
        for (int i = 0; i < 8; ++i)
            longHeader += "X-Long-" + QByteArray::number(i) + ": " + QByteArray(1024 * 1024, 'h') + "\r\n";
        QTest::newRow("long header lines") << longHeader + "\r\ntext\r\n"
                                           << 300 << qint64(-1) << qint64(-1) << -1 << 0 << 1;
    }
    void boundedCost() {
        QFETCH(QByteArray, message);
        QFETCH(int, maxFiles);
        QFETCH(qint64, maxMessage);
        QFETCH(qint64, maxAttachments);
        QFETCH(int, limit);
        QFETCH(int, files);
        QFETCH(int, bodyLines);
        client->MaxFilesPerMessage = maxFiles;
        client->MaxMessageBytes = maxMessage;
        client->MaxAttachmentBytes = maxAttachments;
        qint64 lines = 0;
        client->OnBodyLine = [&](const QString&) { ++lines; };
        server->replies["RETR 1"] = ScriptedPop3Server::MultiLine(message);
        message.clear();
        ResetPeak();
        const qint64 before = PeakKiB();
        int failed = -1;
        try {
            client->GetMailMessage(1);
        } catch (const EMailLimit& e) {
            failed = e.kind;
        }
        const qint64 growth = PeakKiB() - before;
        QCOMPARE(failed, limit);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), files); // a failed message leaves nothing
        QCOMPARE(client->MailMessage.Attachments.size(), files);
        if (limit < 0) QCOMPARE(lines, qint64(bodyLines));
        QVERIFY2(before < 0 || growth < 64 * 1024, qPrintable(QString::number(growth) + " KiB"));
        for (const QString& line : client->MailMessage.Header)
            QVERIFY(line.size() <= MimeReader::kMaxHeaderLine);
        QCOMPARE(client->Transaction("NOOP"), QByteArray("+OK\r\n")); // read to its end, in step
        if (files == 10000) { // every name different, in the order the parts came
            QCOMPARE(client->MailMessage.Attachments.value(0), QStringLiteral("same.txt"));
            QCOMPARE(client->MailMessage.Attachments.value(9999), QStringLiteral("same_9999.txt"));
        }
    }

    void connectionClosesMidMessage() {
        server->replies["RETR 1"] = "+OK\r\nSubject: x\r\n\r\npartial line<close>";
        int ends = 0;
        client->OnRetrieveEnd = [&](TPop3Client*) { ++ends; };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, client->GetMailMessage(1));
        QCOMPARE(ends, 1);
        QVERIFY(!client->Sending());
    }

    void hugeLine() {
        const QByteArray line(2 * 1024 * 1024, 'x');
        Retrieve("Subject: big\r\n\r\n" + line + "\r\nafter\r\n");
        QCOMPARE(client->MailMessage.Body.size(), 2);
        QCOMPARE(client->MailMessage.Body.value(0).size(), line.size());
    }

    // Text that another installation composed, in each form its server let it
    // choose, reads back as written, and so does the sender's name.
    void composedTextReadsBack_data() {
        QTest::addColumn<bool>("eightBitMime");
        QTest::addColumn<bool>("withFile");
        QTest::newRow("quoted-printable") << false << false;
        QTest::newRow("8bit") << true << false;
        QTest::newRow("quoted-printable with a file") << false << true;
    }

    void composedTextReadsBack() {
        QFETCH(bool, eightBitMime);
        QFETCH(bool, withFile);
        const QStringList text{"Reunión mañana a las 9:00 €", ".punto", "", "fin con blancos  ",
                               QString(100, QChar(u'á'))};
        TPostMessage post;
        post.FromName = QStringLiteral("José Núñez");
        post.FromAddress = QStringLiteral("jose@example.test");
        post.ToAddress = {QStringLiteral("ana@example.test")};
        post.Subject = QStringLiteral("Norvo Orbalinder Message");
        post.Body = text;
        QTemporaryDir source;
        if (withFile) {
            QFile note(source.filePath("note.txt"));
            QVERIFY(note.open(QIODevice::WriteOnly));
            note.write("data");
            post.Attachments = {note.fileName()};
        }
        THeaderList header;
        QByteArray body;
        QString boundary;
        TComposeOptions options;
        options.eightBitMime = eightBitMime;
        ComposeMessage(post, mtPlain, emBase64, options, {}, header, body, boundary);
        // As the server keeps it: dots undone (the scripted server stuffs them again).
        body.replace("\r\n..", "\r\n.");
        if (body.startsWith("..")) body.remove(0, 1);
        Retrieve(Cp1252::encode(header.Text()) + "\r\n\r\n" + body);

        const TMailMessage& m = client->MailMessage;
        QCOMPARE(m.From, QStringLiteral("José Núñez <jose@example.test>"));
        QCOMPARE(m.Subject.trimmed(), post.Subject);
        QCOMPARE(m.Body.mid(0, withFile ? text.size() : text.size() + 1),
                 withFile ? text : QStringList{""} + text);
    }
};

QTEST_GUILESS_MAIN(TestPop3Decoding)
#include "tst_pop3_decoding.moc"
