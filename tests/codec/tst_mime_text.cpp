// Text of messages outside ASCII: quoted-printable, declared character sets and
// RFC 2047 encoded words, in both directions, and messages written by Python's
// email package read by our decoding.
#include "mail/codec/Charsets.h"
#include "mail/codec/EncodedWords.h"
#include "mail/codec/MailDate.h"
#include "mail/codec/QuotedPrintable.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

class TstMimeText : public QObject {
    Q_OBJECT

private slots:
    void quotedPrintable_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("plain ASCII") << QByteArray("Hello, world!\r\n") << QByteArray("Hello, world!\r\n");
        QTest::newRow("equals sign and 8-bit bytes")
            << QByteArray("a=b \xe9\x80\r\n") << QByteArray("a=3Db =E9=80\r\n");
        QTest::newRow("blank and tab before the line end")
            << QByteArray("end \r\ntab\t\r\n") << QByteArray("end=20\r\ntab=09\r\n");
        QTest::newRow("leading dot cannot end the data")
            << QByteArray(".\r\n.x\r\n") << QByteArray("=2E\r\n=2Ex\r\n");
        QTest::newRow("76 characters stay on one line") << QByteArray(76, 'a') + "\r\n"
                                                        << QByteArray(76, 'a') + "\r\n";
        QTest::newRow("77 characters take a soft break") << QByteArray(77, 'a') + "\r\n"
                                                         << QByteArray(75, 'a') + "=\r\naa\r\n";
        QTest::newRow("an escape is never split") << QByteArray(74, 'a') + "\xff\r\n"
                                                  << QByteArray(74, 'a') + "=\r\n=FF\r\n";
        QTest::newRow("LF line ends become CR LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
    }

