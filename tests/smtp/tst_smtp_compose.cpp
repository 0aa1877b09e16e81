// Outgoing message layout: header lines, body text, attachment parts, and a
// check of the whole message by Python's independent MIME parser.
#include "mail/smtp/MessageComposer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TstSmtpCompose : public QObject {
    Q_OBJECT

private slots:
    void headerOrder();
    void subTypeLines_data();
    void subTypeLines();
    void bodyDotsAndBreaks();
    void multipartLayout();
    void attachmentKinds();
    void missingAttachment();
    void pythonParsesMessage_data();
    void pythonParsesMessage();
};

static QString WriteFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TstSmtpCompose::headerOrder() {
    TPostMessage message;
    message.FromAddress = "me@example.test";
    message.ToAddress = {"Bob<bob@example.test>"};
    message.ToCarbonCopy = {"carol@example.test"};
    message.ToBlindCarbonCopy = {"hidden@example.test"};
    message.LocalProgram = "Orbalinder";
    THeaderList header = BuildHeaderLines(message, mtHtml, QString());
    QCOMPARE(header, (THeaderList{"From: <me@example.test>", "To: Bob<bob@example.test>",
                                  "CC: carol@example.test", "X-Mailer: Orbalinder", "Mime-Version: 1.0",
                                  "Content-Type: text/html; charset=us-ascii"}));

    message.FromName = "Me";
    message.ToAddress = {"a@example.test", "SMTP:b@example.test"};
    message.ToCarbonCopy.clear();
    message.Subject = "Hello";
    message.ReplyTo = "reply@example.test";
    message.Date = "08.12.2026";
    header = BuildHeaderLines(message, mtPlain, QString());
    QCOMPARE(header, (THeaderList{"From: Me<me@example.test>", "To: a@example.test,SMTP:b@example.test",
                                  "Subject: Hello", "X-Mailer: Orbalinder", "Reply-To: reply@example.test",
                                  "Date: 08.12.2026", "Mime-Version: 1.0",
                                  "Content-Type: text/plain; charset=us-ascii"}));

    // Values that carry line breaks stay on their own line.
    message.Subject = "Hi\r\nBcc: victim@example.test";
    message.FromName = "Eve\n";
    header = BuildHeaderLines(message, mtPlain, QString());
    QCOMPARE(header.at(0), QString("From: Eve <me@example.test>"));
    QCOMPARE(header.Value("Subject"), QString("Hi  Bcc: victim@example.test"));
    QCOMPARE(header.IndexOfName("Bcc"), -1);
}

void TstSmtpCompose::subTypeLines_data() {
    QTest::addColumn<int>("subType");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << int(mtPlain) << "Content-Type: text/plain; charset=us-ascii";
    QTest::newRow("enriched") << int(mtEnriched) << "Content-Type: text/enriched; charset=us-ascii";
    QTest::newRow("sgml") << int(mtSgml) << "Content-Type: text/sgml; charset=us-ascii";
    QTest::newRow("tab") << int(mtTabSeparated)
                         << "Content-Type: text/tab-separated-values; charset=us-ascii";
    QTest::newRow("html") << int(mtHtml) << "Content-Type: text/html; charset=us-ascii";
    QTest::newRow("unknown") << 42 << "Content-Type: text/plain; charset=us-ascii";
}

void TstSmtpCompose::subTypeLines() {
    QFETCH(int, subType);
    QFETCH(QString, line);
    QCOMPARE(BuildHeaderLines(TPostMessage(), TSubType(subType), QString()).last(), line);
}

void TstSmtpCompose::bodyDotsAndBreaks() {
    QByteArray body;
    AppendBodyLines(body, {"first", ".", ".hidden", "", "a.b"});
    QCOMPARE(body, QByteArray("first\r\n..\r\n..hidden\r\n\r\na.b\r\n"));

    // A line holding a line break cannot smuggle an end of data into the stream.
    body.clear();
    AppendBodyLines(body, {"x\r\n.\r\nMAIL FROM:<evil>", "y\nz\r.w"});
    QCOMPARE(body, QByteArray("x\r\n..\r\nMAIL FROM:<evil>\r\ny\r\nz\r\n..w\r\n"));
    QVERIFY(!body.contains("\r\n.\r\n"));
}

