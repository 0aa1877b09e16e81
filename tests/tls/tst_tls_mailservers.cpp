// The TLS engine against the real mail servers of the tests (Postfix and
// Dovecot on loopback, certificates made by scripts/mailserver.sh): implicit
// TLS and the STARTTLS / STLS upgrade, verification by the test authority,
// and a server certificate made for another host name.
#include "platform/socket/TlsSession.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(TlsSession::Failure)

namespace {

// Ports of this test's two server sets (the second one's certificate names another host).
struct Ports {
    int smtp, submission, smtps, pop3, pop3s;
};
const Ports kGood{21025, 21587, 21465, 21110, 21995};
const Ports kOther{21026, 21588, 21466, 21111, 21996};

// A clear-text or TLS conversation over one socket, driven as the transport does.
class Conversation {
public:
    explicit Conversation(int port) { m_socket.connectToHost(QHostAddress::LocalHost, quint16(port)); }
    bool connected() { return m_socket.waitForConnected(5000); }

    // Reads until `done` holds for what was received, in clear or through TLS.
    QByteArray readUntil(const std::function<bool(const QByteArray&)>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done(m_received) && clock.elapsed() < 10000 && m_socket.waitForReadyRead(5000)) {
            if (m_tls) {
                m_tls->feed(m_socket.readAll());
                m_received += m_tls->readPlain();
            } else {
                m_received += m_socket.readAll();
            }
        }
        QByteArray text;
        text.swap(m_received);
        return text;
    }
    QByteArray readLine(const char* lastLineStart) {
        return readUntil([lastLineStart](const QByteArray& r) {
            return r.endsWith("\r\n") &&
                   (r.startsWith(lastLineStart) || r.contains("\r\n" + QByteArray(lastLineStart)));
        });
    }
    void send(const QByteArray& text) {
        if (m_tls) {
            m_tls->writePlain(text);
            m_socket.write(m_tls->takeOutgoing());
        } else {
            m_socket.write(text);
        }
        m_socket.flush();
    }
    // Nothing the server sent in clear may remain when TLS starts.
    TlsSession& startTls(const QString& host, const TlsSession::Options& options) {
        m_tls = std::make_unique<TlsSession>();
        m_tls->start(host, options);
        m_socket.write(m_tls->takeOutgoing());
        QElapsedTimer clock;
        clock.start();
        while (m_tls->state() == TlsSession::Handshaking && clock.elapsed() < 10000) {
            if (!m_socket.waitForReadyRead(5000)) {
                if (m_socket.state() != QAbstractSocket::ConnectedState) m_tls->endOfInput();
                continue;
            }
            m_tls->feed(m_socket.readAll());
            m_socket.write(m_tls->takeOutgoing());
            m_socket.flush();
        }
        m_received += m_tls->readPlain();
        return *m_tls;
    }

private:
    QTcpSocket m_socket;
    std::unique_ptr<TlsSession> m_tls;
    QByteArray m_received;
};

} // namespace

class TestTlsMailServers : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir{QStringLiteral("/tmp/orbtls-XXXXXX")};

    bool mailserver(const QString& command, const QString& dir, const Ports& ports,
                    const QString& names = {}) {
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MS_SMTP_PORT", QString::number(ports.smtp));
        env.insert("MS_SUBMISSION_PORT", QString::number(ports.submission));
        env.insert("MS_SMTPS_PORT", QString::number(ports.smtps));
        env.insert("MS_POP3_PORT", QString::number(ports.pop3));
        env.insert("MS_POP3S_PORT", QString::number(ports.pop3s));
        if (!names.isEmpty()) env.insert("MS_TLS_NAMES", names);
        script.setProcessEnvironment(env);
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(QStringLiteral(ORB_SOURCE_DIR "/scripts/mailserver.sh"), {command, m_dir.filePath(dir)});
        script.waitForFinished(300000);
        if (script.exitCode() != 0) qWarning("%s", script.readAll().constData());
        return script.exitCode() == 0;
    }
    QString good(const QString& file) const { return m_dir.filePath("good/tls/" + file); }
    QString other(const QString& file) const { return m_dir.filePath("other/tls/" + file); }

