// The reminder program's side of mail: a due reminder with recipients queues
// its outgoing file and starts the mail client (a recording stand-in here);
// incoming files pop up in the mail alert and are logged; reminders missed
// while the program was off are caught up at start.
#include "QvTestSupport.h"
#include "RecordingServices.h"

#include "mailfiles/IncomingMail.h"
#include "mailfiles/OutgoingMail.h"
#include "platform/GlobalMarker.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/MailClientLauncher.h"
#include "qv/MessageBoxes.h"
#include "qv/TVPrincipal.h"
#include "qv/windows/TVAvisoEmail.h"
#include "qv/windows/TVPasados.h"
#include "store/ReminderFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QWindow>

namespace {
TVAvisoEmail* shownMailAlert() {
    for (QWidget* t : QApplication::topLevelWidgets())
        if (t->objectName() == "TVAvisoEmail" && t->isVisible()) return qobject_cast<TVAvisoEmail*>(t);
    return nullptr;
}
QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}
} // namespace

class TestMailFlow : public QObject {
    Q_OBJECT
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5))};
    QString file, index, standIn, argsFile;
    RecordingServices services;

    void profiles() {
        RegistroPerfiles buffer;
        QList<FilaLibreta> rows;
        const QString pfl = RutaArchivoPerfiles(QvTestSupport::programFolder());
        QVERIFY(CrearPerfiles(pfl, buffer, rows));
        Perfil p;
        p.activo = true;
        p.nombreUsuario = "Me";
        p.emailUsuario = "me@example.test";
        buffer.setPerfil(1, p);
        rows << FilaLibreta{"ana@example.test", 0} << FilaLibreta{"bob@example.test", 0};
        QVERIFY(GuardarPerfiles(pfl, buffer, rows));
    }

