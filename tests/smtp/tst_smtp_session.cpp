// SMTP command and reply sequence against a scripted loopback peer.
#include "ScriptedSmtpServer.h"
#include "mail/smtp/SmtpClient.h"

#include <QTest>
#include <QTimer>

class TstSmtpSession : public QObject {
    Q_OBJECT

private slots:
    void continuationReplies();
    void recipientsAndRefusals();
    void incompleteHeader();
    void reentrantAndTwoMessages();
    void quitReplies_data();
    void quitReplies();
    void refusedGreetingAndHelo();
    void refusedMessage();
    void refusalsStayInStep_data();
    void refusalsStayInStep();
    void pipelinedDataAfterARefusedSender();
    void longHeaderArrivesWhole();
    void lineBreaksNeverMakeCommands();
    void cancelWhileWaiting();
    void extendedGreeting_data();
    void extendedGreeting();
};

Q_DECLARE_METATYPE(TTransportSecurity)

static void Prepare(TSmtpClient& client, const ScriptedSmtpServer& server) {
    client.setHost("127.0.0.1");
    client.setPort(server.port());
    client.UserID = "me.example.test";
    client.PostMessage.FromAddress = "me@example.test";
    client.PostMessage.ToAddress = {"bob@example.test"};
    client.PostMessage.Subject = "Hi";
    client.PostMessage.Body = {"Hello"};
}

void TstSmtpSession::continuationReplies() {
    ScriptedSmtpServer server;
    server.greeting = "220-first\r\n220-second\r\n220 ready\r\n";
    server.replies["HELO"] = "250-fake\r\n250-SIZE 1000\r\n250 HELP\r\n";
    TSmtpClient client;
    Prepare(client, server);
    int connects = 0, successes = 0;
    client.OnConnect = [&](TSmtpClient*) { ++connects; };
    client.OnSuccess = [&](TSmtpClient*) { ++successes; };
    client.Connect();
    QCOMPARE(connects, 1);
    QVERIFY(!client.Sending());
    client.SendMail();
    QCOMPARE(successes, 1);
    // Every reply was matched with its command, so the last one is the answer to the dot.
    QCOMPARE(client.LastReply(), QByteArray("250 queued\r\n"));
    QCOMPARE(server.commands,
             (QList<QByteArray>{"EHLO me.example.test", "HELO me.example.test", "RSET",
                                "MAIL FROM:<me@example.test>", "RCPT TO:<bob@example.test>", "DATA", "."}));
    QCOMPARE(server.messages.size(), 1);
    QVERIFY(server.messages.first().startsWith("From: <me@example.test>\r\nTo: bob@example.test\r\n"));
    QVERIFY(server.messages.first().endsWith("\r\n\r\n\r\nHello\r\n"));
    client.Disconnect();
    QVERIFY(!client.Connected());
}

void TstSmtpSession::recipientsAndRefusals() {
    ScriptedSmtpServer server;
    server.refused = {"no@example.test"};
    TSmtpClient client;
    Prepare(client, server);
    client.PostMessage.ToAddress = {"Bob <bob@example.test>", "SMTP:c@example.test", "Nobody <>"};
    client.PostMessage.ToCarbonCopy = {"Refused <no@example.test>", "d@example.test"};
    client.PostMessage.ToBlindCarbonCopy = {"e@example.test"};
    QStringList notFound;
    client.OnRecipientNotFound = [&](TSmtpClient*, const QString& entry) { notFound << entry; };
    client.Connect();
    client.SendMail();
    QCOMPARE(notFound, QStringList{"Refused <no@example.test>"});
    const QList<QByteArray> expected{"RCPT TO:<bob@example.test>",
                                     "RCPT TO:<c@example.test>",
                                     "RCPT TO:<no@example.test>",
                                     "RCPT TO:<d@example.test>",
                                     "RCPT TO:<e@example.test>",
                                     "DATA",
                                     "."};
    QCOMPARE(server.commands.mid(4), expected);
    // Blind copies never appear in the header.
    QVERIFY(server.messages.first().contains(
        "\r\nTo: Bob <bob@example.test>,SMTP:c@example.test,Nobody <>\r\nCC: "));
    QVERIFY(!server.messages.first().contains("<e@example.test") && !server.messages.first().contains(",e@"));
    QVERIFY(server.messages.first().contains("\r\nCC: Refused <no@example.test>,d@example.test\r\n"));
    // A successful message clears the recipients and attachments, not the text.
    QVERIFY(client.PostMessage.ToAddress.isEmpty());
    QVERIFY(client.PostMessage.ToBlindCarbonCopy.isEmpty());
    QCOMPARE(client.PostMessage.Body, QStringList{"Hello"});
    client.Disconnect();
}

