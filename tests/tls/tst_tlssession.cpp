// The TLS client engine against a real TLS server (openssl s_server) on
// loopback, with an authority and server certificates made here.
#include "platform/socket/TlsSession.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <future>
#include <memory>
#include <thread>

Q_DECLARE_METATYPE(TlsSession::Failure)

namespace {

struct Outcome {
    TlsSession::State state = TlsSession::Idle;
    TlsSession::Failure failure = TlsSession::Failure::None;
    QString failureText;
    QByteArray reply;
};

// Connects to 127.0.0.1:port, verifies the server as `host`, and when the
// handshake succeeds sends one line and reads the server's answer.
Outcome talk(quint16 port, const QString& host, const TlsSession::Options& options, const QByteArray& line) {
    Outcome outcome;
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000)) return outcome;
    TlsSession tls;
    tls.start(host, options);
    socket.write(tls.takeOutgoing());
    QElapsedTimer clock;
    clock.start();
    while (tls.state() == TlsSession::Handshaking && clock.elapsed() < 15000) {
        if (!socket.waitForReadyRead(5000)) {
            if (socket.state() != QAbstractSocket::ConnectedState) tls.endOfInput();
            continue;
        }
        tls.feed(socket.readAll());
        socket.write(tls.takeOutgoing());
        socket.flush();
    }
    if (tls.state() == TlsSession::Established) {
        tls.writePlain(line);
        socket.write(tls.takeOutgoing());
        while (!outcome.reply.contains('\n') && clock.elapsed() < 15000 && socket.waitForReadyRead(5000)) {
            tls.feed(socket.readAll());
            outcome.reply += tls.readPlain();
        }
        tls.close();
        socket.write(tls.takeOutgoing());
        socket.flush();
    }
    outcome.state = tls.state();
    outcome.failure = tls.failure();
    outcome.failureText = tls.failureText();
    return outcome;
}

} // namespace

