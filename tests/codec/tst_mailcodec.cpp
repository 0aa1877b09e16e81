// Base64/UU encoding and decoding, header lines, field and address helpers.
#include "mail/codec/HeaderList.h"
#include "mail/codec/MailText.h"
#include "mail/codec/UUProcessor.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

class TstMailCodec : public QObject {
    Q_OBJECT

private slots:
    void base64Lines_data();
    void base64Lines();
    void uuLines_data();
    void uuLines();
    void roundTrip_data();
    void roundTrip();
    void base64DecodeTolerance_data();
    void base64DecodeTolerance();
    void base64FastPathMatchesTolerantLoopOnRandomDamage();
    void uuDecodeTolerance_data();
    void uuDecodeTolerance();
    void encodeEventsAndRewind();
    void headerList();
    void nthField_data();
    void nthField();
    void extractAddress_data();
    void extractAddress();
    void lineBreaks();
};

static QByteArray Bytes(int count) {
    QByteArray data(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        data[i] = char((i * 37 + 11) & 0xFF);
    return data;
}

// Base64 of data cut into lines of 60 characters, each with CR LF.
static QByteArray Base64Lines(const QByteArray& data) {
    QByteArray result;
    for (qsizetype i = 0; i < data.size(); i += 45)
        result += data.mid(i, 45).toBase64() + "\r\n";
    return result;
}

void TstMailCodec::base64Lines_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("lineLengths");
    QTest::newRow("empty") << 0 << QList<int>{};
    QTest::newRow("one byte") << 1 << QList<int>{4};
    QTest::newRow("two bytes") << 2 << QList<int>{4};
    QTest::newRow("45 bytes") << 45 << QList<int>{60};
    QTest::newRow("46 bytes") << 46 << QList<int>{60, 4};
    QTest::newRow("many blocks") << 45 * 5000 + 7 << QList<int>{};
}

void TstMailCodec::base64Lines() {
    QFETCH(int, size);
    QFETCH(QList<int>, lineLengths);
    const QByteArray data = Bytes(size);
    const QByteArray encoded = TUUProcessor::EncodeBytes(data, emBase64);
    QCOMPARE(encoded, Base64Lines(data));
    if (!lineLengths.isEmpty() || size == 0) {
        QList<int> lengths;
        for (const QByteArray& line : encoded.split('\n'))
            if (!line.isEmpty()) lengths.append(int(line.size()) - 1);
        QCOMPARE(lengths, lineLengths);
    }
    if (size == 46) QVERIFY(encoded.endsWith("==\r\n"));
}

void TstMailCodec::uuLines_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty") << QByteArray() << QByteArray("`\r\n");
    QTest::newRow("Cat") << QByteArray("Cat") << QByteArray("#0V%T\r\n`\r\n");
    // Zero bits are written as the grave accent, never as a blank.
    QTest::newRow("zero bytes") << QByteArray(3, '\0') << QByteArray("#````\r\n`\r\n");
    QTest::newRow("one byte, no padding") << QByteArray("A") << QByteArray("!00\r\n`\r\n");
}

void TstMailCodec::uuLines() {
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);
    QCOMPARE(TUUProcessor::EncodeBytes(data, emUU), expected);
    const QByteArray full = TUUProcessor::EncodeBytes(Bytes(45), emUU);
    QCOMPARE(full.indexOf("\r\n"), 61);
    QCOMPARE(full.at(0), 'M');
}

void TstMailCodec::roundTrip_data() {
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("size");
    for (int method : {int(emBase64), int(emUU)})
        for (int size : {0, 1, 2, 3, 44, 45, 46, 90, 1000, 200000})
            QTest::addRow("%s %d", method == emUU ? "uu" : "base64", size) << method << size;
}

void TstMailCodec::roundTrip() {
    QFETCH(int, method);
    QFETCH(int, size);
    QByteArray data(size, Qt::Uninitialized);
    for (char& c : data)
        c = char(QRandomGenerator::global()->bounded(256));
    const auto m = TEncodeMethod(method);
    QCOMPARE(TUUProcessor::DecodeBytes(TUUProcessor::EncodeBytes(data, m), m), data);
}

// Decodes with the whole-group fast path on or off.
static QByteArray DecodeBase64(const QByteArray& lines, bool fastPath) {
    QByteArray source = lines, result;
    QBuffer input(&source), output(&result);
    input.open(QIODevice::ReadOnly);
    output.open(QIODevice::WriteOnly);
    TUUProcessor decoder;
    decoder.InputStream = &input;
    decoder.OutputStream = &output;
    decoder.WholeGroupFastPath = fastPath;
    decoder.Decode();
    return result;
}