void TstSmtpSession::incompleteHeader() {
    ScriptedSmtpServer server;
    TSmtpClient client;
    Prepare(client, server);
    client.PostMessage.FromAddress.clear();
    client.Connect();
    try {
        client.SendMail();
        QFAIL("sent without a sender");
    } catch (const std::runtime_error& error) {
        QCOMPARE(QString(error.what()), QString("Incomplete Header"));
    }
    QVERIFY(!client.Sending());
    QCOMPARE(server.commands.size(), 2); // EHLO refused, HELO
    QCOMPARE(client.PostMessage.ToAddress, QStringList{"bob@example.test"});

    QList<int> types;
    client.OnHeaderIncomplete = [&](TSmtpClient* sender, bool& handled, int type) {
        types << type;
        sender->PostMessage.FromAddress = "fixed@example.test";
        handled = true;
    };
    client.SendMail();
    QCOMPARE(types, QList<int>{1});
    QVERIFY(server.commands.contains("MAIL FROM:<fixed@example.test>"));

    // No recipient, and a handler that cannot help: type 2, then the error.
    client.OnHeaderIncomplete = [&](TSmtpClient*, bool&, int type) { types << type; };
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, client.SendMail());
    QCOMPARE(types, (QList<int>{1, 2}));
    client.Disconnect();
}

void TstSmtpSession::reentrantAndTwoMessages() {
    ScriptedSmtpServer server;
    TSmtpClient client;
    Prepare(client, server);
    client.ClearParams = false;
    int starts = 0;
    client.OnSendStart = [&](TSmtpClient* sender) {
        ++starts;
        sender->SendMail(); // busy: returns at once
    };
    client.Connect();
    client.SendMail();
    client.SendMail();
    QCOMPARE(starts, 2);
    QCOMPARE(server.messages.size(), 2);
    QCOMPARE(server.commands.count("RSET"), 2);
    QCOMPARE(server.commands.at(2), QByteArray("RSET"));
    QCOMPARE(server.commands.at(7), QByteArray("RSET"));
    client.Disconnect();
}

void TstSmtpSession::quitReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("throws");
    QTest::newRow("221") << QByteArray("221 bye\r\n") << false;
    QTest::newRow("500") << QByteArray("500 what\r\n") << true;
}

void TstSmtpSession::quitReplies() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, throws);
    ScriptedSmtpServer server;
    server.replies["QUIT"] = reply;
    TSmtpClient client;
    Prepare(client, server);
    client.Connect();
    QString error;
    try {
        client.Disconnect();
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    QCOMPARE(error, throws ? QString(reply) : QString());
    QVERIFY(!client.Connected());
    QCOMPARE(server.commands.last(), QByteArray("QUIT"));
    // A second Disconnect has no peer to ask and only closes.
    client.Disconnect();
}

