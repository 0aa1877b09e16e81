// Session markers: one holder at a time, released when the holder dies; the
// hand-over channel beside them.
#include "platform/GlobalMarker.h"
#include "platform/InstanceChannel.h"

#include <QtTest>

#include <csignal>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// A client that sends `bytes` as they are and closes.
void sendRaw(const QString& path, const QByteArray& bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(path);
    std::memcpy(a.sun_path, p.constData(), size_t(p.size()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
        for (qsizetype sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += n;
        }
    ::close(fd);
}
} // namespace

class TestMarkers : public QObject {
    Q_OBJECT
private slots:
    void oneHolderAtATime() {
        QVERIFY(!GlobalMarker::exists("Orbalinder"));
        GlobalMarker first;
        QVERIFY(first.add("Orbalinder"));
        QVERIFY(GlobalMarker::exists("Orbalinder"));
        GlobalMarker second;
        QVERIFY(!second.add("Orbalinder"));
        QVERIFY(!GlobalMarker::exists("OrbalinderMC")); // markers are independent
        first.remove();
        QVERIFY(!GlobalMarker::exists("Orbalinder"));
        QVERIFY(second.add("Orbalinder"));
    }

    // Without XDG_RUNTIME_DIR the markers live in a folder of their own under
    // the temporary folder: made private, and refused when someone else could
    // control it (then no marker is taken, so the program does not run).
    void markerFolderWithoutRuntimeDir_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("usable");
        QTest::newRow("missing: made private") << "missing" << true;
        QTest::newRow("ours, open to others: closed") << "open" << true;
        QTest::newRow("another user's") << "foreign" << false;
        QTest::newRow("a link to elsewhere") << "link" << false;
    }
    void markerFolderWithoutRuntimeDir() {
        QFETCH(QString, setup);
        QFETCH(bool, usable);
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), tmp = qgetenv("TMPDIR");
        const QString temp = QDir::currentPath() + "/tmp-" + setup;
        QVERIFY(QDir().mkpath(temp));
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(temp));
        const QString base = temp + "/orbalinder-" + QString::number(::getuid());
        const QByteArray b = QFile::encodeName(base);
        if (setup == "open") {
            QVERIFY(QDir().mkpath(base));
            QVERIFY(::chmod(b.constData(), 0777) == 0);
        } else if (setup == "foreign") {
            if (::geteuid() != 0) QSKIP("needs root to make a folder of another user");
            QVERIFY(QDir().mkpath(base));
            QVERIFY(::chown(b.constData(), 65534, 65534) == 0);
        } else if (setup == "link") {
            QVERIFY(QDir().mkpath(temp + "/elsewhere"));
            QVERIFY(QFile::link(temp + "/elsewhere", base));
        }
        GlobalMarker marker;
        const bool taken = marker.add("Orbalinder");
        const QString problem = GlobalMarker::folderProblem();
        marker.remove();
        qputenv("XDG_RUNTIME_DIR", runtime);
        if (tmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", tmp);
        QCOMPARE(taken, usable);
        QCOMPARE(problem.isEmpty(), usable);
        if (usable) {
            struct stat st {};
            QVERIFY(::lstat(b.constData(), &st) == 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0700));
        }
    }

    void killedHolderDoesNotBlock() {
        int ready[2];
        QVERIFY(pipe(ready) == 0);
        const pid_t child = fork();
        if (child == 0) {
            GlobalMarker m;
            const char ok = m.add("OrbalinderMC") ? 'y' : 'n';
            (void)!write(ready[1], &ok, 1);
            pause(); // held until killed
            _exit(0);
        }
        char ok = 0;
        QCOMPARE(read(ready[0], &ok, 1), ssize_t(1));
        QCOMPARE(ok, 'y');
        QVERIFY(GlobalMarker::exists("OrbalinderMC"));
        kill(child, SIGKILL); // no exit sequence
        waitpid(child, nullptr, 0);
        QVERIFY(!GlobalMarker::exists("OrbalinderMC"));
        GlobalMarker next;
        QVERIFY(next.add("OrbalinderMC"));
    }

    // A second start's request reaches the running copy whole and is answered;
    // what is not one whole line (cut off, endless, from a client that goes
    // away) is dropped without harm, and the channel goes on serving.
    void handOverReachesTheRunningCopy_data() {
        QTest::addColumn<QByteArray>("before"); // sent raw first; empty: nothing
        QTest::addColumn<bool>("staleFile");
        QTest::newRow("plain request") << QByteArray() << false;
        QTest::newRow("socket file left by a copy that ended badly") << QByteArray() << true;
        QTest::newRow("a client that leaves mid-line") << QByteArray("OPEN\t/half") << false;
        QTest::newRow("a line longer than any request")
            << QByteArray(InstanceChannel::kMaxRequest + 4096, 'x') << false;
    }
    void handOverReachesTheRunningCopy() {
        QFETCH(QByteArray, before);
        QFETCH(bool, staleFile);
        const QString path = InstanceChannel::socketPath("Orbalinder");
        QDir().mkpath(GlobalMarker::directory());
        if (staleFile) {
            QFile stale(path);
            QVERIFY(stale.open(QIODevice::WriteOnly));
        }
        QVERIFY(!InstanceChannel::handOver("Orbalinder", "SHOW", 300)); // no one listens yet
        QStringList received;
        {
            InstanceChannel channel("Orbalinder");
            connect(&channel, &InstanceChannel::requestReceived, this,
                    [&received](const QString& r) { received << r; });
            QVERIFY(channel.listen());
            struct stat st {};
            QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode));
            QCOMPARE(st.st_mode & 077, mode_t(0)); // only this user may connect
            if (!before.isEmpty()) {
                auto raw = std::async(std::launch::async, [&] { sendRaw(path, before); });
                while (raw.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
                    QCoreApplication::processEvents();
                QTest::qWait(50);
            }
            const QString request = QStringLiteral("OPEN\t/home/ana/Dentista \u00f1.qvm");
            auto client = std::async(std::launch::async,
                                     [&] { return InstanceChannel::handOver("Orbalinder", request); });
            while (client.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
                QCoreApplication::processEvents();
            QVERIFY(client.get());
            QTRY_COMPARE(received, QStringList({request}));
        }
        QVERIFY(!QFile::exists(path)); // gone with the channel
    }
};

QTEST_GUILESS_MAIN(TestMarkers)
#include "tst_markers.moc"
