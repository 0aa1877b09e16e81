// Mail bridge files: the outgoing file byte for byte, hostile descriptions,
// the mail client's loader, incoming files, the alert lines and the received
// log, and the periodic check's decision table.
#include "core/TextCatalogue.h"
#include "mailbridge/IncomingMail.h"
#include "mailbridge/MailCheck.h"
#include "mailbridge/OutgoingMail.h"
#include "profiles/ArchivoPerfiles.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class TestMailBridge : public QObject {
    Q_OBJECT
    QString mail;
    RegistroPerfiles perfiles;

private slots:
    void initTestCase() {
        QVERIFY(TextCatalogue::global().load(ORB_SOURCE_DIR "/resources/lang/en.cat"));
        mail = QDir::currentPath() + "/MAIL/";
        QDir().mkpath(mail);
        Perfil p;
        p.activo = true;
        p.nombreUsuario = QString::fromUtf8("José Pérez");
        p.emailUsuario = "jose@example.test";
        perfiles.setPerfil(1, p);
        perfiles.hacerActivo(1);
        QList<FilaLibreta> rows;
        for (int i = 1; i <= 9; ++i) rows << FilaLibreta{QString("user%1@example.test").arg(i), 0};
        perfiles.reconstruirLibreta(rows);
    }

    void outgoingFileByteForByte() {
        RegistroAviso r;
        r.Numero = 7;
        r.Descripcion = "Dentist";
        r.Texto = "Call first\r\n  bring the card";
        r.Destinatarios[2] = 3; // slots 3 and 9
        r.Destinatarios[8] = 9;
        const QDateTime at(QDate(2026, 12, 8), QTime(10, 30, 5));
        const QStringList lines = LineasEmailSaliente(r, perfiles, at);
        const QString path = NombreEmailSaliente(mail, r.Descripcion, r.Numero);
        QCOMPARE(path, mail + "Dentist_7.OUT");
        QVERIFY(EscribirLineas(path, lines));
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.startsWith("# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n--- From ---\r\n"
                                 "Jos\xE9 P\xE9rez\r\n<jose@example.test>\r\n--- Dest ---\r\n2\r\n"
                                 "user3@example.test\r\nuser9@example.test\r\n--- Body ---\r\n"
                                 "Reminder sent by Norvo Orbalinder on "));
        QVERIFY(bytes.endsWith("\r\n\r\nReminder description:\r\nDentist\r\n\r\nReminder text:\r\n"
                               "Call first\r\n  bring the card\r\n"));

        // The mail client's side: recipients and body as they stand.
        const auto m = CargarEmailSaliente(path);
        QVERIFY(m.has_value());
        QCOMPARE(m->destinatarios, QStringList({"user3@example.test", "user9@example.test"}));
        QCOMPARE(m->cuerpo.last(), QString("  bring the card"));
        QCOMPARE(m->cuerpo.at(1), QString());

        // A later occurrence replaces the unsent file.
        QVERIFY(EscribirLineas(path, LineasEmailSaliente(r, perfiles, at.addDays(1))));
        QCOMPARE(ListaEmailSaliente(mail).size(), 1);
        BorrarEmailSaliente(mail);
        QVERIFY(!HayEmailSaliente(mail));
    }

    void noRecipientsAndNoActiveProfile() {
        RegistroAviso r;
        r.Numero = 1;
        r.Descripcion = "Solo";
        const QStringList lines = LineasEmailSaliente(r, RegistroPerfiles(), QDateTime::currentDateTime());
        QCOMPARE(lines.mid(2, 4), QStringList({"", "<>", "--- Dest ---", "0"}));
        QCOMPARE(lines.at(6), QString("--- Body ---"));
    }

    void hostileDescriptionsStayInTheFolder_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("name");
        QTest::newRow("separators") << "../../etc/passwd" << ".._.._etc_passwd_4.OUT";
        QTest::newRow("windows chars") << "a\\b:c*d?e\"f<g>h|i" << "a_b_c_d_e_f_g_h_i_4.OUT";
        QTest::newRow("control") << QString("tab\there\nnl") << "tab_here_nl_4.OUT";
        QTest::newRow("dot") << "." << "_._4.OUT";
        QTest::newRow("dots") << ".." << "_.._4.OUT";
        QTest::newRow("empty") << "" << "_4.OUT";
    }

    void hostileDescriptionsStayInTheFolder() {
        QFETCH(QString, description);
        QFETCH(QString, name);
        const QString path = NombreEmailSaliente(mail, description, 4);
        QCOMPARE(path, mail + name);
        QVERIFY(EscribirLineas(path, {"x"}));
        QCOMPARE(QFileInfo(path).absolutePath() + "/", mail);
        QFile::remove(path);
    }

    void loaderRules() {
        const QString p = mail + "x.OUT";
        writeAll(p, "hdr\r\n  --- Dest ---  \r\n258\r\na@x\r\n b@y \r\n--- Body ---\r\nline\r\n");
        auto m = CargarEmailSaliente(p);
        QVERIFY(m.has_value());
        QCOMPARE(m->destinatarios, QStringList({"a@x", " b@y "})); // 258 modulo 256, lines as they stand
        writeAll(p, "--- dest ---\r\n1\r\na@x\r\n--- Body ---\r\n");
        QString why;
        QVERIFY(!CargarEmailSaliente(p, &why).has_value()); // markers are case-sensitive
        QVERIFY(why.contains("recipients"));
        writeAll(p, "--- Dest ---\r\nmany\r\n--- Body ---\r\n");
        QVERIFY(!CargarEmailSaliente(p).has_value());
        writeAll(p, "--- Dest ---\r\n0\r\n");
        QVERIFY(!CargarEmailSaliente(p, &why).has_value());
        QVERIFY(why.contains("body"));
        QFile::remove(p);
    }

    void incomingFilesAlertAndLog() {
        const QDateTime at(QDate(2026, 12, 8), QTime(22, 5, 0));
        const QString a = EscribirEmailRecibido(mail, "Ana <ana@x>", {"----------", "after"}, at);
        const QString b = EscribirEmailRecibido(mail, "Bob <bob@x>", {"Line 1", "", "Line 2", "", "----------",
                                                                      "Orbalinder", "web"}, at);
        QVERIFY(!a.isEmpty() && !b.isEmpty() && a != b); // unique within one clock reading
        QVERIFY(QFileInfo(a).fileName().startsWith("46364"));
        QCOMPARE(ListaEmailRecibido(mail).size(), 2);

        EmailRecibido mb;
        QVERIFY(CargarEmailRecibido(b, mb));
        QCOMPARE(mb.from, QString("Bob <bob@x>"));
        QCOMPARE(LineasAlerta(mb), QStringList({"From: Bob <bob@x>", "Line 1", "Line 2", "",
                                                "__________ End of message __________", ""}));
        EmailRecibido ma;
        QVERIFY(CargarEmailRecibido(a, ma));
        QCOMPARE(LineasAlerta(ma).size(), 4); // only From and the end lines

        QFile::remove(mail + "QV_EMAIL.TXT");
        QVERIFY(RegistrarEmailRecibido(mail, ma, at)); // the first one is kept too
        QVERIFY(RegistrarEmailRecibido(mail, mb, at));
        const QByteArray log = readAll(mail + "QV_EMAIL.TXT");
        QVERIFY(log.startsWith("# Mail file created by Norvo Orbalinder 2.0. DO NOT RENAME!\r\n\r\n__________ Mail received on: "));
        QCOMPARE(log.count("__________ End of mail __________\r\n\r\n"), 2);
        QVERIFY(log.contains("From: Bob <bob@x>\r\nLine 1\r\nLine 2\r\n----------\r\nOrbalinder\r\nweb\r\n\r\n"));

        writeAll(mail + "empty.IN", "");
        EmailRecibido none;
        QVERIFY(!CargarEmailRecibido(mail + "empty.IN", none));
        for (const QString& f : ListaEmailRecibido(mail)) QFile::remove(f);
    }

    void periodicCheck_data() {
        QTest::addColumn<bool>("email");
        QTest::addColumn<bool>("sendOnCheck");
        QTest::addColumn<int>("every");
        QTest::addColumn<bool>("outgoing");
        QTest::addColumn<int>("countdown");
        QTest::addColumn<QString>("started");
        QTest::newRow("email off") << false << false << 30 << true << 0 << "";
        QTest::newRow("on-check, no period") << true << true << 0 << true << 0 << "";
        QTest::newRow("on-check, due, mail") << true << true << 10 << true << 1 << "SMTP POP3";
        QTest::newRow("on-check, due, none") << true << true << 10 << false << 1 << "XXXX POP3";
        QTest::newRow("on-check, not due") << true << true << 10 << true << 5 << "";
        QTest::newRow("at once, mail") << true << false << 10 << true << 30 << "SMTP POP3";
        QTest::newRow("at once, mail, no period") << true << false << 0 << true << 0 << "SMTP POP3";
        QTest::newRow("at once, none, due") << true << false << 10 << false << 1 << "XXXX POP3";
        QTest::newRow("at once, none, not due") << true << false << 10 << false << 5 << "";
        QTest::newRow("at once, none, no period") << true << false << 0 << false << 0 << "";
    }

    void periodicCheck() {
        QFETCH(bool, email);
        QFETCH(bool, sendOnCheck);
        QFETCH(int, every);
        QFETCH(bool, outgoing);
        QFETCH(int, countdown);
        QFETCH(QString, started);
        EstadoRevision e{email, every, sendOnCheck, outgoing, false};
        const DecisionRevision d = RevisionPeriodica(e, countdown);
        const QString got = !d.arrancar ? QString()
                                        : QString("%1 %2").arg(d.enviar ? "SMTP" : "XXXX", d.recibir ? "POP3" : "XXXX");
        QCOMPARE(got, started);
        if (d.arrancar) QCOMPARE(countdown, every * 4);
    }

    void runningClientHoldsTheCheckBack() {
        int countdown = 1;
        EstadoRevision e{true, 10, false, false, true};
        QVERIFY(!RevisionPeriodica(e, countdown).arrancar);
        QCOMPARE(countdown, 0);
        QVERIFY(!RevisionPeriodica(e, countdown).arrancar);
        QCOMPARE(countdown, -1); // below 0 while the client runs
        e.clienteEnMarcha = false;
        QVERIFY(RevisionPeriodica(e, countdown).arrancar); // first tick after it ended
    }

    void countdownText() {
        QCOMPARE(TextoRevision(true, 10, 40, "Next: ", "off"), QString("Next: 00:10"));
        QCOMPARE(TextoRevision(true, 600, 600 * 4, "Next: ", "off"), QString("Next: 10:00"));
        QCOMPARE(TextoRevision(true, 2000, 1440 * 4, "Next: ", "off"), QString("Next: 00:00")); // 24 h or more
        QCOMPARE(TextoRevision(true, 0, 40, "Next: ", "off"), QString("off"));
        QCOMPARE(TextoRevision(false, 10, 40, "Next: ", "off"), QString("off"));
    }
};

QTEST_GUILESS_MAIN(TestMailBridge)
#include "tst_mailbridge.moc"
