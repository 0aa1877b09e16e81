// Outgoing message layout: header lines, body text, attachment parts, and a
// check of the whole message by Python's independent MIME parser.
#include "mail/codec/Charsets.h"
#include "mail/codec/EncodedWords.h"
#include "mail/smtp/MessageComposer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

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
    void attachmentMadeInPieces_data();
    void attachmentMadeInPieces();
    void pythonParsesMessage_data();
    void pythonParsesMessage();
};

static QString WriteFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// 9:05:07 on a Tuesday, an hour ahead of UTC.
static const QDateTime kNow(QDate(2026, 12, 8), QTime(9, 5, 7), Qt::OffsetFromUTC, 3600);

// The header with its Message-ID line checked and taken out (it is random).
static THeaderList WithoutMessageId(THeaderList header, const QString& domain) {
    static const QRegularExpression id("^<\\d{14}\\.[0-9a-f]{16}@(.+)>$");
    const auto match = id.match(header.Value("Message-ID"));
    if (!match.hasMatch() || match.captured(1) != domain)
        qWarning("bad Message-ID: %s", qPrintable(header.Value("Message-ID")));
    header.SetValue("Message-ID", match.hasMatch() && match.captured(1) == domain ? QString() : "BAD");
    return header;
}

void TstSmtpCompose::headerOrder() {
    TPostMessage message;
    message.FromAddress = "me@example.test";
    message.ToAddress = {"Bob<bob@example.test>"};
    message.ToCarbonCopy = {"carol@example.test"};
    message.ToBlindCarbonCopy = {"hidden@example.test"};
    message.LocalProgram = "Orbalinder";
    THeaderList header = BuildHeaderLines(message, mtHtml, QString(), TTextForm(), kNow);
    QCOMPARE(WithoutMessageId(header, "example.test"),
             (THeaderList{"From: <me@example.test>", "To: Bob<bob@example.test>", "CC: carol@example.test",
                          "X-Mailer: Orbalinder", "Date: Tue, 08 Dec 2026 09:05:07 +0100",
                          "Mime-Version: 1.0", "Content-Type: text/html; charset=us-ascii"}));

    // A date in the local short form is replaced by the RFC 5322 form; text that
    // is not ASCII goes with its character set and transfer encoding.
    message.FromName = "Me";
    message.ToAddress = {"a@example.test", "SMTP:b@example.test"};
    message.ToCarbonCopy.clear();
    message.Subject = "Hello";
    message.ReplyTo = "reply@example.test";
    message.Date = "08.12.2026";
    message.FromAddress = "me";
    header = BuildHeaderLines(message, mtPlain, QString(), {"windows-1252", "quoted-printable"}, kNow);
    QCOMPARE(WithoutMessageId(header, "orbalinder.invalid"),
             (THeaderList{"From: Me<me>", "To: a@example.test,SMTP:b@example.test", "Subject: Hello",
                          "X-Mailer: Orbalinder", "Reply-To: reply@example.test",
                          "Date: Tue, 08 Dec 2026 09:05:07 +0100", "Mime-Version: 1.0",
                          "Content-Type: text/plain; charset=windows-1252",
                          "Content-Transfer-Encoding: quoted-printable"}));
    // A date already in that form is kept.
    message.Date = "Mon, 7 Dec 2026 23:59:00 -0500";
    QCOMPARE(BuildHeaderLines(message, mtPlain, QString(), {}, kNow).Value("Date"), message.Date);

    // Values that carry line breaks stay on their own line.
    message.Subject = "Hi\r\nBcc: victim@example.test";
    message.FromName = "Eve\n";
    header = BuildHeaderLines(message, mtPlain, QString(), {}, kNow);
    QCOMPARE(header.at(0), QString("From: Eve <me>"));
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
    QCOMPARE(
        BuildHeaderLines(TPostMessage(), TSubType(subType), QString(), {"windows-1252", "8bit"}, kNow).at(4),
        QString(line).replace("us-ascii", "windows-1252"));
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

// An attachment is encoded a slice of the file at a time as the message goes
// out: its lines are those of the whole file encoded at once, a UU line that
// starts with "." doubled wherever the slices fall, and the part decodes to the file.
void TstSmtpCompose::attachmentMadeInPieces_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("method");
    const int slice = 45 * 4096; // the bytes of one slice
    for (const int method : {int(emBase64), int(emUU)})
        for (const int size : {0, 14, slice, slice + 14, 3 * slice - 31}) {
            const QByteArray name =
                (method == emUU ? "UU, " : "base64, ") + QByteArray::number(size) + " bytes";
            QTest::newRow(name.constData()) << size << method;
        }
}

