// The pieces under the socket component: the byte queue with its read cursor,
// the time-out timer, dotted addresses and the error number mapping.
#include "net/ByteQueue.h"
#include "net/SockTimer.h"
#include "platform/socket/HostLookup.h"
#include "platform/socket/WinsockErrors.h"

#include <QElapsedTimer>
#include <QTest>

#include <arpa/inet.h>
#include <cerrno>

class TestNetParts : public QObject {
    Q_OBJECT
private slots:
    void queueTakesLinesAcrossAppends() {
        ByteQueue q;
        q.append("ab", 2);
        QCOMPARE(q.indexOfLineFeed(), qsizetype(-1));
        q.append("c\r\nde", 5);
        QCOMPARE(q.indexOfLineFeed(), qsizetype(4));
        QCOMPARE(q.take(5), QByteArray("abc\r\n"));
        QCOMPARE(q.indexOfLineFeed(), qsizetype(-1));
        q.append("\n", 1);
        QCOMPARE(q.indexOfLineFeed(), qsizetype(2));
        QCOMPARE(q.take(100), QByteArray("de\n"));
        QVERIFY(q.isEmpty());
    }

    void queueKeepsOrderThroughCompaction() {
        ByteQueue q;
        QByteArray expected;
        int next = 0;
        for (int round = 0; round < 200; ++round) {
            QByteArray chunk;
            for (int i = 0; i < 500; ++i)
                chunk += QByteArray::number(next++) + '\n';
            q.append(chunk);
            expected += chunk;
            // Take a bit less than arrived, so the front moves and compaction happens.
            for (int i = 0; i < 450; ++i) {
                const qsizetype lf = q.indexOfLineFeed();
                QVERIFY(lf >= 0);
                const QByteArray line = q.take(lf + 1);
                QCOMPARE(line, expected.left(lf + 1));
                expected.remove(0, lf + 1);
            }
        }
        QCOMPARE(QByteArray(q.data(), q.size()), expected);
        q.consume(q.size() + 10);
        QVERIFY(q.isEmpty());
    }

    void timerTicksAndRearms() {
        TSockTimer timer;
        int ticks = 0;
        timer.setInterval(20);
        timer.setOnTimer([&](QObject* sender) {
            QCOMPARE(sender, &timer);
            ++ticks;
        });
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 2000);
        timer.setEnabled(false);
        const int stopped = ticks;
        QTest::qWait(80);
        QCOMPARE(ticks, stopped);
        timer.setInterval(0); // interval 0: never ticks even when enabled
        timer.setEnabled(true);
        QTest::qWait(50);
        QCOMPARE(ticks, stopped);
        timer.setOnTimer(
            [&](QObject*) { throw std::runtime_error("handler failure stays inside the tick"); });
        timer.setInterval(10);
        QTest::qWait(50);
    }

    void dottedAddresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("address");
        QTest::newRow("loopback") << QStringLiteral("127.0.0.1") << true << QStringLiteral("127.0.0.1");
        QTest::newRow("short form") << QStringLiteral("127.1") << true << QStringLiteral("127.0.0.1");
        QTest::newRow("name") << QStringLiteral("mail.example.test") << false << QString();
        QTest::newRow("empty") << QString() << false << QString();
        QTest::newRow("all ones") << QStringLiteral("255.255.255.255") << false << QString();
        QTest::newRow("too large") << QStringLiteral("300.1.1.1") << false << QString();
    }
    void dottedAddresses() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, address);
        uint32_t parsed = 0;
        QCOMPARE(HostLookup::parseDotted(text, &parsed), valid);
        if (valid) {
            in_addr a{parsed};
            QCOMPARE(QString::fromLatin1(inet_ntoa(a)), address);
        }
    }

    void errnoMapping_data() {
        QTest::addColumn<int>("errnoValue");
        QTest::addColumn<int>("winsock");
        QTest::newRow("refused") << ECONNREFUSED << 10061;
        QTest::newRow("reset") << ECONNRESET << 10054;
        QTest::newRow("would block") << EWOULDBLOCK << 10035;
        QTest::newRow("in progress") << EINPROGRESS << 10036;
        QTest::newRow("timed out") << ETIMEDOUT << 10060;
        QTest::newRow("unreachable") << ENETUNREACH << 10051;
        QTest::newRow("broken pipe") << EPIPE << 10058;
        QTest::newRow("none") << 0 << 0;
    }
    void errnoMapping() {
        QFETCH(int, errnoValue);
        QFETCH(int, winsock);
        QCOMPARE(WinsockErrors::fromErrno(errnoValue), winsock);
    }

    void cancelledLookupNeverAnswers() {
        HostLookup::setResolver([](const QByteArray&, uint32_t* a) {
            *a = 1;
            return 0;
        });
        bool answered = false, other = false;
        const uint64_t id = HostLookup::start(QStringLiteral("x"), [&](uint32_t, int) { answered = true; });
        HostLookup::start(QStringLiteral("y"), [&](uint32_t, int) { other = true; });
        HostLookup::cancel(id);
        QTRY_VERIFY(other);
        QVERIFY(!answered);
        HostLookup::setResolver({});
    }
};

QTEST_GUILESS_MAIN(TestNetParts)
#include "tst_netparts.moc"
