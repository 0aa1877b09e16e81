// Outgoing mail files: the exact bytes written, the queue tests, names made
// from hostile descriptions, and what the mail client loads back.
#include "TestSupport.h"
#include "core/Cp1252.h"
#include "mailfiles/MailFileText.h"
#include "mailfiles/OutgoingMail.h"

#include <QDirIterator>

using namespace mailfiles;

class TestOutgoingMail : public QObject {
    Q_OBJECT
    FixedClock m_clock;
    QTemporaryDir m_tmp;
    QString m_mail;

    EmailSaliente dentist() {
        EmailSaliente e;
        e.descripcion = QStringLiteral("Dentist");
        e.numero = 7;
        e.texto = QStringLiteral("Bring the card");
        e.remitenteNombre = QStringLiteral("Ana Pérez");
        e.remitenteDireccion = QStringLiteral("ana@example.org");
        return e;
    }

private slots:
    void initTestCase() { testsupport::useFixedWorld(m_clock, m_tmp); }
    void init() {
        m_mail = m_tmp.filePath(QStringLiteral("MAIL-%1/").arg(QTest::currentTestFunction()) +
                                QString::fromLatin1(QTest::currentDataTag() ? QTest::currentDataTag() : ""));
        QDir(m_mail).removeRecursively();
        QVERIFY(QDir().mkpath(m_mail));
    }

    void writesExactBytesWithoutRecipients() {
        QVERIFY(CrearEmailSaliente(m_mail, dentist()));
        const QByteArray expected = "# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n"
                                    "--- From ---\r\n"
                                    "Ana P\xE9rez\r\n"
                                    "<ana@example.org>\r\n"
                                    "--- Dest ---\r\n"
                                    "0\r\n"
                                    "--- Body ---\r\n"
                                    "Message created on 08/12/2026 10:42:17\r\n"
                                    "\r\n"
                                    "Reminder:\r\n"
                                    "Dentist\r\n"
                                    "\r\n"
                                    "Text:\r\n"
                                    "Bring the card\r\n";
        QCOMPARE(testsupport::readAll(m_mail + "Dentist_7.OUT"), expected);

        const ResultadoCarga r = CargarEmailSaliente(m_mail + "Dentist_7.OUT");
        QVERIFY(r.email);
        QVERIFY(r.email->destinatarios.isEmpty());
        QCOMPARE(r.email->cuerpo.first(), QStringLiteral("Message created on 08/12/2026 10:42:17"));
        QCOMPARE(r.email->cuerpo.last(), QStringLiteral("Bring the card"));
    }

    void writesRecipientsInSlotOrderAndTextLines() {
        EmailSaliente e = dentist();
        // Slots 3 and 9: the caller passes the two addresses in slot order; an
        // empty address-book entry still gives its (empty) line.
        e.destinatarios = {QStringLiteral("slot3@example.org"), QString()};
        e.texto = QStringLiteral("first\nsecond\r\n  third\r\n");
        QVERIFY(CrearEmailSaliente(m_mail, e));
        const QByteArray bytes = testsupport::readAll(m_mail + "Dentist_7.OUT");
        QVERIFY2(bytes.contains("--- Dest ---\r\n2\r\nslot3@example.org\r\n\r\n--- Body ---\r\n"), bytes);
        QVERIFY2(bytes.endsWith("Text:\r\nfirst\r\nsecond\r\n  third\r\n\r\n"), bytes);

        const ResultadoCarga r = CargarEmailSaliente(m_mail + "Dentist_7.OUT");
        QVERIFY(r.email);
        QCOMPARE(r.email->destinatarios, QStringList({QStringLiteral("slot3@example.org"), QString()}));
        QCOMPARE(r.email->cuerpo.mid(6), QStringList({"first", "second", "  third", ""}));
    }

    void cutsSenderAndKeepsValuesOnTheirLines() {
        EmailSaliente e = dentist();
        e.remitenteNombre = QString(70, u'n');
        e.remitenteDireccion = QString(80, u'a');
        e.texto.clear();
        // A line break inside an address must not shift the recipients or fake a marker.
        e.destinatarios = {QStringLiteral("x@y\r\n--- Body ---"), QStringLiteral("z@w")};
        QVERIFY(CrearEmailSaliente(m_mail, e));
        const QStringList lines = *leerLineas(m_mail + "Dentist_7.OUT");
        QCOMPARE(lines[2], QString(60, u'n'));
        QCOMPARE(lines[3], u'<' + QString(60, u'a') + u'>');
        QCOMPARE(lines[5], QStringLiteral("2"));
        QCOMPARE(lines[6], QStringLiteral("x@y  --- Body ---"));
        QCOMPARE(lines.last(), QString()); // an empty text still ends the file with its line
        QVERIFY(testsupport::readAll(m_mail + "Dentist_7.OUT").endsWith("Text:\r\n\r\n"));
        QCOMPARE(CargarEmailSaliente(lines).email->destinatarios.size(), 2);
    }

