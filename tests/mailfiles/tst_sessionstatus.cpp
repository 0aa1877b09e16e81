// The mail session's status file: what the mail client leaves for the
// reminder program, read back whole or, when damaged, as much as is sound.
#include "TestSupport.h"
#include "mailfiles/SessionStatus.h"

using namespace mailfiles;

namespace {
// One line per file, "result name recipient reason", for comparing in tables.
QStringList resumen(const EstadoSesion& e) {
    QStringList r;
    if (!e.motivoSesion.isEmpty()) r << QStringLiteral("session: ") + e.motivoSesion;
    for (const EstadoArchivo& a : e.archivos) {
        const char* w = a.resultado == ResultadoEnvio::Enviado     ? "sent"
                        : a.resultado == ResultadoEnvio::Rechazado ? "refused"
                                                                   : "not tried";
        r << QStringLiteral("%1|%2|%3|%4").arg(QLatin1String(w), a.archivo, a.destinatario, a.motivo);
    }
    return r;
}
const QByteArray kHeader = "# Mail session status written by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n";
} // namespace

class TestSessionStatus : public QObject {
    Q_OBJECT
    FixedClock m_clock;
    QTemporaryDir m_tmp;

private slots:
    void initTestCase() { testsupport::useFixedWorld(m_clock, m_tmp); }

    void writtenStatusReadsBack() {
        QTemporaryDir dir;
        const QString temp = dir.filePath(QStringLiteral("TEMP")); // made by the writer
        EstadoSesion e;
        e.anotar(QStringLiteral("/p/MAIL/Dentist_7.OUT"), ResultadoEnvio::Enviado);
        e.anotar(QStringLiteral("/p/MAIL/Gas_2.OUT"), ResultadoEnvio::Rechazado,
                 QStringLiteral("550 5.1.1 <bob@x>:\tRecipient\r\naddress rejected"),
                 QStringLiteral("bob@x"));
        e.anotar(QStringLiteral("/p/MAIL/Año_3.OUT"), ResultadoEnvio::NoIntentado,
                 QStringLiteral("first note"));
        e.anotar(QStringLiteral("/p/MAIL/Año_3.OUT"), ResultadoEnvio::NoIntentado,
                 QStringLiteral("Timed out"));
        QString error;
        QVERIFY2(EscribirEstadoSesion(temp, e, &error), qPrintable(error));

        const std::optional<EstadoSesion> back = LeerEstadoSesion(temp);
        QVERIFY(back);
        QCOMPARE(back->fin, m_clock.now());
        QCOMPARE(resumen(*back),
                 QStringList({"sent|Dentist_7.OUT||",
                              "refused|Gas_2.OUT|bob@x|550 5.1.1 <bob@x>: Recipient  address rejected",
                              "not tried|Año_3.OUT||Timed out"}));
        QVERIFY(back->fallida());
        QCOMPARE(back->noEnviados().size(), 2);

        // Taking it tells it once: the file goes.
        QVERIFY(TomarEstadoSesion(temp));
        QVERIFY(!TomarEstadoSesion(temp));
    }

    void damagedFilesAreReadAsFarAsSound_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("failed");
        QTest::newRow("empty file") << QByteArray() << false << QStringList() << false;
        QTest::newRow("not a status file")
            << QByteArray("hello\r\nFile\tsent\ta.OUT\t\t\r\n") << false << QStringList() << false;
        QTest::newRow("header only: nothing failed") << kHeader << true << QStringList() << false;
        QTest::newRow("session refused, LF ends, missing fields")
            << kHeader + "End\tnot a date\nSession\tNo active profile\nFile\tnottried\tA_1.OUT\n"
            << true << QStringList({"session: No active profile", "not tried|A_1.OUT||"}) << true;
        QTest::newRow("unknown words and lines skipped")
            << kHeader + "File\tmaybe\tB_1.OUT\t\t\r\nFile\tsent\t\t\t\r\nJunk\r\nFile\trefused\tC_2.OUT\tx@"
                         "y\t554 No\r\n"
            << true << QStringList({"refused|C_2.OUT|x@y|554 No"}) << true;
        QTest::newRow("a path never leaves its name") << kHeader + "File\tsent\t../../etc/passwd\t\t\r\n"
                                                      << true << QStringList({"sent|passwd||"}) << false;
        QTest::newRow("cut short mid-line") << kHeader + "File\tsent\tD_4.OUT\t\t\r\nFile\tref" << true
                                            << QStringList({"sent|D_4.OUT||"}) << false;
    }
    void damagedFilesAreReadAsFarAsSound() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, read);
        QFETCH(QStringList, expected);
        QFETCH(bool, failed);
        QTemporaryDir dir;
        testsupport::writeBytes(dir.filePath(QString::fromLatin1(kNombreEstadoSesion)), bytes);
        const std::optional<EstadoSesion> e = LeerEstadoSesion(dir.path());
        QCOMPARE(bool(e), read);
        if (e) {
            QCOMPARE(resumen(*e), expected);
            QCOMPARE(e->fallida(), failed);
        }
        // Taken or not, a damaged file does not stay to be read again.
        TomarEstadoSesion(dir.path());
        QVERIFY(!QFileInfo::exists(dir.filePath(QString::fromLatin1(kNombreEstadoSesion))));
    }

    void failedWriteIsToldAndKeepsNothingHalf() {
        QTemporaryDir dir;
        // A folder standing where the file should go.
        QVERIFY(QDir(dir.path()).mkpath(QString::fromLatin1(kNombreEstadoSesion) + QStringLiteral("/x")));
        EstadoSesion e;
        e.anotar(QStringLiteral("A_1.OUT"), ResultadoEnvio::Enviado);
        QString error;
        QVERIFY(!EscribirEstadoSesion(dir.path(), e, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!LeerEstadoSesion(dir.path()));
        // A file standing where the folder should go.
        testsupport::writeBytes(dir.filePath(QStringLiteral("TEMP")), "x");
        QVERIFY(!EscribirEstadoSesion(dir.filePath(QStringLiteral("TEMP")), e, &error));
        QVERIFY(!LeerEstadoSesion(dir.filePath(QStringLiteral("TEMP"))));
    }
};

QTEST_GUILESS_MAIN(TestSessionStatus)
#include "tst_sessionstatus.moc"