private slots:
    void initTestCase() {
        if (geteuid() != 0) QSKIP("the mail servers need root");
        QVERIFY(m_dir.isValid());
        // The servers' own users must reach their folders.
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                                QFileDevice::ExeOther);
        QVERIFY(mailserver("start", "good", kGood));
        QVERIFY(mailserver("start", "other", kOther, "DNS:other.example.test"));
    }

    void cleanupTestCase() {
        mailserver("stop", "good", kGood);
        mailserver("stop", "other", kOther);
    }

    void servers_data() {
        QTest::addColumn<QString>("service"); // smtp-starttls, smtps, pop3-stls, pop3s
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("trustFile");
        QTest::addColumn<TlsSession::Failure>("failure");

        using F = TlsSession::Failure;
        QTest::newRow("submission, STARTTLS")
            << "smtp-starttls" << kGood.submission << "localhost" << good("ca.pem") << F::None;
        QTest::newRow("SMTP over TLS, IP address")
            << "smtps" << kGood.smtps << "127.0.0.1" << good("ca.pem") << F::None;
        QTest::newRow("POP3, STLS") << "pop3-stls" << kGood.pop3 << "mail.example.test" << good("ca.pem")
                                    << F::None;
        QTest::newRow("POP3 over TLS") << "pop3s" << kGood.pop3s << "localhost" << good("ca.pem") << F::None;
        QTest::newRow("authority not trusted") << "pop3s" << kGood.pop3s << "localhost"
                                               << "" << F::UnknownAuthority;
        QTest::newRow("certificate for another host")
            << "smtps" << kOther.smtps << "localhost" << other("ca.pem") << F::HostMismatch;
        QTest::newRow("another host, STARTTLS")
            << "smtp-starttls" << kOther.submission << "127.0.0.1" << other("ca.pem") << F::HostMismatch;
        QTest::newRow("another host whose own certificate is trusted")
            << "pop3-stls" << kOther.pop3 << "localhost" << other("cert.pem") << F::None;
    }

    void servers() {
        QFETCH(QString, service);
        QFETCH(int, port);
        QFETCH(QString, host);
        QFETCH(QString, trustFile);
        QFETCH(TlsSession::Failure, failure);
        TlsSession::Options options;
        options.extraTrustFile = trustFile;
        const bool smtp = service.startsWith("smtp");
        Conversation c(port);
        QVERIFY(c.connected());
        if (service == "smtp-starttls") {
            QVERIFY(c.readLine("220 ").startsWith("220"));
            c.send("EHLO client.example.test\r\n");
            QVERIFY(c.readLine("250 ").contains("STARTTLS"));
            c.send("STARTTLS\r\n");
            QVERIFY(c.readLine("220 ").startsWith("220"));
        } else if (service == "pop3-stls") {
            QVERIFY(c.readLine("+OK").startsWith("+OK"));
            c.send("STLS\r\n");
            QVERIFY(c.readLine("+OK").startsWith("+OK"));
        }
        TlsSession& tls = c.startTls(host, options);
        QCOMPARE(tls.failure(), failure);
        if (failure != TlsSession::Failure::None) {
            QCOMPARE(tls.state(), TlsSession::Failed);
            QVERIFY(tls.failureText().startsWith("certificate verification failed for " + host));
            return;
        }
        QCOMPARE(tls.state(), TlsSession::Established);
        QVERIFY(tls.connectionDescription().startsWith("TLSv1."));
        if (service == "smtps") QVERIFY(c.readLine("220 ").startsWith("220"));
        if (service == "pop3s") QVERIFY(c.readLine("+OK").startsWith("+OK"));
        if (smtp) {
            // Over TLS the server offers authentication.
            c.send("EHLO client.example.test\r\n");
            QVERIFY(c.readLine("250 ").contains("AUTH"));
            c.send("AUTH PLAIN " + QByteArray("\0alice\0alicepass", 16).toBase64() + "\r\n");
            QVERIFY(c.readLine("235 ").startsWith("235"));
            c.send("QUIT\r\n");
        } else {
            c.send("USER alice\r\n");
            QVERIFY(c.readLine("+OK").startsWith("+OK"));
            c.send("PASS alicepass\r\n");
            QVERIFY(c.readLine("+OK").startsWith("+OK"));
            c.send("QUIT\r\n");
        }
    }
};

QTEST_GUILESS_MAIN(TestTlsMailServers)
#include "tst_tls_mailservers.moc"
