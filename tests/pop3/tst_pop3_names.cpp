// Attachment names from messages: plain names only, unique in their folder.
#include "mail/pop3/AttachmentName.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPop3Names : public QObject {
    Q_OBJECT
private slots:
    void safeName_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "report.pdf"
                               << "report.pdf";
        QTest::newRow("unix path") << "/etc/passwd"
                                   << "passwd";
        QTest::newRow("parent folders") << "../../.bashrc"
                                        << "bashrc";
        QTest::newRow("windows path") << "C:\\Windows\\system.ini"
                                      << "system.ini";
        QTest::newRow("only dots") << ".."
                                   << "text.tmp";
        QTest::newRow("empty") << ""
                               << "text.tmp";
        QTest::newRow("trailing slash") << "dir/"
                                        << "text.tmp";
        QTest::newRow("control characters") << QStringLiteral("a\r\nb\tc\x01.txt") << "abc.txt";
        QTest::newRow("blanks kept inside") << "  my file.txt "
                                            << "my file.txt";
        QTest::newRow("long") << QString(500, QLatin1Char('x'))
                              << QString(240, QLatin1Char('x')); // 240 bytes
    }
    void safeName() {
        QFETCH(QString, given);
        QFETCH(QString, expected);
        QCOMPARE(SafeAttachmentName(given), expected);
    }

    void uniqueName() {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        QCOMPARE(UniqueAttachmentName(folder, QStringLiteral("report.pdf")), QStringLiteral("report.pdf"));
        for (const char* name : {"report.pdf", "report_1.pdf", "a.tar.gz", "README"}) {
            QFile f(folder + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(UniqueAttachmentName(folder, QStringLiteral("report.pdf")), QStringLiteral("report_2.pdf"));
        QCOMPARE(UniqueAttachmentName(folder, QStringLiteral("a.tar.gz")), QStringLiteral("a_1.tar.gz"));
        QCOMPARE(UniqueAttachmentName(folder, QStringLiteral("README")), QStringLiteral("README_1"));
    }
};

QTEST_GUILESS_MAIN(TestPop3Names)
#include "tst_pop3_names.moc"
