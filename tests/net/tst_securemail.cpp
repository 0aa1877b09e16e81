// Transport security against real Postfix and Dovecot on loopback: STARTTLS and
// implicit TLS for both protocols, AUTH PLAIN and LOGIN, a wrong password, a
// certificate for another host name (refused unless trusted), and servers that
// offer no STARTTLS/STLS: nothing but the greeting command goes out in clear,
// checked on the wire by a recording relay between client and server.
#include "mail/pop3/Pop3Client.h"
#include "mail/smtp/SmtpClient.h"
#include "net/SockErrors.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

// Relays one loopback connection to a server port and records what the client sent.
class WireTap : public QObject {
public:
    explicit WireTap(quint16 target) : m_target(target) {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_client = m_server.nextPendingConnection();
            m_upstream = new QTcpSocket(this);
            connect(m_upstream, &QTcpSocket::readyRead, this, [this] {
                if (m_client) m_client->write(m_upstream->readAll());
            });
            connect(m_client, &QTcpSocket::readyRead, this, [this] {
                const QByteArray bytes = m_client->readAll();
                fromClient += bytes;
                if (m_upstream) m_upstream->write(bytes);
            });
            connect(m_client, &QTcpSocket::disconnected, m_upstream, &QTcpSocket::disconnectFromHost);
            connect(m_upstream, &QTcpSocket::disconnected, m_client, &QTcpSocket::disconnectFromHost);
            m_upstream->connectToHost(QHostAddress::LocalHost, m_target);
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    QByteArray fromClient;

private:
    quint16 m_target;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_client, m_upstream;
};

// Two server sets: A as a provider (STARTTLS, AUTH only after it, POP3 with
// STLS and POP3S, a certificate for 127.0.0.1 from a test authority); B with a
// certificate for another host name and no STARTTLS/STLS on its plain ports.
struct ServerSet {
    QString dir;
    int base = 0; // SMTP base, submission base+1, SMTPS base+2, POP3 base+3, POP3S base+4
    QStringList env;
    bool started = false;
};

} // namespace

Q_DECLARE_METATYPE(TTransportSecurity)

class TstSecureMail : public QObject {
    Q_OBJECT

    ServerSet a{{}, 20025, {"MS_TLS_AUTH_ONLY=1"}};
    ServerSet b{{}, 20035, {"MS_TLS_NAMES=DNS:other.example.test", "MS_NO_STARTTLS=1"}};

