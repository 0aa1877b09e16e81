// Session markers: one holder at a time, released when the holder dies.
#include "platform/GlobalMarker.h"

#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

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
};

QTEST_GUILESS_MAIN(TestMarkers)
#include "tst_markers.moc"