void TstMailCodec::base64DecodeTolerance_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray text = Bytes(100);
    QByteArray wide = text.toBase64();
    QByteArray wrapped76;
    for (qsizetype i = 0; i < wide.size(); i += 76)
        wrapped76 += wide.mid(i, 76) + "\r\n";
    QTest::newRow("76-character lines") << wrapped76 << text;
    QTest::newRow("60-character lines") << Base64Lines(text) << text;
    QTest::newRow("LF only keeps every character")
        << QByteArray(Base64Lines(text)).replace("\r\n", "\n") << text;
    QTest::newRow("one long line") << wide + "\r\n" << text;
    const QByteArray longData = Bytes(3000);
    QTest::newRow("line longer than a read") << longData.toBase64() << longData;
    QTest::newRow("final == gives one byte") << QByteArray("QUJD\r\nRA==\r\n") << QByteArray("ABCD");
    QTest::newRow("final = gives two bytes") << QByteArray("QUJDREU=\r\n") << QByteArray("ABCDE");
    QTest::newRow("nothing after padding") << QByteArray("QQ==\r\nQkJC\r\n") << QByteArray("A");
    QTest::newRow("junk skipped") << QByteArray("  QU*JD\r\n\t!RA==\r\n") << QByteArray("ABCD");
    QTest::newRow("short and boundary lines skipped")
        << QByteArray("QQ\r\n====boundary\r\nQUJD\r\n") << QByteArray("ABC");
    QTest::newRow("padding first ends decoding")
        << QByteArray("QUJD\r\n=QUJD\r\nQUJD\r\n") << QByteArray("ABC");
    QTest::newRow("blank lines") << QByteArray("\r\n\r\nQUJD\r\n\r\n") << QByteArray("ABC");
    QTest::newRow("cut group") << QByteArray("QUJDR\r\n") << QByteArray("ABC");
    QTest::newRow("no input") << QByteArray() << QByteArray();
    // Damage inside and between whole groups: the fast path must hand over to
    // the tolerant loop at exactly the same character.
    QTest::newRow("junk inside a group") << QByteArray("QU!JDRE:VG\r\n") << QByteArray("ABCDEF");
    QTest::newRow("high and NUL bytes")
        << QByteArray("QUJD\xff\x80REVG\0R0hJ\r\n", 17) << QByteArray("ABCDEFGHI");
    QTest::newRow("padding mid-line, rest still read")
        << QByteArray("QQ==QUJD\r\nQUJD\r\n") << QByteArray("AABC");
    QTest::newRow("CR inside a line") << QByteArray("QUJD\rREVG\r\n") << QByteArray("ABCDEF");
    QTest::newRow("last line without line end") << QByteArray("QUJD\r\nREVG") << QByteArray("ABCDEF");
    const QByteArray huge = Bytes(300000);
    QTest::newRow("line longer than the output buffer") << huge.toBase64() + "\r\n" << huge;
}

void TstMailCodec::base64DecodeTolerance() {
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, expected);
    QCOMPARE(TUUProcessor::DecodeBytes(lines, emBase64), expected);
    QCOMPARE(DecodeBase64(lines, false), expected);
}

void TstMailCodec::base64FastPathMatchesTolerantLoopOnRandomDamage() {
    // Well-formed base64 lines with random damage (characters outside the
    // alphabet, padding, line ends, cut lines) at random places.
    const QByteArray damage("=\r\n -*.\t\0\xff\x80", 12);
    QRandomGenerator random(20261208);
    for (int round = 0; round < 300; ++round) {
        QByteArray data(random.bounded(1, 3000), Qt::Uninitialized);
        for (char& c : data)
            c = char(random.bounded(256));
        QByteArray lines = Base64Lines(data);
        const int hits = random.bounded(0, 6);
        for (int k = 0; k < hits; ++k) {
            const qsizetype at = random.bounded(lines.size() + 1);
            if (random.bounded(4) == 0)
                lines.remove(at, random.bounded(1, 5));
            else
                lines.insert(at, damage[random.bounded(damage.size())]);
        }
        const QByteArray fast = DecodeBase64(lines, true);
        if (fast != DecodeBase64(lines, false))
            QFAIL(qPrintable(QStringLiteral("round %1 differs on input %2")
                                 .arg(round)
                                 .arg(QString::fromLatin1(lines.toHex()))));
        if (hits == 0) QCOMPARE(fast, data);
    }
}

void TstMailCodec::uuDecodeTolerance_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << QByteArray("#0V%T\r\n`\r\n") << QByteArray("Cat");
    QTest::newRow("blank means zero") << QByteArray("#    \r\n") << QByteArray(3, '\0');
    QTest::newRow("begin and end frame lines")
        << QByteArray("begin 644 cat.txt\r\n#0V%T\r\n`\r\nend\r\n") << QByteArray("Cat");
    // A trimmed line: the missing characters count as zero bits.
    QTest::newRow("short line") << QByteArray("#0V\r\n") << QByteArray("C`\0", 3);
    QTest::newRow("LF only") << QByteArray("#0V%T\n`\n") << QByteArray("Cat");
}