    bool script(const ServerSet& set, const QString& command) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MS_SMTP_PORT", QString::number(set.base));
        env.insert("MS_SUBMISSION_PORT", QString::number(set.base + 1));
        env.insert("MS_SMTPS_PORT", QString::number(set.base + 2));
        env.insert("MS_POP3_PORT", QString::number(set.base + 3));
        env.insert("MS_POP3S_PORT", QString::number(set.base + 4));
        env.insert("MS_USERS", "alice:alicepass bob:bobpass");
        for (const QString& e : set.env)
            env.insert(e.section('=', 0, 0), e.section('=', 1));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral(ORB_SOURCE_DIR "/scripts/mailserver.sh"), {command, set.dir});
        return p.waitForFinished(240000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    int delivered(const ServerSet& set, const QString& user) {
        return int(QDir(set.dir + "/maildirs/" + user + "/new").entryList(QDir::Files).size());
    }

    void prepare(TSmtpClient& smtp, int port, TTransportSecurity security) {
        smtp.setHost("127.0.0.1");
        smtp.setPort(port);
        smtp.Security = security;
        smtp.UserID = "client.example.test";
        smtp.Login = "alice";
        smtp.Password = "alicepass";
        smtp.AllowPlainLogin = false;
        smtp.TlsSettings.extraTrustFile = a.dir + "/tls/ca.pem";
        smtp.PostMessage.FromAddress = "alice@example.test";
        smtp.PostMessage.ToAddress = {"bob@example.test"};
        smtp.PostMessage.Subject = "secure";
        smtp.PostMessage.Body = {"over TLS"};
    }

private slots:
    void initTestCase() {
        for (ServerSet* set : {&a, &b}) {
            set->dir = QDir("/tmp").filePath(
                QString("orb-tls-%1-%2").arg(QCoreApplication::applicationPid()).arg(set->base));
            QDir(set->dir).removeRecursively();
            QVERIFY(QDir().mkpath(set->dir));
            QVERIFY2(script(*set, "start"), "mail server did not start");
            set->started = true;
        }
    }
    void cleanupTestCase() {
        for (ServerSet* set : {&a, &b}) {
            if (set->started) script(*set, "stop");
            if (!set->dir.isEmpty()) QDir(set->dir).removeRecursively();
        }
    }

    void smtp_data() {
        QTest::addColumn<bool>("onB");
        QTest::addColumn<int>("port");
        QTest::addColumn<TTransportSecurity>("security");
        QTest::addColumn<QByteArray>("mechanism");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("trust");   // file under the set's tls/ folder
        QTest::addColumn<QString>("failure"); // "" when the message goes through
        using S = TTransportSecurity;
        QTest::newRow("STARTTLS, AUTH PLAIN")
            << false << 1 << S::StartTls << QByteArray("PLAIN") << "alicepass"
            << "ca.pem"
            << "";
        QTest::newRow("STARTTLS, AUTH LOGIN")
            << false << 1 << S::StartTls << QByteArray("LOGIN") << "alicepass"
            << "ca.pem"
            << "";
        QTest::newRow("STARTTLS on the plain port")
            << false << 0 << S::StartTls << QByteArray() << "alicepass"
            << "ca.pem"
            << "";
        QTest::newRow("implicit TLS") << false << 2 << S::Tls << QByteArray() << "alicepass"
                                      << "ca.pem"
                                      << "";
        QTest::newRow("wrong password") << false << 1 << S::StartTls << QByteArray() << "wrong"
                                        << "ca.pem"
                                        << "Authentication failed";
        QTest::newRow("another host name") << true << 2 << S::Tls << QByteArray() << "alicepass"
                                           << "ca.pem"
                                           << "not for 127.0.0.1";
        QTest::newRow("another host name, its certificate trusted")
            << true << 2 << S::Tls << QByteArray() << "alicepass"
            << "cert.pem"
            << "";
        QTest::newRow("untrusted authority") << false << 2 << S::Tls << QByteArray() << "alicepass"
                                             << ""
                                             << "unknown authority";
    }
    void smtp() {
        QFETCH(bool, onB);
        QFETCH(int, port);
        QFETCH(TTransportSecurity, security);
        QFETCH(QByteArray, mechanism);
        QFETCH(QString, password);
        QFETCH(QString, trust);
        QFETCH(QString, failure);
        const ServerSet& set = onB ? b : a;
        TSmtpClient smtp;
        prepare(smtp, set.base + port, security);
        smtp.AuthMechanism = mechanism;
        smtp.Password = password;
        smtp.TlsSettings.extraTrustFile = trust.isEmpty() ? QString() : set.dir + "/tls/" + trust;
        const int before = delivered(set, "bob");
        QString error;
        try {
            smtp.Connect();
            QVERIFY(smtp.Encrypted());
            smtp.SendMail();
            smtp.Disconnect();
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
        }
        if (failure.isEmpty()) {
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QElapsedTimer clock;
            clock.start();
            while (delivered(set, "bob") == before && clock.elapsed() < 20000)
                QTest::qWait(50);
            QCOMPARE(delivered(set, "bob"), before + 1);
        } else {
            QVERIFY2(error.contains(failure, Qt::CaseInsensitive), qPrintable(error));
            QVERIFY(!smtp.Connected());
        }
    }

    // A message of several megabytes goes out in pieces straight from where it
    // was composed (through TLS encrypted a piece at a time): the server
    // delivers its body byte for byte, whole and in order.
    void largeMessageArrivesWhole_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<TTransportSecurity>("security");
        QTest::addColumn<bool>("pipelining");
        QTest::newRow("in clear, pipelined") << 0 << TTransportSecurity::None << true;
        QTest::newRow("implicit TLS, pipelined") << 2 << TTransportSecurity::Tls << true;
        QTest::newRow("STARTTLS, one command at a time") << 1 << TTransportSecurity::StartTls << false;
    }
    void largeMessageArrivesWhole() {
        QFETCH(int, port);
        QFETCH(TTransportSecurity, security);
        QFETCH(bool, pipelining);
        const QString file = a.dir + "/large.bin";
        QByteArray data(3 * 1024 * 1024 + 5, Qt::Uninitialized);
        for (qsizetype k = 0; k < data.size(); ++k)
            data[k] = char((k * 2654435761u) >> 13);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(data);
        out.close();
        const QDir box(a.dir + "/maildirs/bob/new");
        const QStringList before = box.entryList(QDir::Files);
        TSmtpClient smtp;
        prepare(smtp, a.base + port, security);
        smtp.Pipelining = pipelining;
        smtp.PostMessage.Attachments = {file};
        smtp.Connect();
        smtp.SendMail();
        smtp.Disconnect();
        QStringList arrived;
        QElapsedTimer clock;
        clock.start();
        while (arrived.isEmpty() && clock.elapsed() < 20000) {
            QTest::qWait(50);
            arrived = box.entryList(QDir::Files);
            for (const QString& name : before)
                arrived.removeOne(name);
        }
        QCOMPARE(arrived.size(), 1);
        QFile delivered(box.filePath(arrived.first()));
        QVERIFY(delivered.open(QIODevice::ReadOnly));
        QByteArray body = smtp.MessageBody;
        QVERIFY(body.size() > 4 * 1024 * 1024);
        QVERIFY(delivered.readAll().contains(body.replace("\r\n", "\n")));
    }

    // Where encryption is asked for and the server cannot give it, nothing but
    // the greeting command (and QUIT) crosses the wire in clear.
    void nothingInClear_data() {
        QTest::addColumn<bool>("pop3");
        QTest::addColumn<TTransportSecurity>("security");
        QTest::addColumn<bool>("onB");
        QTest::newRow("SMTP without STARTTLS") << false << TTransportSecurity::StartTls << true;
        QTest::newRow("POP3 without STLS") << true << TTransportSecurity::StartTls << true;
        QTest::newRow("POP3 login refused in clear") << true << TTransportSecurity::None << false;
        QTest::newRow("SMTP AUTH refused in clear") << false << TTransportSecurity::None << true;
    }
    void nothingInClear() {
        QFETCH(bool, pop3);
        QFETCH(TTransportSecurity, security);
        QFETCH(bool, onB);
        const ServerSet& set = onB ? b : a;
        WireTap tap(quint16(set.base + (pop3 ? 3 : 0)));
        bool refused = false;
        if (pop3) {
            TPop3Client client;
            client.setHost("127.0.0.1");
            client.setPort(tap.port());
            client.Security = security;
            client.AllowPlainLogin = false;
            client.UserID = "bob";
            client.Password = "bobpass";
            try {
                client.Connect();
            } catch (const ESecurityError&) {
                refused = true;
            } catch (const std::exception& e) {
                QFAIL(e.what());
            }
        } else {
            TSmtpClient smtp;
            prepare(smtp, tap.port(), security);
            try {
                smtp.Connect();
                smtp.SendMail();
            } catch (const ESecurityError&) {
                refused = true;
            } catch (const std::exception& e) {
                QFAIL(e.what());
            }
        }
        QVERIFY(refused);
        QTest::qWait(100);
        for (const char* secret : {"PASS", "AUTH", "MAIL FROM", "USER", "alicepass", "bobpass"})
            QVERIFY2(!tap.fromClient.contains(secret), tap.fromClient.constData());
    }

    void pop3_data() {
        QTest::addColumn<TTransportSecurity>("security");
        QTest::addColumn<int>("port");
        QTest::newRow("STLS") << TTransportSecurity::StartTls << 3;
        QTest::newRow("POP3S") << TTransportSecurity::Tls << 4;
    }
    void pop3() {
        QFETCH(TTransportSecurity, security);
        QFETCH(int, port);
        TPop3Client client;
        client.setHost("127.0.0.1");
        client.setPort(a.base + port);
        client.Security = security;
        client.AllowPlainLogin = false;
        client.TlsSettings.extraTrustFile = a.dir + "/tls/ca.pem";
        client.UserID = "bob";
        client.Password = "bobpass";
        client.Connect();
        QVERIFY(client.Encrypted());
        QVERIFY(client.MailCount() >= 0);
        client.Disconnect();
        QVERIFY(!client.Connected());
    }
};

QTEST_GUILESS_MAIN(TstSecureMail)
#include "tst_securemail.moc"
