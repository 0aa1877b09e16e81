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
