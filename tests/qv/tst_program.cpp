// The QV program as started from a shell: one instance at a time (a second
// start hands its file over, or is refused when the running one does not
// answer), the missing catalogue, a ready start that creates folders and
// settings, and a killed instance that does not block the next start.
#include "platform/GlobalMarker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {
const QString kQv = QStringLiteral(ORB_BINARY_DIR "/src/qv/QV");
const QString kTool = QStringLiteral(ORB_BINARY_DIR "/src/tools/qvtool");

QProcessEnvironment env() {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("ORB_NO_DIALOGS", "1");
    e.insert("QT_QPA_PLATFORM", "offscreen");
    return e;
}

void prepareFolder(const QString& dir, bool withCatalogue) {
    QDir().mkpath(dir);
    if (withCatalogue) QFile::copy(ORB_SOURCE_DIR "/resources/lang/en.cat", dir + "/QVLANG.cat");
}
} // namespace

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void missingCatalogue() {
        const QString dir = QDir::currentPath() + "/nocat";
        prepareFolder(dir, false);
        QProcess qv;
        qv.setProcessEnvironment(env());
        qv.setWorkingDirectory(dir);
        qv.start(kQv);
        QVERIFY(qv.waitForFinished(15000));
        QCOMPARE(qv.exitCode(), 1);
        QVERIFY(qv.readAllStandardError().contains("DLL file not found"));
        QVERIFY(!QDir(dir + "/MAIL").exists());
    }

    void secondInstanceIsRefusedAndAKilledOneDoesNotBlock() {
        const QString dir = QDir::currentPath() + "/prog";
        prepareFolder(dir, true);
        QProcess tool;
        tool.setProcessEnvironment(env());
        tool.start(kTool, {"settings", "set", "Splash", "0"});
        QVERIFY(tool.waitForFinished(10000));

        QProcess first;
        first.setProcessEnvironment(env());
        first.setWorkingDirectory(dir);
        first.start(kQv);
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(GlobalMarker::exists("Orbalinder"), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(QDir(dir + "/MAIL").exists() && QDir(dir + "/TEMP").exists(), 15000);

        // A second start hands its file to the running program and ends.
        const QString file = dir + "/handed.QVM";
        tool.start(kTool, {"add", file, "--desc", "handed", "--date", "2027-01-04", "--time", "09:00"});
        QVERIFY(tool.waitForFinished(10000));
        QVERIFY(QFile::exists(file));
        QProcess second;
        second.setProcessEnvironment(env());
        second.setWorkingDirectory(dir);
        second.start(kQv, {"handed.QVM"});
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     tool.start(kTool, {"settings", "get", "OpenFile"});
                                     tool.waitForFinished(10000);
                                     return QString::fromUtf8(tool.readAllStandardOutput()).contains(file);
                                 }()),
                                 15000);

        // The defaults are written during the start; wait until they all exist.
        // The optional rows (the mail client's own bounds and the dial-up
        // backend) are never written by the start: they read as their defaults.
        QStringList list;
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     tool.start(kTool, {"settings", "list"});
                                     tool.waitForFinished(10000);
                                     list =
                                         QString::fromUtf8(tool.readAllStandardOutput())
                                             .split('\n', Qt::SkipEmptyParts)
                                             .filter(QRegularExpression(QStringLiteral(
                                                 "^(?!(DialUpBackend|MaxMailSize|MaxAttachmentsSize)\t)")));
                                     return !list.join('\n').contains("(missing)");
                                 }()),
                                 15000);
        QCOMPARE(list.size(), 21);

        first.kill(); // no exit sequence
        QVERIFY(first.waitForFinished(10000));
        QVERIFY(!GlobalMarker::exists("Orbalinder"));

        // A running program that does not answer (here: the marker held by
        // this test, the killed program's socket file left behind).
        {
            GlobalMarker held;
            QVERIFY(held.add("Orbalinder"));
            QProcess refused;
            refused.setProcessEnvironment(env());
            refused.setWorkingDirectory(dir);
            refused.start(kQv);
            QVERIFY(refused.waitForFinished(15000));
            QCOMPARE(refused.exitCode(), 1);
            QVERIFY(refused.readAllStandardError().contains("Orbalinder already running"));
        }
        QProcess third;
        third.setProcessEnvironment(env());
        third.setWorkingDirectory(dir);
        third.start(kQv);
        QTRY_VERIFY_WITH_TIMEOUT(GlobalMarker::exists("Orbalinder"), 15000);
        third.terminate();
        QVERIFY(third.waitForFinished(10000));
    }

    // Two starts at the same instant (a double click on the launcher): taking
    // the marker is the test, so exactly one of them keeps running.
    void twoStartsAtOnceLeaveOneRunning() {
        const QString dir = QDir::currentPath() + "/twin";
        prepareFolder(dir, true);
        QProcess tool;
        tool.setProcessEnvironment(env());
        tool.start(kTool, {"settings", "set", "Splash", "0"});
        QVERIFY(tool.waitForFinished(10000));
        QProcess a, b;
        for (QProcess* p : {&a, &b}) {
            p->setProcessEnvironment(env());
            p->setWorkingDirectory(dir);
        }
        a.start(kQv);
        b.start(kQv);
        QVERIFY(a.waitForStarted() && b.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning,
                                 15000);
        QTest::qWait(1000); // the other one has had time to end too, were it to
        QCOMPARE(int(a.state() == QProcess::Running) + int(b.state() == QProcess::Running), 1);
        QVERIFY(GlobalMarker::exists("Orbalinder"));
        for (QProcess* p : {&a, &b}) {
            p->terminate();
            QVERIFY(p->state() == QProcess::NotRunning || p->waitForFinished(10000));
        }
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
