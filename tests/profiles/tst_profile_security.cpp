// The security companion "QV.PFS": written in the same save as "QV.PFL",
// following profiles that the save moves, and never used for a profile it no
// longer matches.
#include "profiles/ArchivoPerfiles.h"
#include "profiles/SeguridadPerfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

Perfil profile(const QString& email, bool active = false) {
    Perfil p;
    p.emailUsuario = email;
    p.servidorSMTP = QStringLiteral("smtp.example.org");
    p.servidorPOP3 = QStringLiteral("pop.example.org:995");
    p.activo = active;
    return p;
}

AjustesSeguridad provider() {
    AjustesSeguridad a;
    a.smtp = ModoSeguridad::StartTls;
    a.pop3 = ModoSeguridad::Tls;
    a.passwdSMTP = QStringLiteral("p a=s%s\nwörd#1");
    a.archivoCertificados = QStringLiteral("/home/ana/my certs/company.pem");
    return a;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestProfileSecurity : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString pfl() const { return m_dir.filePath(QStringLiteral("QV.PFL")); }
    QString pfs() const { return m_dir.filePath(QStringLiteral("QV.PFS")); }

private slots:
    void init() {
        QFile::remove(pfl());
        QFile::remove(pfs());
        QDir(pfs()).removeRecursively();
    }

    // The state the session driver sees for the active profile after a save
    // and, in some rows, a change made to "QV.PFL" by something else.
    void activeProfileState_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("plainLogin");
        QTest::addColumn<QString>("reason");

        QTest::newRow("no settings anywhere: no companion, plain behaviour")
            << "defaults" << int(SeguridadActiva::SinAjustes) << true << "";
        QTest::newRow("settings follow the profile that the save moves up")
            << "moved" << int(SeguridadActiva::Vigentes) << false << "";
        QTest::newRow("profiles swapped by another program: found by address and servers")
            << "swapped" << int(SeguridadActiva::Vigentes) << false << "";
        QTest::newRow("server changed by another program: lost, not plain")
            << "server changed" << int(SeguridadActiva::Perdidos) << false << "no longer match";
        QTest::newRow("save that does not know the settings keeps matching entries")
            << "resaved" << int(SeguridadActiva::Vigentes) << false << "";
        QTest::newRow("save that does not know the settings, server changed: entry dropped, lost")
            << "resaved after change" << int(SeguridadActiva::Perdidos) << false << "are missing from QV.PFS";
        QTest::newRow("entry taken out while the servers stay: lost, told as missing")
            << "entry removed" << int(SeguridadActiva::Perdidos) << false << "are missing from QV.PFS";
        QTest::newRow("damaged companion: lost")
            << "damaged" << int(SeguridadActiva::Perdidos) << false << "unreadable";
        QTest::newRow("profile asks for no encryption anywhere: plain login")
            << "explicit none" << int(SeguridadActiva::Vigentes) << true << "";
    }

    void activeProfileState() {
        QFETCH(QString, scenario);
        QFETCH(int, state);
        QFETCH(bool, plainLogin);
        QFETCH(QString, reason);

        RegistroPerfiles buffer;
        buffer.setPerfil(1, profile(QStringLiteral("other@example.org")));
        buffer.setPerfil(3, profile(QStringLiteral("ana@example.org"), true));
        AjustesPorPerfil settings;
        settings.fill(AjustesSeguridad());
        if (scenario != "defaults") {
            settings[0]->smtp = ModoSeguridad::Tls;
            settings[2] = provider();
        }
        if (scenario == "explicit none") {
            settings[0] = AjustesSeguridad();
            settings[2] = AjustesSeguridad();
            settings[2]->passwdSMTP = QStringLiteral("x");
        }
        QVERIFY(GuardarPerfiles(pfl(), buffer, {}, settings));
        QCOMPARE(buffer.numeroActivo(), 2); // moved into the gap
        QCOMPARE(QFile::exists(pfs()), scenario != "defaults");

        RegistroPerfiles stored;
        QVERIFY(LeerArchivoPerfiles(pfl(), stored));
        if (scenario == "swapped") {
            const Perfil first = stored.perfil(1), second = stored.perfil(2);
            stored.setPerfil(1, second);
            stored.setPerfil(2, first);
            stored.hacerActivo(1);
            QVERIFY(EscribirArchivoPerfiles(pfl(), stored));
        } else if (scenario == "server changed" || scenario == "resaved after change") {
            Perfil p = stored.perfil(2);
            p.servidorSMTP = QStringLiteral("smtp.elsewhere.example");
            stored.setPerfil(2, p);
            if (scenario == "server changed")
                QVERIFY(EscribirArchivoPerfiles(pfl(), stored));
            else
                QVERIFY(GuardarPerfiles(pfl(), stored, {}));
        } else if (scenario == "resaved") {
            QVERIFY(GuardarPerfiles(pfl(), stored, {}));
        } else if (scenario == "entry removed") {
            ArchivoSeguridad companion;
            QVERIFY(companion.leer(pfs()));
            QList<EntradaSeguridad> kept;
            for (const EntradaSeguridad& e : companion.entradas())
                if (e.email != QLatin1String("ana@example.org")) kept << e;
            QCOMPARE(kept.size(), companion.entradas().size() - 1);
            companion.setEntradas(kept);
            QVERIFY(companion.escribir(pfs()));
        } else if (scenario == "damaged") {
            QFile f(pfs());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[profile 2]\nsmtp-security=sometimes\n");
        }

        QVERIFY(LeerArchivoPerfiles(pfl(), stored));
        const SeguridadActiva active = LeerSeguridadActiva(pfl(), stored);
        QCOMPARE(int(active.estado), state);
        QCOMPARE(active.loginEnClaroPermitido(), plainLogin);
        QVERIFY2(active.motivo.contains(reason), qPrintable(active.motivo));
        if (state == SeguridadActiva::Vigentes && scenario != "explicit none")
            QCOMPARE(active.ajustes, provider());
        if (state == SeguridadActiva::Perdidos) QVERIFY(active.ajustes.porDefecto());
    }

    // Every field comes back exactly, whatever characters it holds; the file is
    // owner-only and its entries repeat the profile's address and servers.
    void companionFileRoundTrip() {
        RegistroPerfiles buffer;
        buffer.setPerfil(1, profile(QStringLiteral("ana@example.org"), true));
        buffer.setPerfil(2, profile(QStringLiteral("bob@example.org")));
        AjustesPorPerfil settings;
        settings.fill(AjustesSeguridad());
        settings[0] = provider();
        settings[1]->pop3 = ModoSeguridad::StartTls;
        settings[1]->permitirLoginEnClaro = true;
        QVERIFY(GuardarPerfiles(pfl(), buffer, {}, settings));

        const QFileDevice::Permissions perms = QFile::permissions(pfs());
        QCOMPARE(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
                 QFileDevice::Permissions());
        const QByteArray text = readAll(pfs());
        QVERIFY(
            text.contains("[profile 1]\nemail=ana@example.org\nsmtp-server=smtp.example.org\n"
                          "pop3-server=pop.example.org:995\nsmtp-security=starttls\npop3-security=tls\n"));
        QVERIFY(text.contains("pop3-security=stls\n"));
        QVERIFY(!text.contains("wörd")); // the password stays on one line, encoded

        ArchivoSeguridad file;
        QVERIFY(file.leer(pfs()));
        QVERIFY(file.existe());
        QCOMPARE(file.ajustesPara(buffer), settings);
    }

    // A companion that cannot be written stops the save before "QV.PFL" changes.
    void failedCompanionLeavesProfilesFileAlone() {
        RegistroPerfiles buffer;
        buffer.setPerfil(1, profile(QStringLiteral("ana@example.org"), true));
        QVERIFY(GuardarPerfiles(pfl(), buffer, {}));
        const QByteArray before = readAll(pfl());
        QVERIFY(QDir().mkpath(pfs() + QStringLiteral("/in-the-way")));

        buffer.setPerfil(1, profile(QStringLiteral("changed@example.org"), true));
        AjustesPorPerfil settings;
        settings[0] = provider();
        QString error;
        QVERIFY(!GuardarPerfiles(pfl(), buffer, {}, settings, &error));
        QVERIFY2(error.contains(QStringLiteral("QV.PFS")), qPrintable(error));
        QCOMPARE(readAll(pfl()), before);
        RegistroPerfiles stored;
        QVERIFY(LeerArchivoPerfiles(pfl(), stored));
        QCOMPARE(LeerSeguridadActiva(pfl(), stored).estado,
                 SeguridadActiva::Perdidos); // a folder: unreadable
    }

    void serverPorts_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("smtp");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");

        QTest::newRow("SMTP over TLS") << "mail.example.org" << true << "tls"
                                       << "mail.example.org" << 465;
        QTest::newRow("SMTP with STARTTLS") << "mail.example.org" << true << "starttls"
                                            << "mail.example.org" << 587;
        QTest::newRow("SMTP in clear") << " mail.example.org " << true << "none"
                                       << "mail.example.org" << 25;
        QTest::newRow("POP3 over TLS") << "mail.example.org" << false << "tls"
                                       << "mail.example.org" << 995;
        QTest::newRow("POP3 with STLS") << "mail.example.org" << false << "stls"
                                        << "mail.example.org" << 110;
        QTest::newRow("POP3 in clear") << "mail.example.org" << false << "none"
                                       << "mail.example.org" << 110;
        QTest::newRow("host:port wins") << "127.0.0.1:2587" << true << "tls"
                                        << "127.0.0.1" << 2587;
        QTest::newRow("port out of range is part of the name") << "host:70000" << false << "tls"
                                                               << "host:70000" << 995;
        QTest::newRow("empty port") << "host:" << true << "starttls"
                                    << "host:" << 587;
        QTest::newRow("IPv6 in brackets with a port") << "[2001:db8::7]:2525" << true << "none"
                                                      << "2001:db8::7" << 2525;
        QTest::newRow("IPv6 in brackets") << "[::1]" << false << "tls"
                                          << "::1" << 995;
        QTest::newRow("bare IPv6 has no port") << "2001:db8::25" << true << "none"
                                               << "2001:db8::25" << 25;
        QTest::newRow("unclosed bracket is a name") << "[::1:2525" << true << "none"
                                                    << "[::1:2525" << 25;
    }

    void serverPorts() {
        QFETCH(QString, server);
        QFETCH(bool, smtp);
        QFETCH(QString, mode);
        QFETCH(QString, host);
        QFETCH(int, port);
        ModoSeguridad m;
        QVERIFY(LeerPalabraModo(mode, m));
        const DestinoServidor d = DestinoDe(server, smtp ? ProtocoloCorreo::Smtp : ProtocoloCorreo::Pop3, m);
        QCOMPARE(d.host, host);
        QCOMPARE(d.puerto, port);
    }
};

QTEST_GUILESS_MAIN(TestProfileSecurity)
#include "tst_profile_security.moc"