void TstSmtpSession::refusedGreetingAndHelo() {
    {
        ScriptedSmtpServer server;
        server.greeting = "554 go away\r\n";
        TSmtpClient client;
        Prepare(client, server);
        int connects = 0;
        client.OnConnect = [&](TSmtpClient*) { ++connects; };
        try {
            client.Connect();
            QFAIL("a refused greeting connected");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString(e.what()), QString("554 go away\r\n"));
        }
        QVERIFY(!client.Connected());
        QVERIFY(!client.Sending());
        QCOMPARE(connects, 0);
        QCOMPARE(server.commands, QList<QByteArray>{"QUIT"});
    }
    ScriptedSmtpServer server;
    server.replies["HELO"] = "501 bad name\r\n";
    TSmtpClient client;
    Prepare(client, server);
    int asked = 0;
    client.OnAuthenticationFailed = [&](TSmtpClient* sender, bool& handled) {
        ++asked;
        sender->UserID = "second.try";
        handled = true;
    };
    try {
        client.Connect();
        QFAIL("a refused HELO connected");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString(e.what()), QString("Authentication failed"));
    }
    QCOMPARE(asked, 1);
    QCOMPARE(server.commands,
             (QList<QByteArray>{"EHLO me.example.test", "HELO me.example.test", "HELO second.try", "QUIT"}));
    QVERIFY(!client.Connected());
}

void TstSmtpSession::refusedMessage() {
    ScriptedSmtpServer server;
    server.replies["."] = "552 too big\r\n";
    TSmtpClient client;
    Prepare(client, server);
    int failures = 0, successes = 0;
    client.OnFailure = [&](TSmtpClient*) { ++failures; };
    client.OnSuccess = [&](TSmtpClient*) { ++successes; };
    client.Connect();
    try {
        client.SendMail();
        QFAIL("a refused message succeeded");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString(e.what()), QString("552 too big\r\n"));
    }
    QCOMPARE(failures, 1);
    QCOMPARE(successes, 0);
    QVERIFY(!client.Sending());
    QVERIFY(client.Connected());
    QCOMPARE(client.PostMessage.ToAddress, QStringList{"bob@example.test"});

    server.replies["MAIL"] = "451 later\r\n";
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, client.SendMail());
    QCOMPARE(server.commands.last(), QByteArray("MAIL FROM:<me@example.test>"));
    client.Disconnect();
}

void TstSmtpSession::refusalsStayInStep_data() {
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("sent");
    const QByteArray multi554 = "554-5.7.1 first line\r\n554-second line\r\n554 5.7.1 refused\r\n";
    QTest::newRow("multi-line 554 to MAIL") << QByteArray("MAIL") << multi554 << false;
    QTest::newRow("multi-line 421 to RSET")
        << QByteArray("RSET") << QByteArray("421-busy\r\n421 later\r\n") << false;
    QTest::newRow("multi-line 550 to RCPT")
        << QByteArray("RCPT") << QByteArray("550-no\r\n550-such\r\n550 user\r\n") << true;
    QTest::newRow("multi-line 554 to DATA") << QByteArray("DATA") << multi554 << false;
    QTest::newRow("250 to DATA opens nothing") << QByteArray("DATA") << QByteArray("250 ok?\r\n") << false;
    QTest::newRow("multi-line 554 to the dot") << QByteArray(".") << multi554 << false;
    QTest::newRow("354 to the dot is no success") << QByteArray(".") << QByteArray("354 again\r\n") << false;
    QTest::newRow("multi-line 250 to the dot")
        << QByteArray(".") << QByteArray("250-ok\r\n250 queued\r\n") << true;
}

