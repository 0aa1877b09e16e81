// TSockClient against scripted servers on the loopback address: lines and
// replies, closing, failures, time-outs, cancelling and status reports.
#include "../support/ScriptedMailServer.h"
#include "net/SockClient.h"
#include "platform/socket/HostLookup.h"
#include "profiles/SeguridadPerfiles.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const NetAddress kLoopback4 = NetAddress::v4(htonl(INADDR_LOOPBACK));
const NetAddress kLoopback6 = NetAddress::v6(in6addr_loopback.s6_addr);

// Names resolve from this table only, so no lookup ever leaves the machine.
int tableResolver(const QByteArray& name, QList<NetAddress>* addresses) {
    if (name == "localhost" || name == "mail.orbalinder.test") {
        *addresses = {kLoopback4};
        return 0;
    }
    if (name == "slow.orbalinder.test") {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        *addresses = {kLoopback4};
        return 0;
    }
    if (name == "dual.orbalinder.test") { // IPv6 first, as the name service prefers
        *addresses = {kLoopback6, kLoopback4};
        return 0;
    }
    if (name == "stall.orbalinder.test") {
        *addresses = {kLoopback4, kLoopback6};
        return 0;
    }
    return 11001;
}

// An IPv4 loopback listener whose backlog is full, so no further handshake
// completes (full is false where the kernel completes them anyway).
struct StalledListener {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    QList<int> fillers;
    quint16 port = 0;
    bool full = false;

    StalledListener() {
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof at;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(listener, 0) != 0)
            return;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &len);
        port = ntohs(at.sin_port);
        for (int i = 0; i < 16 && !full; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            fillers << fd;
            ::connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
            pollfd p{fd, POLLOUT, 0};
            full = ::poll(&p, 1, 300) == 0;
        }
    }
    ~StalledListener() {
        for (int fd : std::as_const(fillers))
            ::close(fd);
        ::close(listener);
    }
};

template <typename E, typename F> QString messageOf(F&& operation) {
    try {
        operation();
    } catch (const E& e) {
        return QString::fromStdString(e.what());
    }
    return QStringLiteral("<no exception>");
}

void connectClient(TSockClient& client, quint16 port) {
    client.setHost(QStringLiteral("127.0.0.1"));
    client.setPort(port);
    client.Connect();
}

} // namespace