    void quotedPrintable() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, encoded);
        QCOMPARE(EncodeQuotedPrintable(text), encoded);
        QByteArray expected = text;
        if (!expected.contains("\r\n")) expected.replace("\n", "\r\n");
        QCOMPARE(DecodeQuotedPrintable(encoded), expected);
        for (const QByteArray& line : encoded.split('\n'))
            QVERIFY(line.size() <= 77); // 76 and the CR
    }

    // What other writers and the transports do to quoted-printable text.
    void quotedPrintableTolerance_data() {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("small hex letters") << QByteArray("caf=c3=a9\r\n") << QByteArray("caf\xc3\xa9\r\n");
        QTest::newRow("soft break with LF only") << QByteArray("ab=\ncd\n") << QByteArray("abcd\r\n");
        QTest::newRow("blanks added by a transport")
            << QByteArray("word   \r\nnext\t\r\n") << QByteArray("word\r\nnext\r\n");
        QTest::newRow("blank after a soft break") << QByteArray("ab= \r\ncd\r\n") << QByteArray("abcd\r\n");
        QTest::newRow("equals sign without hex kept")
            << QByteArray("1+1=2 =ZZ =\xe9\r\n") << QByteArray("1+1=2 =ZZ =\xe9\r\n");
        QTest::newRow("no last line end") << QByteArray("a=3Db") << QByteArray("a=b");
    }

    void quotedPrintableTolerance() {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, text);
        QCOMPARE(DecodeQuotedPrintable(encoded), text);
    }

    void quotedPrintableRoundTrip() {
        for (int round = 0; round < 50; ++round) {
            QByteArray text;
            const int lines = QRandomGenerator::global()->bounded(1, 8);
            for (int l = 0; l < lines; ++l) {
                const int length = QRandomGenerator::global()->bounded(0, 300);
                for (int i = 0; i < length; ++i) {
                    char c = char(QRandomGenerator::global()->bounded(1, 256));
                    if (c == '\r' || c == '\n') c = ' ';
                    text.append(c);
                }
                text.append("\r\n");
            }
            QCOMPARE(DecodeQuotedPrintable(EncodeQuotedPrintable(text)), text);
        }
    }

    void headerWords_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8 base64") << "=?UTF-8?B?Sm9zw6kgTMOzcGV6?= <j@x>"
                                      << "José López <j@x>";
        QTest::newRow("Latin-1 Q with underscores") << "=?iso-8859-1?q?Jos=E9_L=F3pez?="
                                                    << "José López";
        QTest::newRow("blanks between two words dropped") << "=?utf-8?Q?caf=C3=A9?= \t =?utf-8?Q?_con_leche?="
                                                          << "café con leche";
        QTest::newRow("blanks between word and text kept") << "Re: =?utf-8?Q?caf=C3=A9?= now"
                                                           << "Re: café now";
        QTest::newRow("Windows-1252 quotes") << "=?windows-1252?Q?=93hi=94?="
                                             << "“hi”";
        QTest::newRow("language suffix") << "=?UTF-8*es?Q?a=C3=B1o?="
                                         << "año";
        QTest::newRow("not a word") << "=?broken?X?abc?= 100% =?"
                                    << "=?broken?X?abc?= 100% =?";
        QTest::newRow("plain text") << "Norvo Orbalinder Message"
                                    << "Norvo Orbalinder Message";
    }

    void headerWords() {
        QFETCH(QString, value);
        QFETCH(QString, text);
        QCOMPARE(DecodeHeaderText(value), text);
    }

    void encodedWordsRoundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("accents") << "José Ñúñez";
        QTest::newRow("symbols outside Windows-1252") << "Café ☕ 😀 ünd “quotes”";
        QTest::newRow("long") << QString("Ärger ").repeated(30);
        QTest::newRow("specials") << "a_b=c?d \"é\"";
    }

    void encodedWordsRoundTrip() {
        QFETCH(QString, text);
        const QString encoded = EncodeDisplayName(text);
        for (const QString& word : encoded.split(' ')) {
            QVERIFY2(word.size() <= 75, qPrintable(word));
            QVERIFY(word.startsWith("=?UTF-8?Q?") && word.endsWith("?="));
        }
        QCOMPARE(DecodeHeaderText(encoded), text);
        QCOMPARE(DecodeHeaderText(EncodeHeaderText(text)), text);
    }

    void dates_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("text");
        QTest::newRow("east of UTC") << QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7), Qt::OffsetFromUTC, 3600)
                                     << "Tue, 08 Dec 2026 09:05:07 +0100";
        QTest::newRow("west, half hours")
            << QDateTime(QDate(2027, 1, 3), QTime(23, 0), Qt::OffsetFromUTC, -12600)
            << "Sun, 03 Jan 2027 23:00:00 -0330";
        QTest::newRow("UTC") << QDateTime(QDate(2026, 5, 31), QTime(0, 0, 1), Qt::UTC)
                             << "Sun, 31 May 2026 00:00:01 +0000";
    }

    void dates() {
        QFETCH(QDateTime, when);
        QFETCH(QString, text);
        QCOMPARE(Rfc5322Date(when), text);
        QVERIFY(IsRfc5322Date(text));
        QVERIFY(!IsRfc5322Date("08/12/2026"));
        QVERIFY(MakeMessageId(when, "a@example.org") != MakeMessageId(when, "a@example.org"));
        QVERIFY(MakeMessageId(when, "no address<>").endsWith("@orbalinder.invalid>"));
    }

    // Messages written by Python's email package in the forms other mail
    // programs and providers use: our decoding gives back the text and the name.
    void messagesWrittenElsewhere_data() {
        QTest::addColumn<QString>("charset");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("UTF-8, quoted-printable") << "utf-8"
                                                 << "quoted-printable";
        QTest::newRow("UTF-8, base64") << "utf-8"
                                       << "base64";
        QTest::newRow("UTF-8, 8bit") << "utf-8"
                                     << "8bit";
        QTest::newRow("ISO-8859-1, quoted-printable") << "iso-8859-1"
                                                      << "quoted-printable";
        QTest::newRow("Windows-1252, 8bit") << "windows-1252"
                                            << "8bit";
        QTest::newRow("ISO-8859-15, base64") << "iso-8859-15"
                                             << "base64";
    }

    void messagesWrittenElsewhere() {
        QFETCH(QString, charset);
        QFETCH(QString, encoding);
        const QString name = QStringLiteral("Zoë Müller");
        const QStringList text{"Reunión mañana a las 9:00", ".punto", "", "adiós  ", QString(100, 'z') + "ñ"};
        const QString script = QStringLiteral(R"(
import sys
from email.message import EmailMessage
from email.headerregistry import Address
from email import policy
m = EmailMessage(policy=policy.SMTP)
m['From'] = Address(sys.argv[3], 'zoe', 'example.org')
m['Subject'] = 'Norvo Orbalinder Message'
m.set_content(sys.argv[4] + '\n', charset=sys.argv[1], cte=sys.argv[2])
sys.stdout.buffer.write(m.as_bytes())
)");
        QProcess python;
        python.start("python3", {"-c", script, charset, encoding, name, text.join("\n")});
        QVERIFY(python.waitForFinished(30000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        const QByteArray message = python.readAllStandardOutput();
        const qsizetype split = message.indexOf("\r\n\r\n");
        QVERIFY(split > 0);
        // The header unfolded, as a reader that joins continuation lines sees it.
        QString header = QString::fromLatin1(message.left(split));
        header.replace("\r\n ", " ").replace("\r\n\t", " ");
        QString from, contentType, transfer;
        for (const QString& line : header.split("\r\n")) {
            if (line.startsWith("From: ")) from = line.mid(6);
            if (line.startsWith("Content-Type: ")) contentType = line.mid(14);
            if (line.startsWith("Content-Transfer-Encoding: ")) transfer = line.mid(27);
        }
        QList<QByteArray> lines = message.mid(split + 4).split('\n');
        if (lines.last().isEmpty()) lines.removeLast();
        for (QByteArray& line : lines)
            if (line.endsWith('\r')) line.chop(1);

        QCOMPARE(DecodeHeaderText(from), name + " <zoe@example.org>");
        QCOMPARE(CharsetParameter(contentType), charset);
        QCOMPARE(DecodeTextBody(lines, transfer, contentType), text);
    }
};

QTEST_GUILESS_MAIN(TstMimeText)
#include "tst_mime_text.moc"