// Whatever a reply looks like, it is read to its last line: a refusal never
// reads as success, and the next message meets its own replies.
void TstSmtpSession::refusalsStayInStep() {
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, reply);
    QFETCH(bool, sent);
    ScriptedSmtpServer server;
    const QByteArray normal = server.replies.value(verb);
    server.replies[verb] = reply;
    TSmtpClient client;
    Prepare(client, server);
    client.ClearParams = false;
    int successes = 0;
    client.OnSuccess = [&](TSmtpClient*) { ++successes; };
    client.Connect();
    QString error;
    try {
        client.SendMail();
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    QCOMPARE(successes, sent ? 1 : 0);
    if (!sent) QCOMPARE(error, QString(reply)); // the server's words, every line of them
    server.replies[verb] = normal;
    client.SendMail();
    QCOMPARE(successes, sent ? 2 : 1);
    QCOMPARE(client.LastReply(), QByteArray("250 queued\r\n"));
    QCOMPARE(server.commands.count("RSET"), 2);
    client.Disconnect();
    QCOMPARE(server.commands.last(), QByteArray("QUIT"));
}

// A server that refuses the sender but still answers the pipelined DATA with
// 354 is waiting for a message nobody meant to send: the connection is closed
// before anything else goes, so it can deliver nothing (not even an empty one).
void TstSmtpSession::pipelinedDataAfterARefusedSender() {
    ScriptedSmtpServer server;
    server.replies["EHLO"] = "250-fake\r\n250 PIPELINING\r\n";
    server.replies["MAIL"] = "550 5.7.1 not you\r\n";
    TSmtpClient client;
    Prepare(client, server);
    client.Pipelining = true;
    client.Connect();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, client.SendMail());
    QCOMPARE(client.ReplyNumber(), 550);
    QVERIFY_THROWS_EXCEPTION(ESockError, client.SendMail());
    QVERIFY(!client.Connected());
    QTRY_VERIFY(server.commands.count() >= 5);
    QCOMPARE(server.commands.mid(1), (QList<QByteArray>{"RSET", "MAIL FROM:<me@example.test>",
                                                        "RCPT TO:<bob@example.test>", "DATA"}));
    QVERIFY(server.messages.isEmpty());
}

void TstSmtpSession::longHeaderArrivesWhole() {
    ScriptedSmtpServer server;
    TSmtpClient client;
    Prepare(client, server);
    for (int i = 0; i < 1000; ++i)
        client.PostMessage.ToAddress << QString("recipient%1@example.test").arg(i);
    client.Connect();
    client.SendMail();
    const QByteArray& data = server.messages.first();
    QVERIFY(data.size() > 16384);
    QVERIFY(data.contains("recipient999@example.test\r\nSubject: Hi\r\n"));
    QVERIFY(data.endsWith("\r\n\r\n\r\nHello\r\n"));
    client.Disconnect();
}

void TstSmtpSession::lineBreaksNeverMakeCommands() {
    ScriptedSmtpServer server;
    TSmtpClient client;
    Prepare(client, server);
    client.UserID = "me\r\nRCPT TO:<x@example.test>";
    client.PostMessage.ToAddress = {"Bob <bob@example.test>\r\nRCPT TO:<evil@example.test>",
                                    "bob@example.test\r\nDATA", "fine@example.test", "a@b> NOTIFY=SUCCESS",
                                    QString(300, 'x') + "@example.test"};
    QStringList notFound;
    client.OnRecipientNotFound = [&](TSmtpClient*, const QString& entry) { notFound << entry; };
    client.Connect();
    client.SendMail();
    QCOMPARE(server.commands.first(), QByteArray("EHLO me  RCPT TO:<x@example.test>"));
    QCOMPARE(server.commands.at(1), QByteArray("HELO me  RCPT TO:<x@example.test>"));
    QCOMPARE(server.commands.count("DATA"), 1);
    QVERIFY(!server.commands.contains("RCPT TO:<evil@example.test>"));
    QVERIFY(server.commands.contains("RCPT TO:<bob@example.test>"));
    QVERIFY(server.commands.contains("RCPT TO:<fine@example.test>"));
    QCOMPARE(notFound, (QStringList{"bob@example.test\r\nDATA", "a@b> NOTIFY=SUCCESS",
                                    QString(300, 'x') + "@example.test"}));
    QVERIFY(!server.commands.contains("RCPT TO:<a@b> NOTIFY=SUCCESS>"));

    client.PostMessage.FromAddress = "me@example.test>\r\nRSET";
    client.PostMessage.ToAddress = {"bob@example.test"};
    const qsizetype before = server.commands.size();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, client.SendMail());
    QCOMPARE(server.commands.size(), before);
    client.Disconnect();
}