class TestSockClient : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { HostLookup::setResolver(tableResolver); }

    void connectsToDottedAddressWithoutLookup() {
        ScriptedMailServer server;
        TSockClient client;
        int connects = 0, resolved = 0;
        client.OnConnect = [&](TSockClient* sender) {
            QCOMPARE(sender, &client);
            ++connects;
        };
        client.OnHostResolved = [&](TSockClient*) { ++resolved; };
        connectClient(client, server.port());
        QVERIFY(client.Connected());
        QCOMPARE(connects, 1);
        QCOMPARE(resolved, 0);
        QCOMPARE(ntohs(client.RemoteAddress().port), server.port());
        QCOMPARE(client.RemoteAddress().family, uint16_t(2));
        QCOMPARE(messageOf<ESockError>([&] { client.Connect(); }), QStringLiteral("Already connected"));
    }

    void readsLinesArrivingInPieces() {
        ScriptedMailServer server;
        server.greeting = "22<pause 50>0 ready\r\nEXT<pause 50>RA\r\n";
        TSockClient client;
        connectClient(client, server.port());
        QCOMPARE(client.ReadLn(), QByteArray("220 ready\r\n"));
        QCOMPARE(client.ReadLn(), QByteArray("EXTRA\r\n"));
    }

    void transactionTakesReplyNumberFromLeadingDigits_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("number");
        QTest::newRow("smtp data") << QByteArray("354 Start mail input\r\n") << 354;
        QTest::newRow("pop3 ok") << QByteArray("+OK 2 320\r\n") << 0;
        QTest::newRow("multi-line marker") << QByteArray("250-mail.test\r\n") << 250;
        QTest::newRow("digits only") << QByteArray("221\r\n") << 221;
        QTest::newRow("too long to convert") << QByteArray("99999999999 x\r\n") << 0;
        QTest::newRow("bare lf") << QByteArray("550 no\n") << 550;
    }
    void transactionTakesReplyNumberFromLeadingDigits() {
        QFETCH(QByteArray, reply);
        QFETCH(int, number);
        ScriptedMailServer server;
        server.unknownReply = reply + "NEXT\r\n";
        TSockClient client;
        connectClient(client, server.port());
        QCOMPARE(client.Transaction("DATA"), reply);
        QCOMPARE(int(client.ReplyNumber()), number);
        QCOMPARE(client.LastReply(), reply);
        QCOMPARE(server.received, QByteArray("DATA\r\n"));
        QCOMPARE(client.ReadLn(), QByteArray("NEXT\r\n")); // bytes after the reply stay
    }

    void peerCloseKeepsDataAndAllowsReconnect() {
        ScriptedMailServer server;
        server.greeting = "221 bye\r\npartial<close>";
        TSockClient client;
        int disconnects = 0;
        client.OnDisconnect = [&](TSockClient*) { ++disconnects; };
        connectClient(client, server.port());
        QCOMPARE(client.ReadLn(), QByteArray("221 bye\r\n"));
        // The unterminated rest cannot become a line once the peer is gone.
        QCOMPARE(messageOf<ESockError>([&] { client.ReadLn(); }), QStringLiteral("Connection Closed"));
        QVERIFY(!client.Connected());
        QCOMPARE(disconnects, 1);

        server.greeting = "220 again\r\n";
        client.Connect();
        QVERIFY(client.Connected());
        QCOMPARE(client.ReadLn(), QByteArray("220 again\r\n"));
        QCOMPARE(server.connections, 2);
    }

    void refusedConnectionFails() {
        quint16 port;
        {
            ScriptedMailServer closed;
            port = closed.port();
        }
        TSockClient client;
        int failures = 0;
        client.OnConnectionFailed = [&](TSockClient*) { ++failures; };
        client.setHost(QStringLiteral("127.0.0.1"));
        client.setPort(port);
        QCOMPARE(messageOf<ESockError>([&] { client.Connect(); }), QStringLiteral("Connection Failed"));
        QCOMPARE(failures, 1);
        QCOMPARE(client.LastErrorNo(), 10061);
        QCOMPARE(client.SocketErrorMessage(client.LastErrorNo()), QStringLiteral("10061:Connection refused"));
        QVERIFY(!client.Connected());

        // The component is usable again afterwards.
        ScriptedMailServer server;
        client.setPort(server.port());
        client.Connect();
        QVERIFY(client.Connected());
    }

    // A profile's server field, as the mail client reads it, reached over
    // either family: literals without a lookup, each address of a name tried
    // in turn within the one time-out, the peer's address readable.
    void connectsOverEitherFamily_data() {
        QTest::addColumn<QString>("field"); // %1: the listeners' port
        QTest::addColumn<QString>(
            "listeners"); // "4", "6": a server on that loopback; "s": IPv4 never answers
        QTest::addColumn<int>("lookups");
        QTest::addColumn<QString>("peer"); // RemotePeerText, or the failure's text
        QTest::addColumn<int>("family");   // RemoteAddress().family
        QTest::newRow("dotted IPv4 as before") << "127.0.0.1:%1"
                                               << "4" << 0 << "127.0.0.1:%1" << 2;
        QTest::newRow("bare IPv6 literal") << "::1"
                                           << "6" << 0 << "[::1]:%1" << 23;
        QTest::newRow("IPv6 literal in brackets with a port") << "[::1]:%1"
                                                              << "6" << 0 << "[::1]:%1" << 23;
        QTest::newRow("a name with both families takes the first") << "dual.orbalinder.test:%1"
                                                                   << "46" << 1 << "[::1]:%1" << 23;
        QTest::newRow("the first address refuses, the next accepts") << "dual.orbalinder.test:%1"
                                                                     << "4" << 1 << "127.0.0.1:%1" << 2;
        QTest::newRow("every address refuses") << "dual.orbalinder.test:%1"
                                               << "" << 1 << "Connection Failed" << 2;
        QTest::newRow("the first never answers, the next gets the time left")
            << "stall.orbalinder.test:%1"
            << "s6" << 1 << "[::1]:%1" << 23;
    }
    void connectsOverEitherFamily() {
        QFETCH(QString, field);
        QFETCH(QString, listeners);
        QFETCH(int, lookups);
        QFETCH(QString, peer);
        QFETCH(int, family);
        std::unique_ptr<StalledListener> stalled;
        std::unique_ptr<ScriptedMailServer> v4, v6;
        quint16 port = 0;
        if (listeners.contains(u's')) {
            stalled = std::make_unique<StalledListener>();
            if (!stalled->full) QSKIP("this kernel accepts every handshake on a full backlog");
            port = stalled->port;
        } else if (listeners.contains(u'4') || listeners.isEmpty()) {
            v4 = std::make_unique<ScriptedMailServer>();
            port = v4->port();
            if (listeners.isEmpty()) v4.reset(); // nobody listens at that port any more
        }
        if (listeners.contains(u'6')) {
            v6 = std::make_unique<ScriptedMailServer>();
            QString why;
            QVERIFY2(v6->listen(QHostAddress(QHostAddress::LocalHostIPv6), port, &why), qPrintable(why));
            port = v6->port();
        }
        peer.replace(QLatin1String("%1"), QString::number(port));

        const DestinoServidor destino =
            DestinoDe(QString(field).replace(QLatin1String("%1"), QString::number(port)),
                      ProtocoloCorreo::Smtp, ModoSeguridad::Ninguna);
        QCOMPARE(destino.puerto, field.contains(QLatin1String("%1")) ? int(port) : 25);
        TSockClient client;
        client.setHost(destino.host);
        client.setPort(port);
        client.setTimeOut(3000);
        int resolved = 0, failures = 0;
        client.OnHostResolved = [&](TSockClient*) { ++resolved; };
        client.OnConnectionFailed = [&](TSockClient*) { ++failures; };
        QElapsedTimer clock;
        clock.start();
        const QString outcome = messageOf<ESockError>([&] { client.Connect(); });
        QCOMPARE(resolved, lookups);
        QCOMPARE(int(client.RemoteAddress().family), family);
        if (!peer.contains(u':')) { // refused everywhere: the last refusal is told
            QCOMPARE(outcome, peer);
            QCOMPARE(failures, 1);
            QCOMPARE(client.LastErrorNo(), 10061);
            return;
        }
        QCOMPARE(outcome, QStringLiteral("<no exception>"));
        QVERIFY(client.Connected());
        QCOMPARE(client.RemotePeerText(), peer);
        QCOMPARE(client.RemoteAddress().address, family == 2 ? htonl(INADDR_LOOPBACK) : 0u);
        QCOMPARE(ntohs(client.RemoteAddress().port), port);
        ScriptedMailServer* reached = family == 2 ? v4.get() : v6.get();
        QTRY_COMPARE(reached->connections, 1);
        if (v4 && reached != v4.get()) QCOMPARE(v4->connections, 0);
        // The stalled address had half of the 3 s, not all of it.
        if (stalled)
            QVERIFY2(clock.elapsed() >= 1400 && clock.elapsed() < 2800,
                     qPrintable(QString::number(clock.elapsed())));
        client.Writeln("HELO");
        QTRY_COMPARE(reached->received, QByteArray("HELO\r\n"));
    }

    void unansweredConnectTimesOut() {
        StalledListener stalled;
        if (!stalled.full) QSKIP("this kernel accepts every handshake on a full backlog");

        TSockClient client;
        int failures = 0;
        client.OnConnectionFailed = [&](TSockClient*) { ++failures; };
        client.setHost(QStringLiteral("127.0.0.1"));
        client.setPort(stalled.port);
        client.setTimeOut(5000);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(messageOf<ESockError>([&] { client.Connect(); }), QStringLiteral("Connection Timed out"));
        QVERIFY2(clock.elapsed() >= 4900 && clock.elapsed() < 8000,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(failures, 1);
        QVERIFY(client.TimedOut());
    }

    void unknownHostAndInvalidHostRetry() {
        ScriptedMailServer server;
        TSockClient client;
        client.setPort(server.port());
        client.setHost(QStringLiteral("nowhere.orbalinder.test"));
        QCOMPARE(messageOf<ESockError>([&] { client.Connect(); }), QStringLiteral("Null Remote Address"));
        QCOMPARE(client.LastErrorNo(), 11001);

        // The handler gets one chance to repair the host.
        int asked = 0, resolved = 0;
        client.OnHostResolved = [&](TSockClient*) { ++resolved; };
        client.OnInvalidHost = [&](TSockClient* sender, bool& handled) {
            ++asked;
            sender->setHost(QStringLiteral("mail.orbalinder.test"));
            handled = true;
        };
        client.Connect();
        QVERIFY(client.Connected());
        QCOMPARE(asked, 1);
        QCOMPARE(resolved, 1);
        client.Disconnect();

        // A second failure is final.
        asked = 0;
        client.setHost(QStringLiteral("nowhere.orbalinder.test"));
        client.OnInvalidHost = [&](TSockClient*, bool& handled) {
            ++asked;
            handled = true;
        };
        QCOMPARE(messageOf<ESockError>([&] { client.Connect(); }), QStringLiteral("Null Remote Address"));
        QCOMPARE(asked, 1);
    }

    void hostLookupTimesOut() {
        TSockClient client;
        client.setHost(QStringLiteral("slow.orbalinder.test"));
        client.setPort(1);
        client.setTimeOut(200);
        QCOMPARE(messageOf<ESockError>([&] { client.Connect(); }), QStringLiteral("Host Lookup Timed Out"));
    }

    void cancelEndsHostLookup() {
        TSockClient client;
        client.setHost(QStringLiteral("slow.orbalinder.test"));
        client.setPort(1);
        QTimer::singleShot(100, [&] { client.Cancel(); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(messageOf<ESockError>([&] { client.Connect(); }), QStringLiteral("Host Lookup Canceled"));
        QVERIFY(clock.elapsed() < 1000); // did not sit out the slow lookup
        // The late answer of the abandoned lookup changes nothing.
        QTest::qWait(1600);
        QVERIFY(!client.Connected());
        QCOMPARE(client.RemoteAddress().address, 0u);
    }

    void systemResolverFindsLocalhost() {
        HostLookup::setResolver({});
        ScriptedMailServer server;
        TSockClient client;
        client.setHost(QStringLiteral("localhost"));
        client.setPort(server.port());
        client.Connect();
        HostLookup::setResolver(tableResolver);
        QVERIFY(client.Connected());
    }

    void reportLevelsFilterStatus() {
        ScriptedMailServer server;
        server.unknownReply = "250 OK\r\n";
        for (int level : {0, 1}) {
            TSockClient client;
            client.setReportLevel(level);
            QStringList seen;
            client.OnStatus = [&](TSockClient*, const QString& text) { seen << text; };
            connectClient(client, server.port());
            client.Transaction("NOOP");
            client.Transaction("NOOP");
            if (level == 0)
                QVERIFY(seen.isEmpty());
            else
                QCOMPARE(seen, QStringList({QStringLiteral("250 OK\r\n"), QStringLiteral("250 OK\r\n")}));
        }
        TSockClient tracing;
        tracing.setReportLevel(8);
        QStringList trace;
        tracing.OnStatus = [&](TSockClient*, const QString& text) { trace << text; };
        connectClient(tracing, server.port());
        QVERIFY(trace.contains(QStringLiteral("Connecting")));
        QVERIFY(trace.contains(QStringLiteral("Timer On")));
        QVERIFY(trace.contains(QStringLiteral("Resolve Host")));
    }

    void cancelEndsReadLn() {
        ScriptedMailServer server;
        TSockClient client;
        connectClient(client, server.port());
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        QTimer::singleShot(200, [&] { client.Cancel(); });
        QCOMPARE(messageOf<EAbortError>([&] { client.ReadLn(); }), QStringLiteral("Socket readln aborted"));
        QVERIFY(client.Canceled());
        QVERIFY2(ticks >= 5, "timers keep running while ReadLn waits");
    }

    void readLnEndsWhenPeerCloses() {
        ScriptedMailServer server;
        server.greeting = "<pause 50><close>";
        TSockClient client;
        connectClient(client, server.port());
        QCOMPARE(messageOf<ESockError>([&] { client.ReadLn(); }), QStringLiteral("Connection Closed"));
    }

    void endlessLineIsRefused() {
        ScriptedMailServer server;
        server.greeting = "220 hello\r\n" + QByteArray(20 * 1024 * 1024, 'A'); // one line that never ends
        TSockClient client;
        connectClient(client, server.port());
        QCOMPARE(client.ReadLn(), QByteArray("220 hello\r\n"));
        QCOMPARE(messageOf<ESockError>([&] { client.ReadLn(); }), QStringLiteral("Line too long"));
        QVERIFY(!client.Connected());
        QCOMPARE(client.IncomingSize(), qsizetype(0));
    }

    void readingPausesAndResumes() {
        // 16 MiB arrive while the owner reads nothing: at most 8 MiB (and one
        // chunk) are held, and everything still comes through afterwards.
        ScriptedMailServer server;
        const QByteArray line = QByteArray(1022, 'm') + "\r\n";
        const int lines = 16 * 1024;
        server.greeting = line.repeated(lines);
        TSockClient client;
        connectClient(client, server.port());
        QTRY_VERIFY(client.IncomingSize() >= 8 * 1024 * 1024);
        QTest::qWait(200);
        QVERIFY(client.IncomingSize() < 8 * 1024 * 1024 + 16384);
        for (int i = 0; i < lines; ++i)
            if (client.ReadLn() != line) QFAIL(qPrintable(QStringLiteral("line %1 differs").arg(i)));
    }

    void writeCutsLongText() {
        ScriptedMailServer server;
        TSockClient client;
        connectClient(client, server.port());
        QByteArray text(20000, 'a');
        text[16383] = 'z';
        client.Write(text);
        QTRY_COMPARE(server.received.size(), 16384);
        QCOMPARE(server.received.back(), 'z');
        client.Write(QByteArray("ab\0cd", 5)); // ends at the first zero byte
        client.Write(QByteArray());            // nothing to send: returns at once
        QTRY_COMPARE(server.received.size(), 16386);
    }

    void sendWhenNotConnectedFails() {
        TSockClient client;
        QCOMPARE(messageOf<ESockError>([&] { client.Writeln("QUIT"); }), QStringLiteral("Not Connected"));
        QCOMPARE(messageOf<std::runtime_error>([&] { client.CheckConnected(); }),
                 QStringLiteral("Not Connected"));
        ScriptedMailServer server;
        int asked = 0;
        client.OnConnectionRequired = [&](TSockClient* sender, bool& handled) {
            ++asked;
            connectClient(*static_cast<TSockClient*>(sender), server.port());
            handled = true;
        };
        client.CheckConnected();
        QCOMPARE(asked, 1);
    }

    void sendStreamCountsAndDelivers() {
        ScriptedMailServer server;
        TSockClient client;
        connectClient(client, server.port());
        QByteArray body;
        for (int i = 0; i < 40000; ++i)
            body += "line " + QByteArray::number(i) + "\r\n";
        QBuffer stream(&body);
        stream.open(QIODevice::ReadOnly);
        stream.seek(100); // sent from the start regardless
        int packets = 0;
        client.OnPacketSent = [&](TSockClient*) { ++packets; };
        client.SendStream(stream);
        QCOMPARE(client.BytesSent(), int(body.size()));
        QCOMPARE(client.BytesTotal(), int(body.size()));
        QVERIFY(packets >= body.size() / 16383);
        QTRY_COMPARE(server.received.size(), body.size());
        QCOMPARE(server.received, body);
        packets = 0;
        client.Writeln("after"); // outside SendStream nothing is counted
        QCOMPARE(packets, 0);
    }

    void sendToResetPeerEnds() {
        ScriptedMailServer server;
        TSockClient client;
        connectClient(client, server.port());
        QTRY_VERIFY(server.peer);
        server.abortPeer();
        QByteArray big(4 * 1024 * 1024, 'x');
        QBuffer stream(&big);
        stream.open(QIODevice::ReadOnly);
        const QString text = messageOf<ESockError>([&] { client.SendStream(stream); });
        QCOMPARE(text, QStringLiteral("Connection Closed"));
        QVERIFY(!client.Connected());
    }

    void readsLargeBurstLineByLine() {
        ScriptedMailServer server;
        for (int i = 0; i < 100000; ++i)
            server.greeting += QByteArray::number(i) + " abcdefghijklmnopqrstuvwxyz\r\n";
        TSockClient client;
        connectClient(client, server.port());
        for (int i = 0; i < 100000; ++i) {
            const QByteArray line = client.ReadLn();
            if (line != QByteArray::number(i) + " abcdefghijklmnopqrstuvwxyz\r\n")
                QFAIL(qPrintable(QStringLiteral("line %1: %2").arg(i).arg(QString::fromLatin1(line))));
        }
        QCOMPARE(client.IncomingSize(), qsizetype(0));
    }

    void readLnViewGivesTheSameLines_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("pieceSize"); // 0: sent in one write
        QByteArray shortLines, chunkEdges, mixed, large;
        for (int i = 0; i < 20000; ++i)
            shortLines += "+OK " + QByteArray::number(i) + " 4211\r\n";
        // Lines ending just before, on and after the 16383-byte receive chunks.
        for (int n : {16381, 16382, 16383, 16384, 1, 32766, 0, 5})
            chunkEdges += QByteArray(n, 'c') + "\r\n";
        mixed = "220 a\r\n\r\nLF only\n\n..dot\r\n.\r\nno CR at the end\n";
        const QByteArray line = QByteArray(1022, 'm') + "\r\n";
        large = line.repeated(20 * 1024); // 20 MiB: the consumed front is dropped on the way
        QTest::newRow("short lines in one burst") << shortLines << 0;
        QTest::newRow("lines across receive chunks") << chunkEdges << 0;
        QTest::newRow("odd lines in 3-byte pieces") << mixed << 3;
        QTest::newRow("20 MiB of 1 KiB lines") << large << 0;
    }

    void readLnViewGivesTheSameLines() {
        // The copying ReadLn and the view, taken in turns on one connection,
        // give exactly the lines of the payload, in order.
        QFETCH(QByteArray, payload);
        QFETCH(int, pieceSize);
        QList<QByteArray> expected;
        for (qsizetype at = 0; at < payload.size();) {
            const qsizetype lf = payload.indexOf('\n', at);
            expected << payload.mid(at, lf - at + 1);
            at = lf + 1;
        }
        ScriptedMailServer server;
        if (pieceSize == 0)
            server.greeting = payload;
        else
            for (qsizetype at = 0; at < payload.size(); at += pieceSize)
                server.greeting += (at ? "<pause 1>" : "") + payload.mid(at, pieceSize);
        TSockClient client;
        connectClient(client, server.port());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const QByteArray got = i % 3 == 0 ? client.ReadLn() : client.ReadLnView().toByteArray();
            if (got != expected[i])
                QFAIL(
                    qPrintable(QStringLiteral("line %1: %2").arg(i).arg(QString::fromLatin1(got.left(80)))));
        }
        QCOMPARE(client.IncomingSize(), qsizetype(0));
    }

    void cancelFromDataHandler() {
        // A data handler that cancels ends the owner's wait at once.
        ScriptedMailServer server;
        server.greeting = "<pause 30>partial line";
        TSockClient client;
        int hooks = 0;
        client.OnDataAvailable = [&](TSockClient* sender) { sender->Cancel(); };
        client.OnCanceledRead = [&](TSockClient*) { ++hooks; };
        connectClient(client, server.port());
        QCOMPARE(messageOf<EAbortError>([&] { client.ReadLn(); }), QStringLiteral("Socket readln aborted"));
        server.send("more\r\n");
        QTRY_COMPARE(hooks, 1);
    }

    void errorTexts_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("refused") << 10061 << QStringLiteral("10061:Connection refused");
        QTest::newRow("first") << 10004 << QStringLiteral("10004:Interrupted system call");
        QTest::newRow("host") << 11001 << QStringLiteral("11001:Host not found");
        QTest::newRow("last row") << 11004
                                  << QStringLiteral("11004:Valid name, no data record of requested type");
        QTest::newRow("unknown") << 12345 << QStringLiteral("Unknown Error No. 12345");
        QTest::newRow("gap") << 10001 << QStringLiteral("Unknown Error No. 10001");
    }
    void errorTexts() {
        QFETCH(int, number);
        QFETCH(QString, text);
        TSockClient client;
        QCOMPARE(client.SocketErrorMessage(number), text);
    }

    void instanceCountAndStartupFigures() {
        const int before = TSockClient::InstanceCount();
        {
            TSockClient a, b;
            QCOMPARE(TSockClient::InstanceCount(), before + 2);
            if (before == 0) {
                QCOMPARE(a.WinsockInfo().size(), 6);
                QCOMPARE(a.WinsockInfo().first(), QStringLiteral("Version= 1.1"));
                QVERIFY(a.WinsockInfo().at(4).startsWith(QStringLiteral("Max Sockets= ")));
                QVERIFY(b.WinsockInfo().isEmpty());
            }
        }
        QCOMPARE(TSockClient::InstanceCount(), before);
    }
};

QTEST_GUILESS_MAIN(TestSockClient)
#include "tst_sockclient.moc"