    void dueTwiceLeavesOneFileWithTheLaterDate() {
        QVERIFY(CrearEmailSaliente(m_mail, dentist()));
        m_clock.advanceSecs(3600);
        QVERIFY(CrearEmailSaliente(m_mail, dentist()));
        m_clock.advanceSecs(-3600);
        QCOMPARE(ListarEmailSaliente(m_mail), QStringList{m_mail + "Dentist_7.OUT"});
        QVERIFY(testsupport::readAll(m_mail + "Dentist_7.OUT").contains("08/12/2026 11:42:17\r\n"));
        QCOMPARE(QDir(m_mail).entryList(QDir::Files | QDir::Hidden).size(), 1); // no work file left
    }

    void hostileDescriptionsStayInsideMail_data() {
        QTest::addColumn<QString>("descripcion");
        QTest::addColumn<QString>("nombre");
        QTest::newRow("parent") << ".."
                                << ".._7.OUT";
        QTest::newRow("dot") << "."
                             << "._7.OUT";
        QTest::newRow("empty") << ""
                               << "_7.OUT";
        QTest::newRow("escape") << "../../etc/passwd"
                                << ".._.._etc_passwd_7.OUT";
        QTest::newRow("absolute") << "/tmp/x"
                                  << "_tmp_x_7.OUT";
        QTest::newRow("backslash") << "..\\..\\x"
                                   << ".._.._x_7.OUT";
        QTest::newRow("windows") << "a:b*c?d\"e<f>g|h"
                                 << "a_b_c_d_e_f_g_h_7.OUT";
        QTest::newRow("controls") << QStringLiteral("a\tb\nc\x7F") << "a_b_c__7.OUT";
        QTest::newRow("long") << QString(300, u'x') << QString(30, u'x') + "_7.OUT";
        QTest::newRow("blanks") << "  Call Mum  "
                                << "  Call Mum  _7.OUT";
        QTest::newRow("ends like a number") << "Gas_2"
                                            << "Gas_2_7.OUT";
    }
    void hostileDescriptionsStayInsideMail() {
        QFETCH(QString, descripcion);
        QFETCH(QString, nombre);
        QCOMPARE(NombreEmailSaliente(descripcion, 7), nombre);
        QCOMPARE(AvisoDeEmailSaliente(nombre), nombre.chopped(6)); // as the file name keeps it
        EmailSaliente e = dentist();
        e.descripcion = descripcion;
        QVERIFY(CrearEmailSaliente(m_mail, e));
        // Exactly one new file, directly inside MAIL, and nothing beside MAIL.
        QCOMPARE(QDir(m_mail).entryList(QDir::Files | QDir::Hidden), QStringList{nombre});
        QCOMPARE(HayEmailSaliente(m_mail), true);
        QDirIterator it(m_tmp.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            QVERIFY2(f.startsWith(m_tmp.filePath("MAIL-")) || f.endsWith("catalogue.cat"), qPrintable(f));
        }
    }

    void linkInPlaceOfFileIsReplacedNotFollowed() {
        const QString outside = m_tmp.filePath("precious.txt");
        testsupport::writeBytes(outside, "precious");
        QVERIFY(QFile::link(outside, m_mail + "Dentist_7.OUT"));
        QVERIFY(CrearEmailSaliente(m_mail, dentist()));
        QCOMPARE(testsupport::readAll(outside), QByteArray("precious"));
        QVERIFY(!QFileInfo(m_mail + "Dentist_7.OUT").isSymLink());
        QVERIFY(testsupport::readAll(m_mail + "Dentist_7.OUT").startsWith("# File created"));
    }

    void queueCountsListsAndErases() {
        QCOMPARE(HayEmailSaliente(m_mail), false);
        QCOMPARE(ContarEmailSaliente(m_mail + "missing/"), 0);
        testsupport::writeBytes(m_mail + "b_2.OUT", "x");
        testsupport::writeBytes(m_mail + ".hidden_3.OUT", "x");
        testsupport::writeBytes(m_mail + "copied_4.out", "x"); // letter case as on Windows
        testsupport::writeBytes(m_mail + "mail.IN", "x");
        testsupport::writeBytes(m_mail + "QV_EMAIL.TXT", "x");
        QVERIFY(QDir().mkpath(m_mail + "folder.OUT"));
        QCOMPARE(ContarEmailSaliente(m_mail), 3);
        QCOMPARE(ListarEmailSaliente(m_mail),
                 QStringList({m_mail + ".hidden_3.OUT", m_mail + "b_2.OUT", m_mail + "copied_4.out"}));
        QCOMPARE(BorrarEmailSaliente(m_mail),
                 QStringList({m_mail + ".hidden_3.OUT", m_mail + "b_2.OUT", m_mail + "copied_4.out"}));
        QCOMPARE(HayEmailSaliente(m_mail), false);
        QVERIFY(QFile::exists(m_mail + "mail.IN"));
        QVERIFY(QFile::exists(m_mail + "QV_EMAIL.TXT"));
    }