void TstSmtpSession::cancelWhileWaiting() {
    ScriptedSmtpServer server;
    server.replies["DATA"] = ""; // the peer never answers
    TSmtpClient client;
    Prepare(client, server);
    client.Connect();
    QTimer::singleShot(100, &client, [&client] { client.Cancel(); });
    QVERIFY_THROWS_EXCEPTION(EAbortError, client.SendMail());
    QVERIFY(!client.Sending());
    QCOMPARE(client.PostMessage.ToAddress, QStringList{"bob@example.test"});
    QCOMPARE(server.commands.last(), QByteArray("DATA"));
}

void TstSmtpSession::extendedGreeting_data() {
    QTest::addColumn<TTransportSecurity>("security");
    QTest::addColumn<bool>("allowPlain");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<QByteArray>("starttls"); // the reply to STARTTLS, offered when not empty
    const QByteArray auth = "AUTH PLAIN " + QByteArray("\0me\0secret", 10).toBase64();
    QTest::newRow("AUTH PLAIN where plain text is allowed")
        << TTransportSecurity::None << true << QString()
        << QList<QByteArray>{"EHLO me.example.test", auth, "QUIT"} << QByteArray();
    QTest::newRow("no password over an open wire")
        << TTransportSecurity::None << false << "login refused on an unencrypted connection"
        << QList<QByteArray>{"EHLO me.example.test", "QUIT"} << QByteArray();
    QTest::newRow("STARTTLS asked for, not offered")
        << TTransportSecurity::StartTls << true << "the server does not offer STARTTLS"
        << QList<QByteArray>{"EHLO me.example.test", "QUIT"} << QByteArray();
    QTest::newRow("STARTTLS refused: the server's reason")
        << TTransportSecurity::StartTls << true
        << "STARTTLS refused: 454 TLS not available due to local problem"
        << QList<QByteArray>{"EHLO me.example.test", "STARTTLS", "QUIT"}
        << QByteArray("454 4.7.0 TLS not available due to local problem\r\n");
}

// EHLO keeps the server's keywords; a password goes only where the settings
// allow; encryption asked for and not offered stops before anything else is sent.
void TstSmtpSession::extendedGreeting() {
    QFETCH(TTransportSecurity, security);
    QFETCH(bool, allowPlain);
    QFETCH(QString, error);
    QFETCH(QList<QByteArray>, commands);
    QFETCH(QByteArray, starttls);
    ScriptedSmtpServer server;
    server.replies["EHLO"] = "250-fake greets you\r\n250-8BITMIME\r\n250-AUTH PLAIN LOGIN\r\n" +
                             QByteArray(starttls.isEmpty() ? "" : "250-STARTTLS\r\n") + "250 PIPELINING\r\n";
    if (!starttls.isEmpty()) server.replies["STARTTLS"] = starttls;
    server.replies["AUTH"] = "235 2.7.0 accepted\r\n";
    TSmtpClient client;
    Prepare(client, server);
    client.Security = security;
    client.Login = "me";
    client.Password = "secret";
    client.AllowPlainLogin = allowPlain;
    QString what;
    try {
        client.Connect();
        QVERIFY(client.Offers("8BITMIME") && client.Offers("PIPELINING") && !client.Offers("STARTTLS"));
        client.Disconnect();
    } catch (const ESecurityError& e) {
        what = e.what();
    }
    QCOMPARE(what, error);
    QCOMPARE(server.commands, commands);
    QVERIFY(!client.Connected());
}

QTEST_GUILESS_MAIN(TstSmtpSession)
#include "tst_smtp_session.moc"
