// Mail that cannot be queued or sent is kept and told: outgoing files that
// cannot be written wait in memory for a later pass, and the files a mail
// session could not send are held from the send-at-once rule and told once.
#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "mailfiles/OutgoingMail.h"
#include "mailfiles/SessionStatus.h"
#include "qv/logic/ColaEmailPendiente.h"
#include "qv/logic/ResultadoSesionEmail.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace mailfiles;

namespace {
EmailSaliente mail(const QString& descripcion, int numero, QTime at) {
    EmailSaliente e;
    e.descripcion = descripcion;
    e.numero = numero;
    e.texto = "text";
    e.destinatarios << "ana@example.test";
    e.momento = QDateTime(QDate(2026, 12, 8), at);
    return e;
}
void touch(const QString& path, const QDateTime& when) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}
} // namespace

class TestMailOutcome : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    QString dirMail, dirTemp;

private slots:
    void initTestCase() {
        TextCatalogue::global().load(QStringLiteral(ORB_SOURCE_DIR "/resources/lang/en.cat"));
    }
    void init() {
        QDir(tmp.path()).removeRecursively();
        dirMail = tmp.filePath("MAIL/");
        dirTemp = tmp.filePath("TEMP/");
        QDir().mkpath(dirMail);
        QDir().mkpath(dirTemp);
    }

    // The queue file cannot be written: kept (a later occurrence replacing the
    // earlier one), named, and written at a later try once it can be.
    void unwritableQueueFileIsKeptAndWrittenLater_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("a folder where the file goes") << "MAIL/Gas_2.OUT/x";
        QTest::newRow("a file where MAIL/ should be") << "MAIL";
    }
    void unwritableQueueFileIsKeptAndWrittenLater() {
        QFETCH(QString, obstacle);
        QDir(dirMail).removeRecursively();
        if (obstacle.endsWith("/x"))
            QVERIFY(QDir().mkpath(tmp.filePath(obstacle)));
        else
            QVERIFY(QFile(tmp.filePath(obstacle)).open(QIODevice::WriteOnly));

        ColaEmailPendiente cola;
        QString error;
        QVERIFY(!cola.crear(dirMail, mail("Gas", 2, QTime(9, 0)), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!cola.crear(dirMail, mail("Gas", 2, QTime(10, 0)), &error)); // the next occurrence
        QCOMPARE(cola.avisos(), QStringList({"Gas"}));
        QVERIFY(!cola.reintentar(dirMail, &error));
        QVERIFY(!error.isEmpty());

        if (obstacle.endsWith("/x"))
            QVERIFY(QDir(tmp.filePath("MAIL/Gas_2.OUT")).removeRecursively());
        else
            QVERIFY(QFile::remove(tmp.filePath(obstacle)));
        QVERIFY(cola.reintentar(dirMail));
        QVERIFY(cola.vacia());
        QFile f(dirMail + "Gas_2.OUT");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("10:00")); // the later occurrence's dated line
    }

    void sessionOutcomeIsHeldAndToldOnce_data() {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QStringList>("toldLines"); // pieces the message holds; empty: nothing told
        QTest::addColumn<QStringList>("held");
        const QByteArray h = "# Mail session status written by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n";
        QTest::newRow("recipient refused")
            << h + "File\trefused\tDentist_7.OUT\tbob@example.test\t550 5.1.1 No such "
                   "user\r\nFile\tsent\tGas_2.OUT\t\t\r\n"
            << QStringList({"Dentist", "bob@example.test", "550 5.1.1 No such user"})
            << QStringList({"Dentist"});
        QTest::newRow("no profile: every queued file waits, each named")
            << h + "Session\tNo active profile\r\n"
            << QStringList({"No active profile", "Reminder \"Dentist\"", "Reminder \"Gas\""})
            << QStringList({"Dentist", "Gas"});
        QTest::newRow("everything sent") << h + "File\tsent\tDentist_7.OUT\t\t\r\n"
                                         << QStringList() << QStringList();
    }
    void sessionOutcomeIsHeldAndToldOnce() {
        QFETCH(QByteArray, status);
        QFETCH(QStringList, toldLines);
        QFETCH(QStringList, held);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-60);
        QVERIFY(CrearEmailSaliente(dirMail, mail("Dentist", 7, QTime(9, 0))));
        QVERIFY(CrearEmailSaliente(dirMail, mail("Gas", 2, QTime(9, 0))));
        touch(dirMail + "Dentist_7.OUT", before);
        touch(dirMail + "Gas_2.OUT", before);
        if (status.contains("\tsent\tGas")) QFile::remove(dirMail + "Gas_2.OUT"); // a sent file is gone
        auto leave = [&] {
            QFile f(dirTemp + kNombreEstadoSesion);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(status);
        };
        leave();

        ResultadoSesionEmail resultado;
        const auto told = resultado.recoger(dirTemp, dirMail);
        QCOMPARE(bool(told), !toldLines.isEmpty());
        if (told) {
            const QString text = TextoSesionEmailFallida(*told, true);
            for (const QString& piece : toldLines)
                QVERIFY2(text.contains(piece), qPrintable(text));
        }
        QVERIFY(!QFile::exists(dirTemp + kNombreEstadoSesion));
        QCOMPARE(resultado.avisosRetenidos(dirMail), held);
        // Held files do not start the client at every tick.
        QCOMPARE(resultado.hayEmailNuevo(dirMail), held.isEmpty() && !QDir(dirMail).isEmpty(QDir::Files));

        // The same failure at the next session is not told again.
        leave();
        QVERIFY(!resultado.recoger(dirTemp, dirMail));
        QCOMPARE(resultado.avisosRetenidos(dirMail), held);

        // A new occurrence written since is new mail; a manual or periodic run releases the rest.
        QVERIFY(CrearEmailSaliente(dirMail, mail("Dentist", 7, QTime(10, 0))));
        touch(dirMail + "Dentist_7.OUT", QDateTime::currentDateTime().addSecs(60));
        QVERIFY(resultado.hayEmailNuevo(dirMail));
        resultado.soltar();
        QVERIFY(resultado.avisosRetenidos(dirMail).isEmpty());
    }

    // Two open reminders files each hold a reminder "Dentist" number 7: both
    // mails stay queued (beside one queued before names carried the file), and
    // the session's word on each queue file leads back to its own reminders file.
    void sameReminderInTwoFilesKeepsTwoQueuedMails_data() {
        QTest::addColumn<int>("refused"); // which file's mail the server refused
        QTest::newRow("first file's mail refused") << 0;
        QTest::newRow("second file's mail refused") << 1;
    }
    void sameReminderInTwoFilesKeepsTwoQueuedMails() {
        QFETCH(int, refused);
        const QStringList files{tmp.filePath("home/avisos.qvm"), tmp.filePath("work/avisos.qvm")};
        QVERIFY(CrearEmailSaliente(dirMail, mail("Dentist", 7, QTime(8, 0)))); // an older, unmarked name
        ColaEmailPendiente cola;
        QStringList names;
        for (const QString& file : files) {
            EmailSaliente e = mail("Dentist", 7, QTime(9, 0));
            e.archivoAvisos = file;
            QVERIFY(cola.crear(dirMail, e));
            names << NombreEmailSaliente("Dentist", 7, file);
        }
        QVERIFY(names[0] != names[1]);
        QCOMPARE(ListarEmailSaliente(dirMail).size(), 3);
        for (const QString& path : ListarEmailSaliente(dirMail)) {
            QCOMPARE(AvisoDeEmailSaliente(path), QStringLiteral("Dentist"));
            QCOMPARE(AvisoDeArchivoEmail(QFileInfo(path).fileName()), QStringLiteral("Dentist"));
            QVERIFY(CargarEmailSaliente(path).email); // the client sends old and new names alike
        }
        QCOMPARE(ArchivoDeEmailSaliente("Dentist_7.OUT", files), QString());
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(ArchivoDeEmailSaliente(names[i], files), files[i]);
            QCOMPARE(ArchivoDeEmailSaliente(names[i], {files[1 - i]}), QString());
        }

        const QDateTime before = QDateTime::currentDateTime().addSecs(-60);
        for (const QString& path : ListarEmailSaliente(dirMail))
            touch(path, before);
        QVERIFY(QFile::remove(dirMail + names[1 - refused])); // sent
        QVERIFY(QFile::remove(dirMail + "Dentist_7.OUT"));    // sent
        EstadoSesion estado;
        estado.anotar(names[refused], ResultadoEnvio::Rechazado, "550 No such user", "bob@example.test");
        estado.anotar(names[1 - refused], ResultadoEnvio::Enviado);
        estado.anotar("Dentist_7.OUT", ResultadoEnvio::Enviado);
        QVERIFY(EscribirEstadoSesion(dirTemp, estado));

        ResultadoSesionEmail resultado;
        const auto told = resultado.recoger(dirTemp, dirMail);
        QVERIFY(told);
        QCOMPARE(told->noEnviados().size(), 1);
        QCOMPARE(ArchivoDeEmailSaliente(told->noEnviados().first().archivo, files), files[refused]);
        QVERIFY(TextoSesionEmailFallida(*told, true).contains("Dentist"));
        // With several active files, the message says which one the reminder is in.
        QVERIFY(TextoSesionEmailFallida(*told, true, files)
                    .contains(LeerTexto(20824).arg("Dentist", QFileInfo(files[refused]).fileName())));
        QCOMPARE(resultado.avisosRetenidos(dirMail), QStringList({"Dentist"}));
        QVERIFY(!resultado.hayEmailNuevo(dirMail));
    }
};

QTEST_GUILESS_MAIN(TestMailOutcome)
#include "tst_mailoutcome.moc"
