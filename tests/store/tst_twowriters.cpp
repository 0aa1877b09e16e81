// Several programs on one reminders file at once: qvtool adding from two
// processes while this one rewrites the file again and again (each rewrite
// replaces it by a rename). Every record arrives, each number once; a writer
// that cannot get the file in time fails and writes nothing. A program killed
// in the middle of a rewrite leaves the old file, and the next start removes
// its work file.
#include "platform/FileLock.h"
#include "store/ReminderFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <QtTest>

#include "../support/ReminderFileFixture.h"

#include <unistd.h>

namespace {
const QString kTool = QStringLiteral(ORB_BINARY_DIR "/src/tools/qvtool");

} // namespace

class TestTwoWriters : public QObject, ReminderFileFixture {
    Q_OBJECT

private slots:
    void init() { setUpFolder("shared.QVM"); }

    void addersAndRewriterLoseNothing() {
        constexpr int kEach = 60;
        QList<QProcess*> adders;
        for (const char* who : {"a", "b"}) {
            auto* p = new QProcess(this);
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->start(QStringLiteral("bash"),
                     {QStringLiteral("-c"),
                      QStringLiteral("for i in $(seq %1); do \"$0\" add \"$1\" --desc %2$i --date 2026-12-09 "
                                     "--time 09:30 >/dev/null || exit 1; done")
                          .arg(kEach)
                          .arg(QLatin1String(who)),
                      kTool, file});
            adders << p;
        }
        int rewrites = 0;
        while (std::any_of(adders.begin(), adders.end(),
                           [](QProcess* p) { return p->state() != QProcess::NotRunning; })) {
            QVERIFY(CompactarAvisos(file, index)); // nothing marked: the same records in a new file
            ++rewrites;
            QTest::qWait(10); // a rewrite now and then, as the due-check pass makes them
        }
        for (QProcess* p : adders) {
            p->waitForFinished();
            QCOMPARE(p->exitCode(), 0);
        }
        QVERIFY(rewrites > 0);
        QCOMPARE(bytesOf(file).size() % RegistroAviso::kTamano, 0);
        const QVector<RegistroAviso> all = LeerTodosLosAvisos(file);
        QCOMPARE(all.size(), 2 * kEach);
        QSet<QString> descriptions;
        for (int i = 0; i < all.size(); ++i) {
            QCOMPARE(int(all[i].Numero), i + 1);
            descriptions.insert(all[i].Descripcion);
        }
        QCOMPARE(descriptions.size(), 2 * kEach);
        QVERIFY(descriptions.contains("a1") && descriptions.contains("b60"));
        QCOMPARE(QDir().entryList({QStringLiteral(".*orbwork*")}, QDir::Files | QDir::Hidden), QStringList());
    }

    void killedRewriteLeavesNothingBehind() {
        // A large file: removing its first reminder rewrites the whole file.
        QProcess tool;
        tool.start(kTool, {"add", file, "--desc", "gone", "--date", "2026-12-01", "--time", "09:00",
                           "--repeat", "3", "--expires", "2026-12-01", "--delete"});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        {
            const QByteArray one = bytesOf(file);
            QFile f(file);
            QVERIFY(f.open(QIODevice::Append));
            for (int i = 0; i < 65000; ++i)
                f.write(one);
            f.flush();
            ::fsync(f.handle()); // on disk now, not in the tool's first forced write
        }
        const QByteArray before = bytesOf(file);
        const QString hidden = QStringLiteral(".shared.QVM.orbwork-*");
        tool.start(kTool, {"remove", file, "1"});
        QVERIFY(tool.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        while (QDir().entryList({hidden}, QDir::Files | QDir::Hidden).isEmpty() && clock.elapsed() < 60000 &&
               tool.state() == QProcess::Running)
            QThread::usleep(200);
        if (tool.state() != QProcess::Running) QSKIP("the rewrite ended before it could be interrupted");
        tool.kill();
        tool.waitForFinished();
        QVERIFY(bytesOf(file) == before);
        const QStringList left = QDir().entryList({hidden}, QDir::Files | QDir::Hidden);
        QVERIFY2(left.size() == 1, qPrintable(left.join(u' ')));
        // Work files of a program that still runs are not touched.
        QFile live(QStringLiteral(".shared.QVM.orbwork-1-1"));
        QVERIFY(live.open(QIODevice::WriteOnly));
        live.close();
        // The next program to use the file removes what the killed one left.
        tool.start(kTool, {"list", file});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(QDir().entryList({hidden}, QDir::Files | QDir::Hidden), QStringList{live.fileName()});
    }

    // What a start removes from the program's folders: the work files of
    // programs that ended, in each folder by its own names; never those of a
    // program that still runs, nor files that only look alike.
    void startRemovesWorkFilesOfEndedPrograms_data() {
        QTest::addColumn<QString>("folder"); // under the program folder
        QTest::addColumn<QString>("name");   // %1: a process number
        QTest::addColumn<bool>("live");      // the process runs
        QTest::addColumn<bool>("removed");
        QTest::newRow("save of an ended program") << ""
                                                  << ".a.QVM.orbwork-%1-3" << false << true;
        QTest::newRow("save of a running program") << ""
                                                   << ".a.QVM.orbwork-%1-3" << true << false;
        QTest::newRow("save in TEMP") << "TEMP"
                                      << ".QVMsgs.IDX.orbwork-%1-1" << false << true;
        QTest::newRow("incoming mail of an ended client") << "MAIL"
                                                          << "incoming-%1-7.tmp" << false << true;
        QTest::newRow("incoming mail of a running client") << "MAIL"
                                                           << "incoming-%1-7.tmp" << true << false;
        QTest::newRow("incoming name without a number") << "MAIL"
                                                        << "incoming-x%1-7.tmp" << false << false;
        QTest::newRow("incoming name elsewhere") << ""
                                                 << "incoming-%1-7.tmp" << false << false;
    }
    void startRemovesWorkFilesOfEndedPrograms() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(bool, live);
        QFETCH(bool, removed);
        QProcess ended;
        ended.start(QStringLiteral("true"));
        QVERIFY(ended.waitForStarted());
        const qint64 endedPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        const qint64 pid = live ? 1 : endedPid;
        QVERIFY(pid > 0);
        const QString path = QDir(QDir::currentPath() + u'/' + folder).filePath(name.arg(pid));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        ProgramFolders::global().createWorkFolders();
        QCOMPARE(!QFile::exists(path), removed);
        QFile::remove(path);
    }

    void busyFileIsRefused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("add") << QStringList{"add",    "F",          "--desc", "late",
                                            "--date", "2026-12-09", "--time", "09:30"};
        QTest::newRow("advance") << QStringList{"advance", "F", "1", "--now", "2026-12-09 09:30:00"};
        QTest::newRow("list") << QStringList{"list", "F"};
    }
    void busyFileIsRefused() {
        QFETCH(QStringList, args);
        AnadirAviso(file, index, RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 9), QTime(9, 30))));
        args[1] = file;
        const QByteArray before = bytesOf(file);
        FileLock holder(file, FileLock::Mode::Exclusive);
        QVERIFY(holder.held());
        QProcess tool;
        tool.start(kTool, args);
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 1);
        const QByteArray err = tool.readAllStandardError();
        QVERIFY2(err.contains("another program is using the file"), err.constData());
        QCOMPARE(bytesOf(file), before);
    }
};

QTEST_GUILESS_MAIN(TestTwoWriters)
#include "tst_twowriters.moc"