void TstSmtpCompose::multipartLayout() {
    QTemporaryDir dir;
    TPostMessage message;
    message.FromAddress = "me@example.test";
    message.ToAddress = {"bob@example.test"};
    message.Body = {"Text"};
    message.Attachments = {WriteFile(dir.filePath("a.bin"), "abc"), WriteFile(dir.filePath("empty.txt"), "")};
    THeaderList header;
    QByteArray body;
    QString boundary;
    QStringList events;
    TComposeEvents hooks;
    hooks.OnEncodeStart = [&](const QString& path) { events << "start " + QFileInfo(path).fileName(); };
    hooks.OnEncodeEnd = [&](const QString& path) { events << "end " + QFileInfo(path).fileName(); };
    ComposeMessage(message, mtHtml, emBase64, QTime(9, 5, 7), hooks, header, body, boundary);

    QCOMPARE(boundary, QString("====================5453509:05:07===="));
    QCOMPARE(header.last(), "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"");
    const QByteArray b = boundary.toLatin1();
    const QByteArray expected =
        "--" + b +
        "\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nText\r\n"
        "--" +
        b +
        "\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"a.bin\"\r\n\r\n"
        "YWJj\r\n"
        "--" +
        b +
        "\r\nContent-Type: application/octet-stream; name=\"empty.txt\"\r\n"
        "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"empty.txt\"\r\n\r\n"
        "--" +
        b + "--\r\n";
    QCOMPARE(body, expected);
    QCOMPARE(events, (QStringList{"start a.bin", "end a.bin", "start empty.txt", "end empty.txt"}));
}

void TstSmtpCompose::attachmentKinds() {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("one"));
    QDir().mkpath(dir.filePath("two"));
    QByteArray body;
    // The same name from two folders gives two parts of that name.
    EncodeAttachmentPart(body, WriteFile(dir.filePath("one/x.txt"), "1"), "B", emBase64, {});
    EncodeAttachmentPart(body, WriteFile(dir.filePath("two/x.txt"), "2"), "B", emBase64, {});
    QCOMPARE(body.count("filename=\"x.txt\""), 2);

    // UU data is labelled so that a reader does not decode it as base64.
    body.clear();
    EncodeAttachmentPart(body, WriteFile(dir.filePath("cat"), "Cat"), "B", emUU, {});
    QVERIFY(body.contains("Content-Transfer-Encoding: X-UUENCODE\r\n"));
    QVERIFY(body.endsWith("\r\n\r\n#0V%T\r\n`\r\n"));

    // Fourteen bytes make a UU line that starts with a dot: it is doubled like a text line.
    body.clear();
    EncodeAttachmentPart(body, WriteFile(dir.filePath("fourteen"), QByteArray(14, 'x')), "B", emUU, {});
    QVERIFY(body.contains("\r\n\r\n.."));
    QCOMPARE(TUUProcessor::DecodeBytes(body.mid(body.indexOf("\r\n\r\n") + 5), emUU), QByteArray(14, 'x'));

    // A quote in a file name cannot end the quoted name early.
    body.clear();
    EncodeAttachmentPart(body, WriteFile(dir.filePath("a\"b.txt"), "x"), "B", emBase64, {});
    QVERIFY(body.contains("name=\"a_b.txt\"\r\n"));
}

void TstSmtpCompose::missingAttachment() {
    TPostMessage message;
    message.Attachments = {"/nonexistent/folder/report.pdf"};
    QStringList missing;
    TComposeEvents hooks;
    hooks.OnAttachmentNotFound = [&](const QString& path) { missing << path; };
    THeaderList header;
    QByteArray body;
    QString boundary;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, ComposeMessage(message, mtPlain, emBase64, QTime(1, 2, 3),
                                                                hooks, header, body, boundary));
    QCOMPARE(missing, QStringList{"/nonexistent/folder/report.pdf"});
}

void TstSmtpCompose::pythonParsesMessage_data() {
    QTest::addColumn<int>("attachmentCount");
    QTest::newRow("text only") << 0;
    QTest::newRow("text and three files") << 3;
}

// Python's email package reads the message back: the text and every attachment
// byte for byte. The checker prints what it found; the test compares.
void TstSmtpCompose::pythonParsesMessage() {
    QFETCH(int, attachmentCount);
    QTemporaryDir dir;
    TPostMessage message;
    message.FromName = "Alice";
    message.FromAddress = "alice@example.test";
    message.ToAddress = {"Bob<bob@example.test>"};
    message.Subject = "Report";
    message.Body = {"Dear Bob,", ".leading dot", "", "bye"};
    QList<QByteArray> contents;
    for (int i = 0; i < attachmentCount; ++i) {
        QByteArray data(1000 * i + 46, Qt::Uninitialized);
        for (qsizetype k = 0; k < data.size(); ++k)
            data[k] = char((k * 7 + i) & 0xFF);
        contents << data;
        message.Attachments << WriteFile(dir.filePath(QString("file%1.bin").arg(i)), data);
    }
    THeaderList header;
    QByteArray body;
    QString boundary;
    ComposeMessage(message, mtPlain, emBase64, QTime(12, 0, 0), {}, header, body, boundary);
    // What the server stores: the header block, the empty line, then the body with dots undone.
    QByteArray stored = header.Text().toLatin1() + "\r\n\r\n" + body;
    stored.replace("\r\n..", "\r\n.");
    WriteFile(dir.filePath("message.eml"), stored);

    const QString script = QStringLiteral(R"(
import email, sys, os
from email import policy
m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=policy.default)
print('subject', m['subject'])
print('from', m['from'])
text = m.get_body(preferencelist=('plain',)).get_content()
print('text', repr(text.strip('\n')))
for part in m.iter_attachments():
    data = part.get_payload(decode=True)
    open(os.path.join(sys.argv[2], 'out-' + part.get_filename()), 'wb').write(data)
    print('file', part.get_filename(), len(data))
print('defects', len(m.defects))
)");
    QProcess python;
    python.start("python3", {"-c", script, dir.filePath("message.eml"), dir.path()});
    QVERIFY(python.waitForFinished(30000));
    const QString output = QString::fromUtf8(python.readAllStandardOutput());
    QVERIFY2(python.exitCode() == 0, qPrintable(python.readAllStandardError()));
    QVERIFY2(output.contains("subject Report\n"), qPrintable(output));
    QVERIFY2(output.contains("from Alice <alice@example.test>\n"), qPrintable(output));
    QVERIFY2(output.contains("text 'Dear Bob,\\n.leading dot\\n\\nbye'"), qPrintable(output));
    QVERIFY2(output.contains("defects 0\n"), qPrintable(output));
    for (int i = 0; i < attachmentCount; ++i) {
        QFile file(dir.filePath(QString("out-file%1.bin").arg(i)));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(output));
        QCOMPARE(file.readAll(), contents.at(i));
    }
}

QTEST_GUILESS_MAIN(TstSmtpCompose)
#include "tst_smtp_compose.moc"
