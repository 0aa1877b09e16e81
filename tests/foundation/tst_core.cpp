// Text catalogue, Windows-1252 text and stored date-time values.
#include "core/Binary.h"
#include "core/Cp1252.h"
#include "core/DateTimeValue.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestCore : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString writeCatalogue(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }

private slots:
    void catalogueCutsAt255AndMissingIsEmpty() {
        TextCatalogue c;
        const QByteArray longText(300, 'x');
        QVERIFY(c.load(writeCatalogue("a.cat", "# comment\n1101\t&Archivo\n1203\t" + longText +
                                                   "\n9002\tLine one\\nLine two\r\n")));
        QCOMPARE(c.text(1101), QString("&Archivo"));
        QCOMPARE(c.text(1203).size(), 255);
        QCOMPARE(c.text(9002), QString("Line one\nLine two"));
        QCOMPARE(c.text(4242), QString());
        QCOMPARE(c.text(-1), QString());
    }

    void catalogueSwitchAndRefusal() {
        TextCatalogue c;
        QVERIFY(c.load(writeCatalogue("es.cat", "5002\tCerrar\n")));
        QVERIFY(c.load(writeCatalogue("en.cat", "5002\tClose\n")));
        QCOMPARE(c.text(5002), QString("Close"));
        // A missing or text-less file is refused and the loaded texts stay.
        QVERIFY(!c.load(dir.filePath("missing.cat")));
        QVERIFY(!c.load(writeCatalogue("junk.cat", "not a catalogue\n")));
        QCOMPARE(c.text(5002), QString("Close"));
    }

    void shippedCataloguesHoldTheSameNumbers() {
        TextCatalogue es, en;
        QVERIFY(es.load(ORB_SOURCE_DIR "/resources/lang/es.cat"));
        QVERIFY(en.load(ORB_SOURCE_DIR "/resources/lang/en.cat"));
        const int required[] = {1101, 1105, 1134, 1210, 1301, 1305, 1401, 1402,  1501,  1502,  1903,
                                2001, 2319, 2992, 3001, 3017, 3103, 3202, 3903,  4001,  4008,  5001,
                                5002, 6005, 6103, 9001, 9018, 9101, 9103, 10002, 10009, 10011, 10017};
        for (int n : required) {
            QVERIFY2(!es.text(n).isEmpty(), qPrintable(QString::number(n)));
            QVERIFY2(!en.text(n).isEmpty(), qPrintable(QString::number(n)));
        }
        QCOMPARE(es.text(10004), QString("Sólo los..."));
        QCOMPARE(es.text(4001), QString("Norvo Orbalinder - Avisos no mostrados"));
    }

    void cp1252RoundTrip() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(Cp1252::encode(Cp1252::decode(all)), all);
        QCOMPARE(Cp1252::decode(QByteArray("\x80\x93\x94")), QString::fromUtf8("€“”"));
        QCOMPARE(Cp1252::encode(QString::fromUtf8("año ✓ 😀")), QByteArray("a\xF1o ? ?"));
    }

    // What input must be refused: exactly the characters a store would turn into '?'.
    void cp1252Unrepresentable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refused");
        QTest::newRow("western text, euro, quotes, a real ?")
            << QString::fromUtf8("Año € “x” ¿?") << QString();
        QTest::newRow("Cyrillic password, each letter once")
            << QString::fromUtf8("пароль1п") << QString::fromUtf8("пароль");
        QTest::newRow("Polish name") << QString::fromUtf8("Łukasz Wąs") << QString::fromUtf8("Łą");
        QTest::newRow("emoji stays whole") << QString::fromUtf8("ok 😀😀") << QString::fromUtf8("😀");
        QTest::newRow("folder in another script")
            << QString::fromUtf8("/home/u/Звуки/a.wav") << QString::fromUtf8("Звуки");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QString(QChar(0xD800));
    }
    void cp1252Unrepresentable() {
        QFETCH(QString, text);
        QFETCH(QString, refused);
        QCOMPARE(Cp1252::unrepresentable(text), refused);
        // Whatever is not refused survives the round trip unchanged.
        QString kept = text;
        for (QChar c : refused)
            kept.remove(c);
        QCOMPARE(Cp1252::decode(Cp1252::encode(kept)), kept);
    }

    void shortStrings() {
        char buf[31];
        memset(buf, 'Z', sizeof buf);
        Binary::putShortString(buf, 30, QString(40, 'a'));
        QCOMPARE(int(uint8_t(buf[0])), 30);
        QCOMPARE(Binary::getShortString(buf, 30), QString(30, 'a'));
        Binary::putShortString(buf, 30, "ab");
        QCOMPARE(buf[3], '\0'); // unused bytes are zero
        buf[0] = char(200);     // a damaged length byte is clamped, never read past
        QCOMPARE(Binary::getShortString(buf, 30).size(), 30);
    }

    void dateTimeValues() {
        QCOMPARE(DateTimeValue::fromDate(QDate(1899, 12, 30)), 0.0);
        QCOMPARE(DateTimeValue::fromDate(QDate(2026, 12, 8)), 46364.0);
        QCOMPARE(DateTimeValue::toDate(46364.75), QDate(2026, 12, 8));
        QCOMPARE(DateTimeValue::toTime(46364.75), QTime(18, 0));
        QCOMPARE(DateTimeValue::fromDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25);
        QCOMPARE(DateTimeValue::toDate(-1.25), QDate(1899, 12, 29));
        QCOMPARE(DateTimeValue::toTime(-1.25), QTime(6, 0));
        const double t = DateTimeValue::fromTime(QTime(10, 30));
        QCOMPARE(DateTimeValue::minuteOfDay(t), 630);
        // Damaged values never give invalid dates.
        QVERIFY(DateTimeValue::toDate(std::numeric_limits<double>::quiet_NaN()).isValid());
        QVERIFY(DateTimeValue::toDate(1e300).isValid());
    }

    void displayFormats() {
        const QLocale c(QLocale::English, QLocale::UnitedKingdom);
        QCOMPARE(DisplayFormats::amPmTime(QTime(0, 5), c), QString("12:05 am"));
        QCOMPARE(DisplayFormats::amPmTime(QTime(12, 0), c), QString("12:00 pm"));
        QCOMPARE(DisplayFormats::amPmTime(QTime(22, 30), c), QString("10:30 pm"));
        QCOMPARE(DisplayFormats::listDate(QDate(2026, 3, 5), c), QString("05-Mar-2026"));
        QCOMPARE(DisplayFormats::weekdayDate(QDate(2026, 12, 8), c), QString("Tue 08-Dec-2026"));
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
