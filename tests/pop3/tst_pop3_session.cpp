// POP3 session against a scripted loopback peer: login, STAT, LIST, TOP, DELE, busy flag.
#include "ScriptedPop3Server.h"
#include "mail/pop3/Pop3Client.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

class TestPop3Session : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPop3Server> server;
    std::unique_ptr<TPop3Client> client;

    void Connect() {
        client->Connect();
        QVERIFY(client->Connected());
    }

private slots:
    void init() {
        server = std::make_unique<ScriptedPop3Server>();
        client = std::make_unique<TPop3Client>();
        client->setHost(QStringLiteral("127.0.0.1"));
        client->setPort(server->port());
        client->setTimeOut(5000);
        client->UserID = QStringLiteral("alice");
        client->Password = QStringLiteral("secret");
    }
    void cleanup() {
        client.reset();
        server.reset();
    }

    void statCount_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("count");
        QTest::newRow("three") << QByteArray("+OK 3 1200\r\n") << 3;
        QTest::newRow("no count") << QByteArray("+OK\r\n") << 0;
        QTest::newRow("not a number") << QByteArray("+OK many\r\n") << 0;
    }
    void statCount() {
        QFETCH(QByteArray, reply);
        QFETCH(int, count);
        server->replies["STAT"] = reply;
        int connects = 0;
        client->OnConnect = [&](TPop3Client*) { ++connects; };
        Connect();
        QCOMPARE(client->MailCount(), count);
        QCOMPARE(connects, 1);
        QCOMPARE(server->commands, (QList<QByteArray>{"USER alice", "PASS secret", "STAT"}));
        client->Disconnect();
        QVERIFY(!client->Connected());
    }

    void failuresCloseTheSession_data() {
        QTest::addColumn<QByteArray>("greeting");
        QTest::addColumn<QByteArray>("stat");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("connects");
        QTest::addColumn<QByteArray>("stls"); // the reply to STLS, asked for when not empty
        QTest::newRow("greeting") << QByteArray("-ERR go away\r\n") << QByteArray("+OK 1 1\r\n")
                                  << QStringLiteral("-ERR go away\r\n") << 0 << QByteArray();
        QTest::newRow("stat") << QByteArray("+OK hi\r\n") << QByteArray("-ERR locked\r\n")
                              << QStringLiteral("-ERR locked\r\n") << 1 << QByteArray();
        QTest::newRow("STLS refused: the server's reason")
            << QByteArray("+OK hi\r\n") << QByteArray("+OK 1 1\r\n")
            << QStringLiteral("STLS refused: TLS not available now") << 0
            << QByteArray("-ERR TLS not available now\r\n");
    }
    void failuresCloseTheSession() {
        QFETCH(QByteArray, greeting);
        QFETCH(QByteArray, stat);
        QFETCH(QString, error);
        QFETCH(int, connects);
        QFETCH(QByteArray, stls);
        server->greeting = greeting;
        if (!stls.isEmpty()) {
            client->Security = TTransportSecurity::StartTls;
            server->replies["CAPA"] = "+OK\r\nSTLS\r\nUSER\r\n.\r\n";
            server->replies["STLS"] = stls;
        }
        server->replies["STAT"] = stat;
        int connected = 0;
        client->OnConnect = [&](TPop3Client*) { ++connected; };
        try {
            client->Connect();
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromLatin1(e.what()), error);
        }
        QVERIFY(!client->Connected());
        QVERIFY(!client->Sending());
        QCOMPARE(connected, connects);
        QTRY_COMPARE(server->commands.value(server->commands.size() - 1), QByteArray("QUIT"));
    }

    void credentials() {
        // an empty password with a handler that leaves it empty: PASS goes out empty
        client->Password.clear();
        int asked = 0;
        client->OnAuthenticationNeeded = [&](TSockClient*, bool& handled) {
            ++asked;
            handled = true;
        };
        Connect();
        QCOMPARE(asked, 1);
        QCOMPARE(server->commands.value(1), QByteArray("PASS "));
        client->Disconnect();

        TPop3Client noHandler;
        noHandler.UserID = QStringLiteral("alice");
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, noHandler.Connect());
    }

    void authenticationRetriedOnce() {
        server->replies["PASS secret"] = "-ERR [AUTH] Authentication failed.\r\n";
        server->replies["PASS right"] = "+OK\r\n";
        int failed = 0;
        client->OnAuthenticationFailed = [&](TSockClient*, bool& handled) {
            ++failed;
            client->Password = QStringLiteral("right");
            handled = true;
        };
        Connect();
        QCOMPARE(failed, 1);
        client->Disconnect();

        // a second refusal ends the connect
        server->replies["PASS right"] = "-ERR no\r\n";
        failed = 0;
        client->Password = QStringLiteral("secret");
        try {
            client->Connect();
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QByteArray(e.what()), QByteArray("Authentication failed"));
        }
        QCOMPARE(failed, 1);
        QVERIFY(!client->Connected());
    }

    void listLines() {
        server->replies["LIST"] = "+OK 2 messages\r\n1 120\r\n2 4500\r\n.\r\n";
        Connect();
        QList<QPair<int, int>> seen;
        client->OnList = [&](TPop3Client* c, int msg, int size) {
            seen.append({msg, size});
            c->GetSummary(msg); // busy: returns at once
        };
        client->List();
        QCOMPARE(seen, (QList<QPair<int, int>>{{1, 120}, {2, 4500}}));
        QVERIFY(!server->commands.contains("TOP 1 0"));

        // unassigned: the answer is still read to its end, the next command works
        client->OnList = nullptr;
        client->List();
        server->replies["NOOP"] = "+OK\r\n";
        QCOMPARE(client->Transaction("NOOP"), QByteArray("+OK\r\n"));
        QVERIFY(!client->Sending());

        // a line that does not convert: the answer is read to its end first
        server->replies["LIST"] = "+OK\r\n1 120\r\nbogus line\r\n3 9\r\n.\r\n";
        client->OnList = [&](TPop3Client*, int, int) {};
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, client->List());
        QCOMPARE(client->Transaction("NOOP"), QByteArray("+OK\r\n"));

        // a refusal has no lines to wait for
        server->replies["LIST"] = "-ERR not now\r\n";
        QElapsedTimer clock;
        clock.start();
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, client->List());
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(client->Transaction("NOOP"), QByteArray("+OK\r\n"));
    }

    void summary() {
        server->replies["TOP 1 0"] = ScriptedPop3Server::MultiLine(
            "From: Bob <bob@example.test>\r\nsubject: ignored\r\nSubject: Hello\r\nMessage-ID: <1@x>\r\n"
            ".dotted: header\r\n\r\n");
        server->replies["LIST 1"] = "+OK 1 2345\r\n";
        Connect();
        int ends = 0;
        client->OnRetrieveEnd = [&](TPop3Client*) { ++ends; };
        client->GetSummary(1);
        QCOMPARE(client->Summary.Subject, QStringLiteral(" Hello"));
        QCOMPARE(client->Summary.From, QStringLiteral(" Bob <bob@example.test>"));
        QCOMPARE(client->Summary.MessageId, QStringLiteral("<1@x>"));
        QCOMPARE(client->Summary.Bytes, 2345);
        QCOMPARE(client->Summary.Header.value(4), QStringLiteral(".dotted: header"));
        QCOMPARE(client->Summary.Header.last(), QStringLiteral("."));
        QCOMPARE(ends, 1);

        server->replies["TOP 2 0"] = "-ERR no such message\r\n";
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, client->GetSummary(2));
        QCOMPARE(ends, 1);
        QVERIFY(!client->Sending());
    }

    void deletion_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ok");
        QTest::newRow("ok with text") << QByteArray("+OK marked\r\n") << true;
        QTest::newRow("bare ok") << QByteArray("+OK\r\n") << true;
        QTest::newRow("error") << QByteArray("-ERR no\r\n") << false;
    }
    void deletion() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ok);
        server->replies["DELE"] = reply;
        Connect();
        int successes = 0, failures = 0;
        client->OnSuccess = [&](TPop3Client*) { ++successes; };
        client->OnFailure = [&](TPop3Client*) { ++failures; };
        bool threw = false;
        try {
            client->DeleteMailMessage(7);
        } catch (const std::runtime_error&) {
            threw = true;
        }
        QCOMPARE(threw, !ok);
        QCOMPARE(successes, ok ? 1 : 0);
        QCOMPARE(failures, ok ? 0 : 1);
        QVERIFY(server->commands.contains("DELE 7"));
        QVERIFY(!client->Sending());
    }

    void deleteOnRead() {
        server->replies["RETR 2"] = ScriptedPop3Server::MultiLine("Subject: x\r\n\r\nbody\r\n");
        Connect();
        client->DeleteOnRead = true;
        client->GetMailMessage(2);
        QCOMPARE(server->commands.mid(3), (QList<QByteArray>{"RETR 2", "DELE 2"}));
    }

    void notConnected() {
        int asked = 0;
        client->OnConnectionRequired = [&](TSockClient*, bool&) { ++asked; };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, client->List());
        QCOMPARE(asked, 1);
        QVERIFY(!client->Sending());
    }
};

QTEST_GUILESS_MAIN(TestPop3Session)
#include "tst_pop3_session.moc"
