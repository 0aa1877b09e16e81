// Passwords in a real GNOME keyring on a private D-Bus session
// (scripts/keyring-session.sh), and in the owner-only file where no keyring
// answers (the same program run with a bus address that leads nowhere).
#include "platform/secrets/SecretStore.h"

#include <QFile>
#include <QtTest>

class TestSecretStore : public QObject {
    Q_OBJECT
    bool keyring = !qEnvironmentVariableIsSet("ORB_NO_KEYRING");
    QString file() const {
        return QString::fromLocal8Bit(qgetenv("ORB_TEST_WORK")) + QStringLiteral("/secrets");
    }

private slots:
    void initTestCase() {
        if (!keyring) qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orbalinder-no-bus");
    }

    // Written, read back, replaced and removed, in the place the session offers.
    void roundTrip_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("secret");
        QTest::newRow("plain") << "caldav https://a.example/ alice"
                               << "hunter2";
        QTest::newRow("unicode, tab and line break") << "caldav https://b.example/ bob"
                                                     << "pä\tss\nwörd€";
        QTest::newRow("empty") << "mail 3 smtp"
                               << "";
    }
    void roundTrip() {
        QFETCH(QString, key);
        QFETCH(QString, secret);
        SecretStore store(QStringLiteral("Orbalinder test"), file());
        QCOMPARE(store.keyringAvailable(), keyring);
        QString error;
        QVERIFY2(store.write(key, QStringLiteral("old"), &error), qPrintable(error));
        QVERIFY2(store.write(key, secret, &error), qPrintable(error));
        const auto expected = keyring ? SecretStore::Where::Keyring : SecretStore::Where::File;
        QCOMPARE(store.where(), expected);
        SecretStore other(QStringLiteral("Orbalinder test"), file());
        QCOMPARE(other.read(key, &error), std::optional<QString>(secret));
        QCOMPARE(other.where(), expected);
        // Nothing of the secret is in the file when the keyring holds it; owner-only when the file does.
        QFile f(file());
        if (keyring) {
            QVERIFY(!f.exists() || !f.open(QIODevice::ReadOnly) || !f.readAll().contains(key.toUtf8()));
        } else {
            const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                                QFileDevice::WriteOther;
            QVERIFY(f.exists());
            QCOMPARE(f.permissions() & others, QFileDevice::Permissions());
        }
        QVERIFY(other.remove(key, &error));
        QCOMPARE(store.read(key, &error), std::nullopt);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    // A password kept in the file while no keyring ran moves to the keyring at its next write.
    void fileCopyLeavesWithKeyring() {
        if (!keyring) QSKIP("needs the keyring");
        QFile f(file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("moving\t" + QByteArray("before").toBase64() + "\nstaying\t" + QByteArray("x").toBase64() +
                "\n");
        f.close();
        SecretStore store(QStringLiteral("Orbalinder test"), file());
        QCOMPARE(store.read(QStringLiteral("moving")), std::optional<QString>(QStringLiteral("before")));
        QCOMPARE(store.where(), SecretStore::Where::File);
        QVERIFY(store.write(QStringLiteral("moving"), QStringLiteral("after")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray left = f.readAll();
        QVERIFY(!left.contains("moving") && left.contains("staying"));
        QCOMPARE(store.read(QStringLiteral("moving")), std::optional<QString>(QStringLiteral("after")));
        QCOMPARE(store.where(), SecretStore::Where::Keyring);
    }
};

QTEST_GUILESS_MAIN(TestSecretStore)
#include "tst_secretstore.moc"
