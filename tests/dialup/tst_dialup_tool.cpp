// qvtool dialup: entries added by the tool are the ones the component dials.
#include "dialup/DialUp.h"
#include "platform/dialup/SimulatedPhonebook.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace dialup;

class TstDialUpTool : public QObject {
    Q_OBJECT

    QString book = QDir::currentPath() + QStringLiteral("/book.conf");

    int qvtool(const QStringList& args, QString* out = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORB_DIALUP_PHONEBOOK"), book);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ORB_BINARY_DIR "/src/tools/qvtool"),
                QStringList{QStringLiteral("dialup")} + args);
        if (!p.waitForFinished(20000)) return -1;
        if (out) *out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitCode();
    }

private slots:
    void addListDialRemove() {
        QFile::remove(book);
        QCOMPARE(qvtool({"add", "Office", "--user", "ana", "--password", "pw", "--states", "0,5"}), 0);
        QCOMPARE(qvtool({"add", "Broken", "--outcome", "691", "--keep-handle"}), 0);
        QString out;
        QCOMPARE(qvtool({"list"}, &out), 0);
        QCOMPARE(out, QStringLiteral("Office\nBroken\n"));
        QCOMPARE(QFile::permissions(book) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());

        TDialUp d(nullptr, std::make_shared<SimulatedPhonebook>(book));
        d.DialMode = TDialMode::dmSync;
        d.Entry = QStringLiteral("Office");
        QString password;
        QCOMPARE(d.GetEntryPassword(password), 0u);
        QCOMPARE(password, QStringLiteral("pw"));
        QCOMPARE(d.Dial(), 0u);
        d.Entry = QStringLiteral("Broken");
        QCOMPARE(d.Dial(), kErrorAuthentication);

        QCOMPARE(qvtool({"remove", "Office"}), 0);
        QCOMPARE(qvtool({"remove", "Office"}), 1);
        QCOMPARE(qvtool({"list"}, &out), 0);
        QCOMPARE(out, QStringLiteral("Broken\n"));
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("no verb") << QStringList{} << 2;
        QTest::newRow("bad name") << QStringList{"add", "a/b"} << 1;
        QTest::newRow("bad outcome") << QStringList{"add", "X", "--outcome", "many"} << 2;
        QTest::newRow("missing value") << QStringList{"add", "X", "--user"} << 2;
        QTest::newRow("unknown option") << QStringList{"add", "X", "--colour", "red"} << 2;
    }
    void badArguments() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFile::remove(book);
        QCOMPARE(qvtool(args), code);
        QVERIFY(!QFile::exists(book) || SimulatedPhonebook(book).load().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstDialUpTool)
#include "tst_dialup_tool.moc"