    void failedSaveKeepsOldFile() {
        // MAIL is a plain file: nothing can be saved in it.
        const QString notAFolder = m_mail + "plain";
        testsupport::writeBytes(notAFolder, "keep");
        QString error;
        QVERIFY(!CrearEmailSaliente(notAFolder + "/", dentist(), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(testsupport::readAll(notAFolder), QByteArray("keep"));
    }

    void loads_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("error");
        QTest::addColumn<QStringList>("recipients");
        QTest::addColumn<QStringList>("body");
        const QByteArray head =
            "# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n--- From ---\r\nA\r\n<a@b>\r\n";
        const int ok = int(ErrorCarga::Ninguno);
        QTest::newRow("count 258 is 2")
            << head + "--- Dest ---\r\n258\r\none@x\r\ntwo@x\r\n--- Body ---\r\nhi\r\n"
            << ok << QStringList{"one@x", "two@x"} << QStringList{"hi"};
        QTest::newRow("markers with blanks")
            << head + "  --- Dest ---\t\r\n 1 \r\n  padded@x \r\n \t--- Body ---  \r\nhi\r\n"
            << ok << QStringList{"  padded@x "} << QStringList{"hi"};
        QTest::newRow("body keeps empty lines and blanks")
            << head + "--- Dest ---\r\n0\r\n--- Body ---\r\n\r\n  indented\r\n\r\nend" << ok << QStringList{}
            << QStringList{"", "  indented", "", "end"};
        QTest::newRow("lf only and no header") << QByteArray("--- Dest ---\n1\nr@x\n--- Body ---\nb\n") << ok
                                               << QStringList{"r@x"} << QStringList{"b"};
        QTest::newRow("negative count wraps") << head + "--- Dest ---\r\n-255\r\nr@x\r\n--- Body ---\r\n"
                                              << ok << QStringList{"r@x"} << QStringList{};
        QTest::newRow("lower-case dest")
            << head + "--- dest ---\r\n0\r\n--- Body ---\r\nb\r\n"
            << int(ErrorCarga::SinDestinatarios) << QStringList{} << QStringList{};
        QTest::newRow("lower-case body") << head + "--- Dest ---\r\n0\r\n--- BODY ---\r\nb\r\n"
                                         << int(ErrorCarga::SinCuerpo) << QStringList{} << QStringList{};
        QTest::newRow("count not a number")
            << head + "--- Dest ---\r\ntwo\r\n--- Body ---\r\n"
            << int(ErrorCarga::CuentaNoNumerica) << QStringList{} << QStringList{};
        QTest::newRow("count too big") << head + "--- Dest ---\r\n99999999999\r\n--- Body ---\r\n"
                                       << int(ErrorCarga::CuentaNoNumerica) << QStringList{} << QStringList{};
        QTest::newRow("count missing at end")
            << head + "--- Dest ---\r\n"
            << int(ErrorCarga::CuentaNoNumerica) << QStringList{} << QStringList{};
        QTest::newRow("file ends inside recipients")
            << head + "--- Dest ---\r\n5\r\na@x\r\n"
            << int(ErrorCarga::FaltanDestinatarios) << QStringList{} << QStringList{};
        QTest::newRow("empty file") << QByteArray() << int(ErrorCarga::SinDestinatarios) << QStringList{}
                                    << QStringList{};
        QTest::newRow("binary junk") << QByteArray("\0\xFF\r\r\n\x01--- Dest ---", 16)
                                     << int(ErrorCarga::SinDestinatarios) << QStringList{} << QStringList{};
    }
    void loads() {
        QFETCH(QByteArray, file);
        QFETCH(int, error);
        QFETCH(QStringList, recipients);
        QFETCH(QStringList, body);
        testsupport::writeBytes(m_mail + "t_1.OUT", file);
        const ResultadoCarga r = CargarEmailSaliente(m_mail + "t_1.OUT");
        QCOMPARE(int(r.error), error);
        QCOMPARE(bool(r.email), error == int(ErrorCarga::Ninguno));
        if (r.email) {
            QCOMPARE(r.email->destinatarios, recipients);
            QCOMPARE(r.email->cuerpo, body);
        }
    }

    void unreadableFileIsNotSendable() {
        QCOMPARE(int(CargarEmailSaliente(m_mail + "absent.OUT").error), int(ErrorCarga::Ilegible));
        QVERIFY(QDir().mkpath(m_mail + "dir.OUT"));
        QVERIFY(!CargarEmailSaliente(m_mail + "dir.OUT").email);
    }

    void buscarLinea() {
        const QStringList lines{"x", "\t--- Body ---\x01", "--- Body ---"};
        QCOMPARE(BuscarLinea(lines, "--- Body ---"), 2);
        QCOMPARE(BuscarLinea(lines, "--- body ---"), 0);
        QCOMPARE(BuscarLinea({}, "--- Body ---"), 0);
        QCOMPARE(BuscarLinea({"---  Body ---"}, "--- Body ---"), 0);
    }
};

QTEST_GUILESS_MAIN(TestOutgoingMail)
#include "tst_outgoingmail.moc"