void TstSmtpCompose::attachmentMadeInPieces() {
    QFETCH(int, size);
    QFETCH(int, method);
    const auto how = TEncodeMethod(method);
    QTemporaryDir dir;
    QByteArray data(size, Qt::Uninitialized);
    for (int k = 0; k < size; ++k)
        data[k] = char((k * 2654435761u) >> 11);
    TPostMessage message;
    message.Body = {"Text"};
    message.Attachments = {WriteFile(dir.filePath("f.bin"), data)};
    THeaderList header;
    QByteArray body;
    QString boundary;
    ComposeMessage(message, mtPlain, how, QTime(9, 5, 7), {}, header, body, boundary);
    const QByteArray opening = "filename=\"f.bin\"\r\n\r\n";
    const qsizetype start = body.indexOf(opening) + opening.size();
    const qsizetype end = body.indexOf("--" + boundary.toLatin1() + "--\r\n");
    QVERIFY(start > opening.size() && end >= start);
    const QByteArray lines = body.mid(start, end - start);
    QByteArray expected = "\r\n" + TUUProcessor::EncodeBytes(data, how);
    expected.replace("\r\n.", "\r\n..");
    QCOMPARE(lines, expected.mid(2));
    QByteArray unstuffed = "\r\n" + lines;
    unstuffed.replace("\r\n..", "\r\n.");
    QCOMPARE(TUUProcessor::DecodeBytes(unstuffed.mid(2), how), data);
}

void TstSmtpCompose::pythonParsesMessage_data() {
    QTest::addColumn<QStringList>("text");
    QTest::addColumn<QString>("fromName");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("eightBitMime");
    QTest::addColumn<int>("attachmentCount");
    QTest::addColumn<QString>("transferEncoding"); // as the header says; "" for none

    const QStringList ascii{"Dear Bob,", ".leading dot", "", "bye"};
    const QStringList spanish{"Reunión mañana a las 9:00 €", ".punto", "línea con blancos al final  ", "",
                              "Ünïcödé “quotes” – dash"};
    const QString longLine = QString(1200, QChar(u'x')) + QStringLiteral(" ñ end");
    QTest::newRow("ASCII text") << ascii << "Alice"
                                << "Report" << false << 0 << "";
    QTest::newRow("ASCII text with three files") << ascii << "Alice"
                                                 << "Report" << false << 3 << "";
    QTest::newRow("Windows-1252 text, no 8BITMIME") << spanish << "Alice"
                                                    << "Report" << false << 0 << "quoted-printable";
    QTest::newRow("Windows-1252 text, 8BITMIME") << spanish << "Alice"
                                                 << "Report" << true << 0 << "8bit";
    QTest::newRow("Windows-1252 text with a file") << spanish << "Alice"
                                                   << "Report" << false << 1 << "quoted-printable";
    QTest::newRow("line over 998 bytes") << QStringList{longLine, "x"} << "Alice"
                                         << "Report" << true << 0 << "quoted-printable";
    QTest::newRow("names and subject outside ASCII") << ascii << "José Ñúñez “Pepe”"
                                                     << "Recordatorio: café ☕" << false << 0 << "";
    QTest::newRow("name with quotes and comma") << ascii << "Doe, \"Jo\""
                                                << "Report" << false << 0 << "";
}

