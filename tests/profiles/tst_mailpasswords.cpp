// The SMTP passwords of the profiles in the desktop keyring, asked for in the
// preferences: a real GNOME keyring on a private D-Bus session
// (scripts/keyring-session.sh), and the same program where no keyring answers,
// where they stay in QV.PFS.
#include "profiles/ArchivoPerfiles.h"
#include "profiles/MailPasswords.h"
#include "profiles/SeguridadPerfiles.h"

#include <QFile>
#include <QtTest>

class TestMailPasswords : public QObject {
    Q_OBJECT
    bool keyring = !qEnvironmentVariableIsSet("ORB_NO_KEYRING");
    QString pfl() const {
        return QString::fromLocal8Bit(qgetenv("ORB_TEST_WORK")) + QStringLiteral("/QV.PFL");
    }
    QByteArray pfs() const {
        QFile f(ArchivoSeguridad::rutaJunto(pfl()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::optional<QString> inKeyring(const QString& email) {
        EntradaSeguridad e;
        e.email = email;
        e.servidorSMTP = QStringLiteral("smtp.example.org");
        SecretStore store = MailPasswords::store();
        const auto secret = store.read(MailPasswords::key(e));
        return secret && store.where() == SecretStore::Where::Keyring ? secret : std::nullopt;
    }

private slots:
    void initTestCase() {
        if (!keyring) qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orbalinder-no-bus");
        QCOMPARE(MailPasswords::keyringAvailable(), keyring);
    }

    // Each save as the preferences (asked or not) and as a program that does not
    // know the settings (qvtool): where the password is, and what the mail
    // client gets. A profile whose address changed leaves nothing behind.
    void savesAndReads_data() {
        QTest::addColumn<QString>("save"); // "ask", "plain", "unaware", "moved"
        QTest::addColumn<bool>("inFile");  // the password is in QV.PFS
        QTest::newRow("asked for the keyring") << "ask" << !keyring;
        QTest::newRow("saved again without knowing") << "unaware" << !keyring;
        QTest::newRow("address changed") << "moved" << !keyring;
        QTest::newRow("back to the file") << "plain" << true;
    }
    void savesAndReads() {
        QFETCH(QString, save);
        QFETCH(bool, inFile);
        const QString secret = QStringLiteral("s3cr=t wörd");
        const QString email =
            save == "moved" ? QStringLiteral("ana@new.example.org") : QStringLiteral("ana@example.org");
        RegistroPerfiles buffer;
        Perfil p;
        p.emailUsuario = email;
        p.servidorSMTP = QStringLiteral("smtp.example.org");
        p.activo = true;
        buffer.setPerfil(1, p);
        if (save == "unaware") {
            QVERIFY(LeerArchivoPerfiles(pfl(), buffer));
            QString error;
            QVERIFY2(GuardarPerfiles(pfl(), buffer, buffer.filasLibreta(), &error), qPrintable(error));
        } else {
            AjustesPorPerfil settings;
            settings.fill(AjustesSeguridad());
            settings[0]->smtp = ModoSeguridad::StartTls;
            settings[0]->passwdSMTP = secret;
            settings[0]->passwdEnLlavero = save != "plain";
            QVERIFY(GuardarPerfiles(pfl(), buffer, {}, settings));
        }
        QCOMPARE(pfs().contains("smtp-password=s3cr%3Dt"), inFile);
        QCOMPARE(pfs().contains("smtp-password-in=keyring"), !inFile);
        QCOMPARE(inKeyring(email), inFile ? std::nullopt : std::optional<QString>(secret));
        if (save == "moved") QCOMPARE(inKeyring(QStringLiteral("ana@example.org")), std::nullopt);

        RegistroPerfiles stored;
        QVERIFY(LeerArchivoPerfiles(pfl(), stored));
        const SeguridadActiva active = LeerSeguridadActiva(pfl(), stored);
        QCOMPARE(int(active.estado), int(SeguridadActiva::Vigentes));
        QCOMPARE(active.ajustes.passwdSMTP, secret);
    }

    // The keyring's entry gone behind the program's back: the mail client is
    // told why and sends nothing; a save that does not know the password refuses.
    void keyringLosesIt() {
        if (!keyring) QSKIP("needs the keyring");
        EntradaSeguridad e;
        e.email = QStringLiteral("bob@example.org");
        e.servidorSMTP = QStringLiteral("smtp.example.org");
        RegistroPerfiles buffer;
        Perfil p;
        p.emailUsuario = e.email;
        p.servidorSMTP = e.servidorSMTP;
        p.activo = true;
        buffer.setPerfil(1, p);
        AjustesPorPerfil settings;
        settings.fill(AjustesSeguridad());
        settings[0]->passwdSMTP = QStringLiteral("x");
        settings[0]->passwdEnLlavero = true;
        QVERIFY(GuardarPerfiles(pfl(), buffer, {}, settings));
        QVERIFY(MailPasswords::store().remove(MailPasswords::key(e)));
        const QByteArray before = pfs();
        const SeguridadActiva active = LeerSeguridadActiva(pfl(), buffer);
        QCOMPARE(int(active.estado), int(SeguridadActiva::Perdidos));
        QVERIFY2(active.motivo.contains("desktop keyring"), qPrintable(active.motivo));
        QString error;
        QVERIFY(!GuardarPerfiles(pfl(), buffer, buffer.filasLibreta(), &error));
        QVERIFY2(error.contains("desktop keyring"), qPrintable(error));
        QCOMPARE(pfs(), before);
    }
};

QTEST_GUILESS_MAIN(TestMailPasswords)
#include "tst_mailpasswords.moc"