class TestTlsSession : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void openssl(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral("openssl"), arguments);
        QVERIFY2(process.waitForFinished(30000), "openssl did not finish");
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    }

    // A key and a certificate for `subjectAltName`, signed by the test authority
    // (days -1 makes one that has already expired), or self-signed.
    void makeServerCertificate(const QString& name, const QString& altNames, const QString& days,
                               bool selfSigned) {
        const QString key = name + QStringLiteral(".key"), pem = name + QStringLiteral(".pem");
        if (selfSigned) {
            openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", pem, "-days",
                     days, "-subj", "/CN=" + name, "-addext", "subjectAltName=" + altNames});
            return;
        }
        openssl({"req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", name + ".csr",
                 "-subj", "/CN=" + name, "-addext", "subjectAltName=" + altNames});
        openssl({"x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                 "-copy_extensions", "copy", "-days", days, "-out", pem});
    }

    // Starts `openssl s_server` for one connection with the named certificate;
    // it answers every line with the line reversed. Returns its port.
    quint16 startServer(QProcess& server, const QString& name) {
        server.setWorkingDirectory(m_dir.path());
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(QStringLiteral("openssl"), {"s_server", "-accept", "127.0.0.1:0", "-naccept", "1",
                                                 "-rev", "-cert", name + ".pem", "-key", name + ".key"});
        if (!server.waitForStarted(5000)) return 0;
        QByteArray output;
        const QRegularExpression accept(QStringLiteral("ACCEPT 127\\.0\\.0\\.1:(\\d+)"));
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000) {
            server.waitForReadyRead(500);
            output += server.readAll();
            const auto match = accept.match(QString::fromLatin1(output));
            if (match.hasMatch()) return quint16(match.captured(1).toUInt());
        }
        return 0;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
                 "-days", "30", "-subj", "/CN=Orbalinder test authority", "-addext",
                 "basicConstraints=critical,CA:TRUE"});
        makeServerCertificate("good", "DNS:localhost,DNS:mail.example.test,IP:127.0.0.1", "30", false);
        makeServerCertificate("other", "DNS:other.example.test", "30", false);
        makeServerCertificate("expired", "DNS:localhost", "-1", false);
        makeServerCertificate("own", "DNS:own.example.test", "30", true);
    }

    void handshakeAndVerification_data() {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("trustFile");
        QTest::addColumn<TlsSession::Failure>("failure");
        QTest::addColumn<QString>("reasonContains");

        using F = TlsSession::Failure;
        QTest::newRow("host name, authority trusted") << "good"
                                                      << "localhost"
                                                      << "ca.pem" << F::None << "";
        QTest::newRow("other name of the same certificate") << "good"
                                                            << "mail.example.test"
                                                            << "ca.pem" << F::None << "";
        QTest::newRow("name in capitals with a final dot") << "good"
                                                           << "LOCALHOST."
                                                           << "ca.pem" << F::None << "";
        QTest::newRow("IP literal named by the certificate") << "good"
                                                             << "127.0.0.1"
                                                             << "ca.pem" << F::None << "";
        QTest::newRow("authority not trusted") << "good"
                                               << "localhost"
                                               << "" << F::UnknownAuthority << "unknown authority";
        QTest::newRow("certificate for another host")
            << "other"
            << "localhost"
            << "ca.pem" << F::HostMismatch << "other.example.test, not for localhost";
        QTest::newRow("IP literal not in the certificate")
            << "other"
            << "127.0.0.1"
            << "ca.pem" << F::HostMismatch << "not for 127.0.0.1";
        QTest::newRow("partial name is no match") << "good"
                                                  << "host.localhost"
                                                  << "ca.pem" << F::HostMismatch << "";
        QTest::newRow("expired certificate") << "expired"
                                             << "localhost"
                                             << "ca.pem" << F::Expired << "expired";
        QTest::newRow("self-signed, not trusted") << "own"
                                                  << "own.example.test"
                                                  << "" << F::SelfSigned << "self-signed";
        QTest::newRow("self-signed server trusted by its own certificate, any name")
            << "own"
            << "localhost"
            << "own.pem" << F::None << "";
        QTest::newRow("server's own certificate trusted without its authority")
            << "other"
            << "localhost"
            << "other.pem" << F::None << "";
    }

    void handshakeAndVerification() {
        QFETCH(QString, certificate);
        QFETCH(QString, host);
        QFETCH(QString, trustFile);
        QFETCH(TlsSession::Failure, failure);
        QFETCH(QString, reasonContains);

        QProcess server;
        const quint16 port = startServer(server, certificate);
        QVERIFY(port != 0);
        TlsSession::Options options;
        if (!trustFile.isEmpty()) options.extraTrustFile = path(trustFile);
        const Outcome outcome = talk(port, host, options, "hello over tls\n");
        server.kill();
        server.waitForFinished(3000);

        QCOMPARE(outcome.failure, failure);
        if (failure == TlsSession::Failure::None) {
            QCOMPARE(outcome.state, TlsSession::Closed);
            QCOMPARE(outcome.reply, QByteArray("slt revo olleh\n"));
            QVERIFY(outcome.failureText.isEmpty());
        } else {
            QCOMPARE(outcome.state, TlsSession::Failed);
            QVERIFY(outcome.reply.isEmpty());
            QVERIFY2(outcome.failureText.startsWith("certificate verification failed for " +
                                                    host.toLower().chopped(host.endsWith('.') ? 1 : 0)),
                     qPrintable(outcome.failureText));
            QVERIFY2(outcome.failureText.contains(reasonContains), qPrintable(outcome.failureText));
        }
    }

    // Failures that are not about the certificate: each stops with a reason,
    // and no text can be sent.
    void otherFailures_data() {
        QTest::addColumn<QString>("trustFile");
        QTest::addColumn<QByteArray>("serverSays");
        QTest::addColumn<TlsSession::Failure>("failure");
        QTest::addColumn<QString>("reasonContains");

        using F = TlsSession::Failure;
        QTest::newRow("trusted-certificates file missing")
            << "missing.pem" << QByteArray() << F::TrustFile << "cannot be read";
        QTest::newRow("trusted-certificates file without certificates")
            << "good.key" << QByteArray() << F::TrustFile << "holds no certificate";
        QTest::newRow("server answers in clear text") << "" << QByteArray("220 mail.example.test ESMTP\r\n")
                                                      << F::Protocol << "TLS handshake with localhost failed";
        QTest::newRow("server closes at once")
            << "" << QByteArray("") << F::Protocol << "closed the connection";
    }

    void otherFailures() {
        QFETCH(QString, trustFile);
        QFETCH(QByteArray, serverSays);
        QFETCH(TlsSession::Failure, failure);
        QFETCH(QString, reasonContains);

        TlsSession::Options options;
        if (!trustFile.isEmpty()) options.extraTrustFile = path(trustFile);
        if (failure == TlsSession::Failure::TrustFile) {
            TlsSession tls;
            QVERIFY(!tls.start(QStringLiteral("localhost"), options));
            QCOMPARE(tls.state(), TlsSession::Failed);
            QCOMPARE(tls.failure(), failure);
            QVERIFY2(tls.failureText().contains(reasonContains), qPrintable(tls.failureText()));
            QVERIFY(!tls.writePlain("secret"));
            QVERIFY(!tls.hasOutgoing());
            return;
        }
        // A server in a thread of its own: the client below waits without an event loop.
        std::promise<quint16> listening;
        std::thread serverThread([&] {
            QTcpServer listener;
            listening.set_value(listener.listen(QHostAddress::LocalHost) ? listener.serverPort() : 0);
            if (!listener.waitForNewConnection(10000)) return;
            std::unique_ptr<QTcpSocket> peer(listener.nextPendingConnection());
            peer->write(serverSays);
            peer->waitForBytesWritten(3000);
            peer->disconnectFromHost();
            if (peer->state() != QAbstractSocket::UnconnectedState) peer->waitForDisconnected(3000);
        });
        const quint16 port = listening.get_future().get();
        const Outcome outcome =
            port ? talk(port, QStringLiteral("localhost"), options, "secret\n") : Outcome();
        serverThread.join();
        QCOMPARE(outcome.state, TlsSession::Failed);
        QCOMPARE(outcome.failure, failure);
        QVERIFY2(outcome.failureText.contains(reasonContains), qPrintable(outcome.failureText));
    }

    void nothingIsSentBeforeTheHandshake() {
        TlsSession tls;
        QVERIFY(!tls.writePlain("secret")); // not started
        QVERIFY(tls.start(QStringLiteral("localhost")));
        QCOMPARE(tls.state(), TlsSession::Handshaking);
        QVERIFY(tls.wantsRead());
        const QByteArray hello = tls.takeOutgoing();
        QVERIFY(hello.size() > 40);
        QCOMPARE(hello.at(0), char(0x16));    // a handshake record
        QVERIFY(hello.contains("localhost")); // the server name is sent
        QVERIFY(!tls.writePlain("secret"));
        QVERIFY(!tls.takeOutgoing().contains("secret"));

        TlsSession literal;
        QVERIFY(literal.start(QStringLiteral("127.0.0.1")));
        QVERIFY(!literal.takeOutgoing().contains("127.0.0.1")); // never as a server name
    }
};

QTEST_GUILESS_MAIN(TestTlsSession)
#include "tst_tlssession.moc"