private slots:
    void initTestCase() {
        Clock::install(&clock);
        TVAvisoEmail::msPorMinuto = 20;
        TVPasados::msPorMinuto = 20;
        standIn = QDir::currentPath() + "/QVMC-standin.sh";
        argsFile = QDir::currentPath() + "/qvmc-args.txt";
        QFile s(standIn);
        QVERIFY(s.open(QIODevice::WriteOnly));
        s.write(QString("#!/bin/sh\necho \"$@\" >> '%1'\n").arg(argsFile).toUtf8());
        s.close();
        s.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        MailClientLauncher::setProgramaForTests(standIn);
    }

    void init() {
        QvTestSupport::prepare();
        Ajustes::setTimeOut(quint8(300));
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
        ProgramFolders::global() = ProgramFolders::from(QvTestSupport::programFolder());
        ProgramFolders::global().createWorkFolders();
        file = QvTestSupport::programFolder() + "m.QVM";
        index = ProgramFolders::global().dirTemp + "QVMsgs.IDX";
        CrearArchivoAvisos(file);
        CrearIndice(index, 0);
        QFile::remove(argsFile);
        profiles();
    }

    void dueReminderQueuesMailAndStartsTheClient() {
        RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(10, 30)));
        r.Descripcion = "Meeting";
        r.Repetir = 3;
        r.Destinatarios[0] = 2;
        r.Destinatarios[1] = 1;
        r.PorEmail = true;
        AnadirAviso(file, index, r);
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.TimerPrincipalTimer();
        const QString out =
            ProgramFolders::global().dirMail + mailfiles::NombreEmailSaliente("Meeting", 1, file);
        QVERIFY(QFile::exists(out));
        QVERIFY(readText(out).contains("--- Dest ---\r\n2\r\nbob@example.test\r\nana@example.test\r\n"));
        QTRY_COMPARE(readText(argsFile), QString("SMTP POP3 44\n")); // TimeOut 300 passes its low 8 bits

        // While a mail client runs nothing else is started.
        GlobalMarker running;
        QVERIFY(running.add("OrbalinderMC"));
        QFile::remove(argsFile);
        w.comandoEmailManualmente();
        QTest::qWait(100);
        QVERIFY(!QFile::exists(argsFile));
        running.remove();
        w.comandoEmailManualmente();
        QTRY_COMPARE(readText(argsFile), QString("SMTP POP3 44\n"));
    }

    // A queue file that cannot be written is told once, shown in the status bar
    // and written at a later pass; a session that could not send is told once
    // (reminder, recipient, the server's words) and its file waits for the
    // next periodic check or a manual run instead of restarting the client at
    // every tick.
    void mailThatCannotBeQueuedOrSentIsTold() {
        RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(10, 30)));
        r.Descripcion = "Meeting";
        r.Repetir = 3;
        r.Destinatarios[0] = 2;
        r.PorEmail = true;
        AnadirAviso(file, index, r);
        const QString out =
            ProgramFolders::global().dirMail + mailfiles::NombreEmailSaliente("Meeting", 1, file);
        QFile::remove(out);
        QVERIFY(QDir().mkpath(out + "/x")); // a folder where the file would go
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.TimerPrincipalTimer();
        QCoreApplication::processEvents();
        auto* panel = w.findChild<QLabel*>("BarraFalloCorreo");
        QVERIFY(!panel->isHidden() && panel->text().contains("Meeting"));
        QCOMPARE(MessageBoxes::shownTexts().size(), 1);
        QVERIFY(MessageBoxes::shownTexts().first().contains("\"Meeting\""));

        QVERIFY(QDir(out).removeRecursively());
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 31, 5)));
        w.TimerPrincipalTimer();
        QCoreApplication::processEvents();
        QVERIFY(QFile::exists(out));
        QVERIFY(panel->isHidden());
        QCOMPARE(MessageBoxes::shownTexts().size(), 1); // told once
        QTRY_COMPARE(readText(argsFile), QString("SMTP POP3 44\n"));

        // The client's session was refused by the server.
        QFile::remove(argsFile);
        QFile status(ProgramFolders::global().dirTemp + "QV_MAILSTATUS.TXT");
        QVERIFY(status.open(QIODevice::WriteOnly));
        status.write("# Mail session status written by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n"
                     "File\trefused\t" +
                     QFileInfo(out).fileName().toUtf8() + "\tbob@example.test\t550 5.1.1 No such user\r\n");
        status.close();
        QFile(out).setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
        w.TimerEmailTimer();
        QCoreApplication::processEvents();
        QCOMPARE(MessageBoxes::shownTexts().size(), 2);
        const QString told = MessageBoxes::shownTexts().last();
        QVERIFY2(told.contains("Meeting") && told.contains("bob@example.test") && told.contains("550 5.1.1"),
                 qPrintable(told));
        for (int tick = 0; tick < 3; ++tick) { // not restarted at every tick
            clock.set(clock.now().addSecs(15));
            w.TimerPrincipalTimer();
        }
        QTest::qWait(100);
        QVERIFY(!QFile::exists(argsFile));
        w.comandoEmailManualmente(); // by hand it goes
        QTRY_COMPARE(readText(argsFile), QString("SMTP POP3 44\n"));
    }

    // With no usable profile the real mail client ends at once and leaves its
    // outcome: the failure is told once, naming the reminder, and the client is
    // not started again at every tick while the file waits.
    void noUsableProfileIsToldOnceAndNotRetriedAtEveryTick() {
        QVERIFY(QFile::remove(RutaArchivoPerfiles(QvTestSupport::programFolder())));
        qputenv("ORB_NO_DIALOGS", "1");
        MailClientLauncher::setProgramaForTests(ORB_BINARY_DIR "/src/qvmc/QVMC");
        const auto back = qScopeGuard([this] { MailClientLauncher::setProgramaForTests(standIn); });
        Ajustes::setSendOnCheck(false); // queued mail goes at once
        Ajustes::setEraseUnsent(false);
        Ajustes::setCheckEmailEvery(5);
        RegistroAviso later = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 9), QTime(9, 0)));
        later.Descripcion = "Later";
        AnadirAviso(file, index, later);
        QFile queued(ProgramFolders::global().dirMail + "Dentist_1.OUT");
        QVERIFY(queued.open(QIODevice::WriteOnly));
        queued.write("# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n--- From ---\r\n\r\n<>\r\n"
                     "--- Dest ---\r\n1\r\nbob@example.test\r\n--- Body ---\r\nx\r\n");
        queued.close();
        const QString log = ProgramFolders::global().dirTemp + "QV_LOG.TXT";
        QFile::remove(log);
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.TimerPrincipalTimer(); // the file waits: the client starts at once
        QTRY_VERIFY_WITH_TIMEOUT(readText(log).contains("End of Session") && !MailClientLauncher::enMarcha(),
                                 15000);
        for (int tick = 0; tick < 12; ++tick) { // three minutes
            clock.set(clock.now().addSecs(15));
            w.TimerPrincipalTimer();
            w.TimerEmailTimer();
            QTest::qWait(20);
            QTRY_VERIFY_WITH_TIMEOUT(!MailClientLauncher::enMarcha(), 15000);
        }
        QCOMPARE(readText(log).count("Session date and time"), 1);
        QVERIFY(queued.exists());
        QTRY_COMPARE(MessageBoxes::shownTexts().size(), 1);
        QVERIFY2(MessageBoxes::shownTexts().first().contains("\"Dentist\""),
                 qPrintable(MessageBoxes::shownTexts().first()));
    }

    void emailSwitchRestartsTheCountdown() {
        Ajustes::setCheckEmailEvery(10);
        TVPrincipal w(services);
        auto* panel = w.findChild<QLabel*>("BarraEmail");
        QCOMPARE(panel->text(), LeerTexto(1401) + "00:10");
        w.comandoDesactEmail(true);
        QVERIFY(!Ajustes::email());
        QVERIFY(!w.timerEmail()->isActive());
        QCOMPARE(panel->text(), LeerTexto(1402));
        w.comandoDesactEmail(true);
        QVERIFY(Ajustes::email());
        QVERIFY(w.timerEmail()->isActive());
    }

    void incomingMailPopsUpAndIsLogged() {
        const QString mail = ProgramFolders::global().dirMail;
        QFile::remove(mail + "QV_EMAIL.TXT");
        mailfiles::EscribirEmailRecibido(mail, "Ana <ana@x>", QStringList{"Party"} + mailfiles::PieMensaje());
        mailfiles::EscribirEmailRecibido(mail, "Bob <bob@x>", {"Lunch"});
        TVPrincipal w(services);
        Ajustes::setCloseMsgs(0);
        w.TimerEmailTimer();
        auto* alert = shownMailAlert();
        QVERIFY(alert);
        QVERIFY(alert->findChild<QPushButton*>("BotonAnadirAvisos")->isHidden()); // no reminder of ours
        const QString text = alert->memo()->toPlainText();
        QVERIFY(text.startsWith("From: Ana <ana@x>\nParty\n\n__________ End of message __________"));
        QVERIFY(text.contains("From: Bob <bob@x>\nLunch"));
        QVERIFY(!mailfiles::HayEmailRecibido(mail));
        QCOMPARE(readText(mail + "QV_EMAIL.TXT").count("__________ End of mail __________"), 2);
        QVERIFY(w.timerEmail()->isActive());
        w.mostrarFlagMail(true);
        QTest::mouseClick(alert->findChild<QPushButton*>("BotonCerrar"), Qt::LeftButton);
        QVERIFY(w.findChild<QLabel*>("FlagMailRecibido")->isHidden()); // closed by the user
    }

    // The mail alert takes no focus; a reminder another installation sent is
    // added to the open file with one button, as one step of Undo, and told.
    void receivedReminderIsAddedWithOneButton() {
        const QString mail = ProgramFolders::global().dirMail;
        mailfiles::EmailSaliente sent;
        sent.descripcion = "Dentist";
        sent.texto = "Call first";
        const QStringList out = mailfiles::LineasEmailSaliente(sent);
        mailfiles::EscribirEmailRecibido(mail, "Ana <ana@x>",
                                         out.mid(out.indexOf("--- Body ---") + 1) + mailfiles::PieMensaje());
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Ajustes::setCloseMsgs(0);
        w.TimerEmailTimer();
        auto* alert = shownMailAlert();
        QVERIFY(alert);
        auto cerrar = qScopeGuard([alert] { alert->close(); });
        QVERIFY(alert->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(alert->windowHandle()->flags() & Qt::WindowDoesNotAcceptFocus);
        QCOMPARE(QApplication::activeWindow(), &w);
        auto* anadir = alert->findChild<QPushButton*>("BotonAnadirAvisos");
        QVERIFY(anadir->isVisible());
        QCOMPARE(anadir->text(), LeerTexto(20814));
        MessageBoxes::shownTexts().clear();
        anadir->click();
        QCOMPARE(ContarAvisos(file), 1);
        const RegistroAviso r = LeerAviso(file, 1);
        QCOMPARE(r.Descripcion, QString("Dentist"));
        QCOMPARE(r.Texto, QString("Call first"));
        QVERIFY(r.Activo && r.Repetir == 0);
        QCOMPARE(QDateTime(r.fechaProx(), r.horaProx()), QDateTime(QDate(2026, 12, 8), QTime(11, 30)));
        QCOMPARE(MessageBoxes::shownTexts(),
                 QStringList{LeerTexto(20815).arg("Dentist", "08-dic-2026 11:30")});
        QVERIFY(!anadir->isEnabled()); // added once
        w.comandoDeshacer();
        QCOMPARE(ContarAvisos(file), 0);
    }

    void unreadableIncomingFileIsSetAside() {
        const QString mail = ProgramFolders::global().dirMail;
        QFile empty(mail + "0000.IN");
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        mailfiles::EscribirEmailRecibido(mail, "Carl <c@x>", {"Hi"});
        Ajustes::setSaveReceived(false);
        Ajustes::setCloseMsgs(1);
        TVPrincipal w(services);
        w.TimerEmailTimer();
        QVERIFY(QFile::exists(mail + "0000.IN.BAD")); // kept, no longer retried
        QVERIFY(!mailfiles::HayEmailRecibido(mail));
        // Closed by itself after a "minute": the flag shows.
        QTRY_VERIFY(!w.findChild<QLabel*>("FlagMailRecibido")->isHidden());
    }

    void remindersMissedWhileOffAreCaughtUpAtStart() {
        RegistroAviso daily = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
        daily.Descripcion = "Daily";
        daily.Repetir = 3;
        daily.Destinatarios[0] = 1;
        daily.PorEmail = true;
        RegistroAviso later = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(11, 0)));
        later.Descripcion = "Later";
        later.Repetir = 0;
        AnadirAviso(file, index, daily);
        AnadirAviso(file, index, later);
        Ajustes::setOpenFile(file);
        Ajustes::setCloseMsgs(1); // the window closes itself after one short "minute"
        TVPrincipal w(services);
        QCOMPARE(LeerAviso(file, 1).fechaProx(), QDate(2026, 12, 9)); // 08:00 is gone today
        QCOMPARE(LeerAviso(file, 2).fechaProx(), QDate(2026, 12, 8)); // not past, untouched
        QVERIFY(QFile::exists(ProgramFolders::global().dirMail +
                              mailfiles::NombreEmailSaliente("Daily", 1, file)));
        QCOMPARE(w.numAvisos(), 2);
    }
};

QTEST_MAIN(TestMailFlow)
#include "tst_mailflow.moc"