// Python's email package reads back every header and the text exactly, and
// every attachment byte for byte; our own decoding reads the same text back.
void TstSmtpCompose::pythonParsesMessage() {
    QFETCH(QStringList, text);
    QFETCH(QString, fromName);
    QFETCH(QString, subject);
    QFETCH(bool, eightBitMime);
    QFETCH(int, attachmentCount);
    QFETCH(QString, transferEncoding);
    QTemporaryDir dir;
    TPostMessage message;
    message.FromName = fromName;
    message.FromAddress = "alice@example.test";
    message.ToAddress = {"Bob<bob@example.test>", "Zoë Müller<zoe@example.test>"};
    message.Subject = subject;
    message.Date = "08/12/2026"; // what a locale's short date looks like
    message.Body = text;
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
    TComposeOptions options;
    options.now = kNow;
    options.eightBitMime = eightBitMime;
    ComposeMessage(message, mtPlain, emBase64, options, {}, header, body, boundary);
    if (attachmentCount == 0)
        QCOMPARE(header.Value("Content-Transfer-Encoding"), transferEncoding);
    else
        QVERIFY(transferEncoding.isEmpty() || body.contains(transferEncoding.toLatin1()));
    for (const QString& line : header)
        QVERIFY2(std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() < 127; }),
                 qPrintable(line));
    if (!eightBitMime)
        QVERIFY(std::all_of(body.begin(), body.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 128; }));
    // What the server stores: the header block, the empty line, the empty line
    // that opens the body, then the body with dots undone.
    QByteArray stored = header.Text().toLatin1() + "\r\n\r\n" + body;
    stored.replace("\r\n..", "\r\n.");
    WriteFile(dir.filePath("message.eml"), stored);

    const QString script = QStringLiteral(R"(
import email, sys, os, json
from email import policy
from email.utils import parsedate_to_datetime
m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=policy.default)
part = m.get_body(preferencelist=('plain',))
out = {
  'subject': str(m['subject']),
  'from': [m['from'].addresses[0].display_name, m['from'].addresses[0].addr_spec],
  'to': [[a.display_name, a.addr_spec] for a in m['to'].addresses],
  'date': parsedate_to_datetime(m['date']).isoformat(),
  'id': m['message-id'],
  'charset': part.get_content_charset(),
  'text': part.get_content(),
  'files': [],
  'defects': [str(d) for d in m.defects] + [str(d) for p in m.walk() for d in p.defects],
}
for a in m.iter_attachments():
    data = a.get_payload(decode=True)
    open(os.path.join(sys.argv[2], 'out-' + a.get_filename()), 'wb').write(data)
    out['files'].append(a.get_filename())
print(json.dumps(out))
)");
    QProcess python;
    python.start("python3", {"-c", script, dir.filePath("message.eml"), dir.path()});
    QVERIFY(python.waitForFinished(30000));
    QVERIFY2(python.exitCode() == 0, qPrintable(python.readAllStandardError()));
    const QJsonObject read = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    QCOMPARE(read["subject"].toString(), subject);
    QCOMPARE(read["from"].toArray(), (QJsonArray{fromName, "alice@example.test"}));
    QCOMPARE(read["to"].toArray(), (QJsonArray{QJsonArray{"Bob", "bob@example.test"},
                                               QJsonArray{QString("Zoë Müller"), "zoe@example.test"}}));
    QCOMPARE(read["date"].toString(), QString("2026-12-08T09:05:07+01:00"));
    QVERIFY(read["id"].toString().endsWith("@example.test>"));
    QCOMPARE(read["charset"].toString(), std::all_of(text.begin(), text.end(),
                                                     [](const QString& l) {
                                                         return std::all_of(l.begin(), l.end(), [](QChar c) {
                                                             return c.unicode() < 128;
                                                         });
                                                     })
                                             ? QString("us-ascii")
                                             : QString("windows-1252"));
    // A single part starts with the empty line that opens the body; in a
    // multipart message the last line break belongs to the boundary (RFC 2046 5.1.1).
    QCOMPARE(read["text"].toString(), attachmentCount == 0 ? "\n" + text.join("\n") + "\n" : text.join("\n"));
    QCOMPARE(read["defects"].toArray(), QJsonArray());
    QCOMPARE(read["files"].toArray().size(), attachmentCount);
    for (int i = 0; i < attachmentCount; ++i) {
        QFile file(dir.filePath(QString("out-file%1.bin").arg(i)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), contents.at(i));
    }

    // The receiving side of another installation reads the same.
    QCOMPARE(DecodeHeaderText(header.Value("Subject")), subject);
    if (attachmentCount == 0) {
        QList<QByteArray> lines = body.split('\n');
        lines.removeLast();
        for (QByteArray& line : lines) {
            line.chop(1);
            if (line.startsWith("..")) line.remove(0, 1);
        }
        QCOMPARE(
            DecodeTextBody(lines, header.Value("Content-Transfer-Encoding"), header.Value("Content-Type")),
            QStringList(text));
    }
}

QTEST_GUILESS_MAIN(TstSmtpCompose)
#include "tst_smtp_compose.moc"
