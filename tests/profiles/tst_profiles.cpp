// The profiles file "QV.PFL": layout byte for byte, saving rules, refused files.
#include "profiles/ArchivoPerfiles.h"

#include "core/Binary.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {
const QString kSamples = QStringLiteral(ORB_TEST_DATA "/profiles/");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Readable and writable by its owner, nothing for group and others.
bool ownerOnly(const QString& path) {
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileDevice::Permissions p = QFile::permissions(path);
    return !(p & others) && (p & QFileDevice::ReadOwner) && (p & QFileDevice::WriteOwner);
}

int profileOffset(int p) {
    return 4 + (p - 1) * 496;
}
int entryOffset(int k) {
    return 9924 + (k - 1) * 62;
}

Perfil withEmail(const QString& email, bool active = false) {
    Perfil p;
    p.emailUsuario = email;
    p.nombreUsuario = QStringLiteral("Name of ") + email;
    p.activo = active;
    return p;
}
} // namespace

class TestProfiles : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path() const { return RutaArchivoPerfiles(dir.path() + QLatin1Char('/')); }

private slots:
    void init() { QFile::remove(path()); }

    void newFileIsEmptyAndExact() {
        RegistroPerfiles buffer;
        QList<FilaLibreta> filas{{QStringLiteral("stale"), 3}};
        QVERIFY(CrearPerfiles(path(), buffer, filas));
        const QByteArray bytes = readAll(path());
        QCOMPARE(bytes.size(), 25736);
        QCOMPARE(bytes.left(4), QByteArray("\x00\x01\x01\x00", 4));
        QCOMPARE(bytes.mid(4), QByteArray(25732, '\0'));
        QVERIFY(filas.isEmpty());
        QCOMPARE(buffer.perfilInicial(), 1);
        QVERIFY(!buffer.perfilActivo());
        QVERIFY(ownerOnly(path()));
        QCOMPARE(path().section('/', -1), QStringLiteral("QV.PFL"));
    }

    void readsEveryFieldAndIgnoresBytesAfterTexts() {
        RegistroPerfiles r;
        QList<FilaLibreta> filas;
        QVERIFY(CargarPerfiles(kSamples + "tres-perfiles.pfl", r, filas));
        const Perfil uno = r.perfil(1);
        QCOMPARE(uno.nombreUsuario, QStringLiteral("Ana Pérez"));
        QCOMPARE(uno.emailUsuario, QStringLiteral("ana@example.org"));
        QCOMPARE(uno.conexionNombre, QStringLiteral("(ninguna)"));
        QCOMPARE(uno.servidorSMTP, QStringLiteral("smtp.example.org"));
        QCOMPARE(uno.servidorPOP3, QStringLiteral("pop.example.org"));
        QCOMPARE(uno.loginSMTP, QStringLiteral("ana"));
        QCOMPARE(uno.loginPOP3, QStringLiteral("ana.pop"));
        QCOMPARE(uno.passwdPOP3, QStringLiteral("s3cr€t"));
        QVERIFY(!uno.activo && !uno.quiereMarcar());

        QCOMPARE(r.numeroActivo(), 3);
        const auto activo = r.perfilActivo();
        QVERIFY(activo);
        QVERIFY(activo->activo && activo->quiereMarcar());
        QCOMPARE(activo->conexionPos, 2);
        QCOMPARE(activo->conexionNombre, QStringLiteral("Casa"));
        QCOMPARE(activo->servidorSMTP, QStringLiteral("mail.example.org"));
        QVERIFY(!r.perfil(2).enUso());
        QCOMPARE(r.perfil(21), Perfil{});

        QCOMPARE(r.direccion(2), QStringLiteral("dos@example.org"));
        QCOMPARE(r.direccion(3), QString());
        QCOMPARE(r.direccion(5), QString());
        QCOMPARE(r.direccion(0), QString());
        QCOMPARE(r.direccion(256), QString());
        const QList<FilaLibreta> expected{{"uno@example.org", 1},
                                          {"dos@example.org", 2},
                                          {"cuatro@example.org", 4},
                                          {"ultimo@example.org", 255}};
        QCOMPARE(filas, expected);
    }

    void savingClosesGapsBetweenProfiles() {
        RegistroPerfiles r;
        r.setPerfil(1, withEmail("a@x.org"));
        Perfil sinCorreo;
        sinCorreo.nombreUsuario = QStringLiteral("no address");
        sinCorreo.servidorSMTP = QStringLiteral("smtp.lost");
        r.setPerfil(2, sinCorreo);
        r.setPerfil(3, withEmail("c@x.org", true));
        r.setPerfil(7, withEmail("g@x.org"));
        QVERIFY(GuardarPerfiles(path(), r, {}));

        RegistroPerfiles leido;
        QVERIFY(LeerArchivoPerfiles(path(), leido));
        QCOMPARE(leido.perfil(1).emailUsuario, QStringLiteral("a@x.org"));
        QCOMPARE(leido.perfil(2).emailUsuario, QStringLiteral("c@x.org"));
        QCOMPARE(leido.perfil(3).emailUsuario, QStringLiteral("g@x.org"));
        // The active profile moved with its data, and what moved out is zero bytes.
        QCOMPARE(leido.numeroActivo(), 2);
        const QByteArray bytes = readAll(path());
        QCOMPARE(bytes.mid(profileOffset(4), 496 * 17), QByteArray(496 * 17, '\0'));
        QVERIFY(!bytes.contains("smtp.lost"));
    }

    void lastActiveProfileWinsAndNoneMeansZero() {
        RegistroPerfiles r;
        r.setPerfil(1, withEmail("a@x.org", true));
        r.setPerfil(2, withEmail("b@x.org", true));
        r.normalizar();
        QCOMPARE(r.numeroActivo(), 2);
        r.hacerActivo(1);
        QCOMPARE(r.numeroActivo(), 1);
        QVERIFY(r.perfil(1).activo && !r.perfil(2).activo);
        r.setPerfil(1, withEmail("a@x.org", false));
        r.normalizar();
        QCOMPARE(r.numeroActivo(), 0);
        QVERIFY(!r.perfilActivo());
    }

    void addressBookRebuild_data() {
        QTest::addColumn<QList<FilaLibreta>>("filas");
        QTest::addColumn<QList<FilaLibreta>>("expected"); // entries in use after the save
        QTest::newRow("freed number goes to the next new address")
            << QList<FilaLibreta>{{"a", 1}, {"b", 2}, {"c", 3}, {"e", 5}, {"new", 0}}
            << QList<FilaLibreta>{{"a", 1}, {"b", 2}, {"c", 3}, {"new", 4}, {"e", 5}};
        QTest::newRow("numbers kept whatever the list order")
            << QList<FilaLibreta>{{"zeta", 9}, {"new1", 0}, {"alfa", 2}, {"new2", 0}}
            << QList<FilaLibreta>{{"new1", 1}, {"alfa", 2}, {"new2", 3}, {"zeta", 9}};
        QTest::newRow("two rows claiming one number both stay")
            << QList<FilaLibreta>{{"first", 4}, {"second", 4}}
            << QList<FilaLibreta>{{"second", 1}, {"first", 4}};
        QTest::newRow("number out of range is a new address")
            << QList<FilaLibreta>{{"x", 300}, {"y", -2}, {"z", 1}}
            << QList<FilaLibreta>{{"z", 1}, {"x", 2}, {"y", 3}};
        QTest::newRow("empty address is not stored")
            << QList<FilaLibreta>{{"", 3}, {"", 0}, {"q", 0}} << QList<FilaLibreta>{{"q", 1}};
        QTest::newRow("cut to 60 characters")
            << QList<FilaLibreta>{{QString(70, 'm'), 0}} << QList<FilaLibreta>{{QString(60, 'm'), 1}};
    }

    void addressBookRebuild() {
        QFETCH(QList<FilaLibreta>, filas);
        QFETCH(QList<FilaLibreta>, expected);
        RegistroPerfiles r;
        // Whatever the old book held is gone unless the rows bring it back.
        r.reconstruirLibreta({{"old", 7}});
        QVERIFY(GuardarPerfiles(path(), r, filas));
        RegistroPerfiles leido;
        QList<FilaLibreta> cargadas;
        QVERIFY(CargarPerfiles(path(), leido, cargadas));
        QCOMPARE(cargadas, expected);
        for (const FilaLibreta& f : expected)
            QCOMPARE(leido.numeroEntrada(f.numero), f.numero);
    }

    void fullAddressBook() {
        QList<FilaLibreta> filas;
        for (int i = 1; i <= 255; ++i)
            filas.append({QStringLiteral("n%1@x.org").arg(i), i == 100 ? 0 : i});
        filas.append({QStringLiteral("extra@x.org"), 0});
        RegistroPerfiles r;
        QCOMPARE(r.reconstruirLibreta(filas), QStringList{QStringLiteral("extra@x.org")});
        QCOMPARE(r.direccion(100), QStringLiteral("n100@x.org"));
        QCOMPARE(r.direccion(255), QStringLiteral("n255@x.org"));
        // The last entry of the book sits right before the two unused bytes.
        QCOMPARE(entryOffset(255) + 62, 25734);
        QCOMPARE(r.bytes().at(entryOffset(255)), char(255));
    }

    void passwordStoredAsTypedAndTextsCut() {
        RegistroPerfiles r;
        Perfil p = withEmail("a@x.org", true);
        p.passwdPOP3 = QStringLiteral("pá$$ wörd€");
        p.servidorSMTP = QString(61, 's');
        p.loginSMTP = QStringLiteral("日本");
        p.conexionPos = -1;
        r.setPerfil(1, p);
        QVERIFY(GuardarPerfiles(path(), r, {}));
        const QByteArray bytes = readAll(path());
        const int pw = profileOffset(1) + 433;
        QCOMPARE(bytes.at(pw), char(10));
        QCOMPARE(bytes.mid(pw + 1, 10), QByteArray("p\xE1$$ w\xF6rd\x80"));
        QCOMPARE(bytes.at(profileOffset(1) + 189), char(60));
        QCOMPARE(Binary::getI32(bytes.constData() + profileOffset(1) + 124), -1);
        RegistroPerfiles leido = LeerPerfilesParaUso(path());
        QCOMPARE(leido.perfilActivo()->servidorSMTP, QString(60, 's'));
        QCOMPARE(leido.perfilActivo()->loginSMTP, QStringLiteral("??"));
        QVERIFY(!leido.perfilActivo()->quiereMarcar());
    }

    void loadAndSaveKeepsUnusedBytes() {
        QVERIFY(QFile::copy(kSamples + "tres-perfiles.pfl", path()));
        RegistroPerfiles r;
        QList<FilaLibreta> filas;
        QVERIFY(CargarPerfiles(path(), r, filas));
        QVERIFY(GuardarPerfiles(path(), r, filas));
        const QByteArray before = readAll(kSamples + "tres-perfiles.pfl");
        const QByteArray after = readAll(path());
        QCOMPARE(after.size(), 25736);
        QCOMPARE(after.mid(profileOffset(1), 496), before.mid(profileOffset(1), 496));
        QCOMPARE(after.mid(profileOffset(2), 496), before.mid(profileOffset(3), 496));
        QCOMPARE(after.mid(25734), QByteArray("\x12\x34"));
        QCOMPARE(after.at(3), char(2));
        QVERIFY(ownerOnly(path()));
    }

    void refusedFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("short") << "corto.pfl"
                               << "1000 bytes";
        QTest::newRow("empty") << "vacio.pfl"
                               << "0 bytes";
        QTest::newRow("long") << "largo.pfl"
                              << "25737 bytes";
        QTest::newRow("foreign") << "ajeno.pfl"
                                 << "format word";
        QTest::newRow("active out of range") << "activo-21.pfl"
                                             << "active profile number 21";
        QTest::newRow("missing") << "no-such-file.pfl"
                                 << "no-such-file.pfl";
        QTest::newRow("folder") << "."
                                << "not a regular file";
    }

    void refusedFiles() {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        RegistroPerfiles buffer;
        buffer.setPerfil(4, withEmail("keep@x.org"));
        QList<FilaLibreta> filas{{"keep", 1}};
        QString error;
        QVERIFY(!CargarPerfiles(kSamples + file, buffer, filas, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(error.contains(kSamples + file));
        QCOMPARE(buffer.perfil(4).emailUsuario, QStringLiteral("keep@x.org"));
        QCOMPARE(filas.size(), 1);

        // Readers that only want the active profile see none, and no addresses.
        QString why;
        const RegistroPerfiles uso = LeerPerfilesParaUso(kSamples + file, &why);
        QVERIFY(!why.isEmpty());
        QVERIFY(!uso.perfilActivo());
        QVERIFY(uso.filasLibreta().isEmpty());
    }

    void pipeIsRefusedWithoutBlocking() {
        const QString fifo = dir.filePath("pipe.pfl");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QString error;
        QVERIFY(!LeerPerfilesParaUso(fifo, &error).perfilActivo());
        QVERIFY2(error.contains("not a regular file"), qPrintable(error));
    }

    void writeFailureReportedAndReplaceTightensPermissions() {
        QVERIFY(QFile::copy(kSamples + "tres-perfiles.pfl", path()));
        QFile::setPermissions(path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        RegistroPerfiles r;
        QString error;
        QVERIFY(!EscribirArchivoPerfiles(dir.path() + "/missing-folder/QV.PFL", r, &error));
        QVERIFY(!error.isEmpty());
        // A replaced file loses the looser permissions of the old one.
        QVERIFY(EscribirArchivoPerfiles(path(), r));
        QVERIFY(ownerOnly(path()));
        QCOMPARE(readAll(path()), r.bytes());
    }
};

QTEST_GUILESS_MAIN(TestProfiles)
#include "tst_profiles.moc"