void TstMailCodec::uuDecodeTolerance() {
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, expected);
    QCOMPARE(TUUProcessor::DecodeBytes(lines, emUU), expected);
}

void TstMailCodec::encodeEventsAndRewind() {
    QByteArray data("hello world");
    QBuffer input(&data);
    input.open(QIODevice::ReadOnly);
    input.seek(5); // encoding always starts at the beginning
    QByteArray out;
    QBuffer output(&out);
    output.open(QIODevice::WriteOnly);
    TUUProcessor processor;
    QStringList events;
    processor.OnBeginEncode = [&](TUUProcessor*) { events << "begin"; };
    processor.OnEndEncode = [&](TUUProcessor*) { events << QString::number(output.pos()); };
    processor.InputStream = &input;
    processor.OutputStream = &output;
    processor.Encode();
    QCOMPARE(out, QByteArray("aGVsbG8gd29ybGQ=\r\n"));
    QCOMPARE(events, (QStringList{"begin", "0"}));

    TUUProcessor noStreams;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, noStreams.Encode());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, noStreams.Decode());
}

void TstMailCodec::headerList() {
    THeaderList list{"From: a", "no colon line", "subject: old", "Subject: second"};
    QCOMPARE(list.IndexOfName("SUBJECT"), 2);
    QCOMPARE(list.IndexOfName("no colon line"), -1);
    QCOMPARE(list.IndexOfName("From"), 0);
    QCOMPARE(list.IndexOfName("Fro"), -1);
    QCOMPARE(list.IndexOfName("Date"), -1);

    list.SetValue("Subject", "new");
    QCOMPARE(list.at(2), QString("Subject: new"));
    QCOMPARE(list.size(), 4);
    list.SetValue("Date", "today");
    QCOMPARE(list.last(), QString("Date: today"));
    list.SetValue("subject", "");
    QCOMPARE(list.at(2), QString("Subject: second"));
    list.SetValue("Missing", "");
    QCOMPARE(list.size(), 4);
    QCOMPARE(list.Value("SUBJECT"), QString("second"));
    QCOMPARE(list.Value("Missing"), QString());
    QCOMPARE(THeaderList({"A: 1", "B: 2"}).Text(), QString("A: 1\r\nB: 2\r\n"));
}

void TstMailCodec::nthField_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first") << "a:b:c" << 1 << "a";
    QTest::newRow("middle") << "a:b:c" << 2 << "b";
    QTest::newRow("last") << "a:b:c" << 3 << "c";
    QTest::newRow("beyond end") << "a:b:c" << 4 << "";
    QTest::newRow("empty between") << "a::c" << 2 << "";
    QTest::newRow("trailing delimiter") << "a:" << 2 << "";
    QTest::newRow("no delimiter") << "abc" << 1 << "abc";
    QTest::newRow("zero") << "abc" << 0 << "";
    QTest::newRow("empty text") << "" << 1 << "";
}

void TstMailCodec::nthField() {
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(QString, expected);
    QCOMPARE(NthField(text, QLatin1Char(':'), n), expected);
}

void TstMailCodec::extractAddress_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bare") << "bob@example.test"
                          << "bob@example.test";
    QTest::newRow("name and brackets") << "Bob Smith <bob@example.test>"
                                       << "bob@example.test";
    QTest::newRow("no closing bracket") << "Bob <bob@example.test"
                                        << "bob@example.test";
    QTest::newRow("empty brackets") << "Bob <>"
                                    << "";
    QTest::newRow("prefix and colon") << "SMTP:bob@example.test"
                                      << "bob@example.test";
    QTest::newRow("nothing trimmed") << " bob@example.test "
                                     << " bob@example.test ";
}

void TstMailCodec::extractAddress() {
    QFETCH(QString, entry);
    QFETCH(QString, expected);
    QCOMPARE(ExtractAddress(entry), expected);
}

void TstMailCodec::lineBreaks() {
    QVERIFY(HasLineBreak("a\rb"));
    QVERIFY(HasLineBreak("a\nb"));
    QVERIFY(HasLineBreak(QString("a") + QChar(0)));
    QVERIFY(!HasLineBreak("a b"));
    QCOMPARE(OneLine("Hi\r\nRCPT TO:<x>"), QString("Hi  RCPT TO:<x>"));
}

QTEST_GUILESS_MAIN(TstMailCodec)
#include "tst_mailcodec.moc"
