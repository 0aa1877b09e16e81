// The pieces under the socket component: the byte queue with its read cursor,
// the time-out timer, dotted addresses, the error number mapping, and the
// error model: a server's refusal and the owner's one chance to repair a step.
#include "net/ByteQueue.h"
#include "net/SockErrors.h"
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
        QCOMPARE(NetAddress::parseDotted(text, &parsed), valid);
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
        HostLookup::setResolver([](const QByteArray&, QList<NetAddress>* a) {
            *a = {NetAddress::v4(1)};
            return 0;
        });
        bool answered = false, other = false;
        const uint64_t id =
            HostLookup::start(QStringLiteral("x"), [&](const QList<NetAddress>&, int) { answered = true; });
        HostLookup::start(QStringLiteral("y"), [&](const QList<NetAddress>&, int) { other = true; });
        HostLookup::cancel(id);
        QTRY_VERIFY(other);
        QVERIFY(!answered);
        HostLookup::setResolver({});
    }

    // The owner is asked only after a failure, at most once, and only a
    // repair it claims (handled) earns the second attempt.
    void ownerRepairsOnce_data() {
        QTest::addColumn<QList<bool>>("attempts"); // what each attempt gives, in turn
        QTest::addColumn<int>("owner");            // 0 unassigned, 1 declines, 2 repairs
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("tried");
        QTest::addColumn<int>("asked");
        const int done = int(TRepair::Done), no = int(TRepair::NotRepaired),
                  again = int(TRepair::FailedAgain);
        QTest::newRow("works at once") << QList<bool>{true} << 2 << done << 1 << 0;
        QTest::newRow("no owner") << QList<bool>{false} << 0 << no << 1 << 0;
        QTest::newRow("owner declines") << QList<bool>{false} << 1 << no << 1 << 1;
        QTest::newRow("repaired") << QList<bool>{false, true} << 2 << done << 2 << 1;
        QTest::newRow("repair not enough") << QList<bool>{false, false, true} << 2 << again << 2 << 1;
    }
    void ownerRepairsOnce() {
        QFETCH(QList<bool>, attempts);
        QFETCH(int, owner);
        QFETCH(int, result);
        QFETCH(int, tried);
        QFETCH(int, asked);
        int t = 0, a = 0;
        std::function<void(bool&)> ask;
        if (owner > 0)
            ask = [&](bool& handled) {
                QVERIFY(!handled);
                ++a;
                handled = owner == 2;
            };
        QCOMPARE(int(OwnerRepairs([&] { return attempts.value(t++); }, ask)), result);
        QCOMPARE(t, tried);
        QCOMPARE(a, asked);
    }

    // A refusal keeps the reply as received (its message), and gives its code
    // and the server's own words for a log line.
    void protocolErrorCarriesReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("words");
        QTest::newRow("smtp") << QByteArray("550 5.1.1 <x@y>: user unknown\r\n") << 550
                              << QStringLiteral("<x@y>: user unknown");
        QTest::newRow("smtp lines") << QByteArray("554-too busy\r\n554 try\x01 later\r\n") << 554
                                    << QStringLiteral("too busy try later");
        QTest::newRow("pop3") << QByteArray("-ERR [IN-USE] locked\r\n") << 0
                              << QStringLiteral("[IN-USE] locked");
    }
    void protocolErrorCarriesReply() {
        QFETCH(QByteArray, reply);
        QFETCH(int, code);
        QFETCH(QString, words);
        try {
            throw EProtocolError(reply);
        } catch (const ENetError& e) {
            QCOMPARE(QByteArray(e.what()), reply);
            const auto* refusal = dynamic_cast<const EProtocolError*>(&e);
            QVERIFY(refusal);
            QCOMPARE(refusal->reply(), reply);
            QCOMPARE(refusal->code(), code);
            QCOMPARE(refusal->words(), words);
        }
    }
};

QTEST_GUILESS_MAIN(TestNetParts)
#include "tst_netparts.moc"
