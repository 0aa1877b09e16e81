// The main window driven headless through its object names: start sequence,
// commands per state, sorting, deleting, switching, log review, the due-check
// cycle with an injected clock, and the catch-up of minutes no pass saw.
#include "QvTestSupport.h"
#include "RecordingServices.h"

#include "alerts/AlertHost.h"
#include "alerts/AlertWindowBase.h"
#include "alerts/AvisosPospuestos.h"
#include "alerts/TVAviso.h"
#include "alerts/TVAvisoEx.h"
#include "core/DisplayFormats.h"
#include "mailfiles/OutgoingMail.h"
#include "platform/Autostart.h"
#include "qv/MessageBoxes.h"
#include "qv/ReminderListModel.h"
#include "qv/TVPrincipal.h"
#include "qv/logic/ArchivosActivos.h"
#include "qv/prefs/TVPreferencias.h"
#include "settings/Ajustes.h"
#include "store/ReminderFile.h"
#include "store/ReminderIdentities.h"
#include "tray/TSystemTrayIcon.h"
#include "ui/HelpPages.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace {
RegistroAviso aviso(const QString& desc, QDate d, QTime t, int repetir = 3) {
    RegistroAviso r = RegistroAviso::nuevo(QDateTime(d, t));
    r.Descripcion = desc;
    r.Texto = desc + " text";
    r.setFechaProx(d);
    r.setHoraProx(t);
    r.Repetir = static_cast<quint8>(repetir);
    return r;
}

QStringList columna(TVPrincipal& w, int c) {
    QStringList out;
    for (int row = 0; row < w.listModel()->rowCount(); ++row)
        out << w.listModel()->data(w.listModel()->index(row, c), Qt::DisplayRole).toString();
    return out;
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(10, 29, 50))};
    QString file;
    RecordingServices services;

    QString indexPath() const { return ProgramFolders::global().dirTemp + "QVMsgs.IDX"; }

    void fillFile(const QList<RegistroAviso>& records) {
        CrearArchivoAvisos(file);
        QDir().mkpath(ProgramFolders::global().dirTemp);
        for (const auto& r : records)
            AnadirAviso(file, indexPath(), r);
    }

private slots:
    void initTestCase() { Clock::install(&clock); }

    void init() {
        QvTestSupport::prepare();
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 29, 50)));
        services = RecordingServices();
        file = QvTestSupport::programFolder() + "avisos.QVM";
        QFile::remove(file);
        ProgramFolders::global() = ProgramFolders::from(QvTestSupport::programFolder());
    }

    void startSequenceWithoutFile() {
        QDir().mkpath("TEMP");
        QFile stale("TEMP/QVMsgs.IDX");
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        TVPrincipal w(services);
        QCOMPARE(w.windowTitle(), QString("Norvo Orbalinder 2.0"));
        QVERIFY(QDir("MAIL").exists() && QDir("TEMP").exists());
        QVERIFY(!QFile::exists("TEMP/QVMsgs.IDX"));
        QCOMPARE(w.findChild<QAction*>("MANuevoAvisos")->text(), QString("&Nuevo archivo de avisos"));
        QCOMPARE(w.findChild<QToolButton*>("SpeedCrearAviso")->toolTip(), QString("Crear aviso"));
        QCOMPARE(w.findChild<QLabel*>("BarraFecha")->text(), QString("mar 08-dic-2026"));
        QVERIFY(!w.findChild<QAction*>("MPPCrearAviso")->isEnabled());
        QVERIFY(!w.findChild<QToolButton*>("SpeedEditarAviso")->isEnabled());
        QVERIFY(w.findChild<QLabel*>("FlagAvisoMostrado")->isHidden());
        QVERIFY(w.timerPrincipal()->isActive());
        QVERIFY(w.findChild<QToolButton*>("SpeedDesactAvisos")->isChecked());
        QVERIFY(!w.findChild<QAction*>("MFDesactAvisos")->isChecked());
        w.comandoSalir();
        QVERIFY(!QFile::exists("TEMP/QVMsgs.IDX"));
    }

    // The close box never stops the reminders silently: with a notification
    // area the window goes there (told once ever), without one the user is
    // asked; File -> Exit ends the program.
    void closeBoxKeepsTheProgramRunning_data() {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("ends");
        QTest::newRow("tray") << true << QMessageBox::NoButton << false;
        QTest::newRow("no tray, answered No") << false << QMessageBox::No << false;
        QTest::newRow("no tray, answered Yes") << false << QMessageBox::Yes << true;
    }
    void closeBoxKeepsTheProgramRunning() {
        QFETCH(bool, tray);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, ends);
        services.withTray = tray;
        TVPrincipal w(services);
        QSignalSpy exited(&w, &TVPrincipal::exitSequenceDone);
        auto* menu = w.findChild<QMenu*>("PopMenuTray");
        QVERIFY(menu);
        QCOMPARE(menu->defaultAction()->objectName(), QString("MAMostrarVentana"));
        QVERIFY(menu->actions().contains(w.findChild<QAction*>("MAPreferencias")));
        for (int time = 0; time < 2; ++time) {
            w.show();
            if (answer != QMessageBox::NoButton) MessageBoxes::queueAnswer(answer);
            w.close();
            QCOMPARE(exited.size(), ends ? 1 : 0);
            QCOMPARE(w.isVisible(), !tray && !ends);
            if (ends) return;
        }
        QCOMPARE(services.trayMessages.filter(LeerTexto(20203)).size(),
                 tray ? 1 : 0); // the first time ever only
        QCOMPARE(Ajustes::trayNoticeShown(), tray);
        menu->defaultAction()->trigger();
        QVERIFY(w.isVisible());
        QCOMPARE(w.focusWidget(), w.findChild<QTableView*>("ListaAvisos")); // the list takes the keys
        w.findChild<QAction*>("MASalir")->trigger();
        QCOMPARE(exited.size(), 1);
    }

    // The start that makes the start-at-login entry tells so once: in the
    // notification area, or without one in a box that holds nothing up.
    void loginEntryIsToldOnce_data() {
        QTest::addColumn<bool>("tray");
        QTest::newRow("notification area") << true;
        QTest::newRow("none") << false;
    }
    void loginEntryIsToldOnce() {
        QFETCH(bool, tray);
        services.withTray = tray;
        QFile::remove(Autostart::entryPath());
        QFile::remove(Hives::userHivePath()); // a first start
        MessageBoxes::shownTexts().clear();
        for (int start = 0; start < 2; ++start) {
            TVPrincipal w(services);
            QVERIFY(Ajustes::ExisteArranqueWindows());
            QCOMPARE(services.trayMessages.filter(LeerTexto(20807)).size(), tray ? 1 : 0);
            QCOMPARE(MessageBoxes::shownTexts().filter(LeerTexto(20807)).size(), tray ? 0 : 1);
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
        }
    }

    void commandsFollowTheFileState() {
        TVPrincipal w(services);
        w.comandoNuevoArchivo(file);
        QCOMPARE(w.windowTitle(), QString("Norvo Orbalinder 2.0 - avisos.QVM"));
        QCOMPARE(Ajustes::openFile(), file);
        QVERIFY(w.findChild<QAction*>("MPPCrearAviso")->isEnabled());
        QVERIFY(!w.findChild<QAction*>("MPPEditarAviso")->isEnabled());
        fillFile({aviso("uno", QDate(2026, 12, 9), QTime(9, 0))});
        w.AbrirArchivoAvisos(file);
        QCOMPARE(w.numAvisos(), 1);
        QVERIFY(w.findChild<QAction*>("MPPEditarAviso")->isEnabled());
        QVERIFY(w.findChild<QToolButton*>("SpeedEliminarAviso")->isEnabled());
    }

    // A file-system failure (a folder standing where a file goes, a file where
    // a folder goes) is told once, names what it concerns, and changes nothing
    // else: a new file that cannot be made leaves the open one open, an
    // unattended alert the log cannot take, mail still unqueued at exit, and
    // unsent mail deleted at start by the user's choice.
    void fileFailuresAreToldOnce_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("obstacle"); // in the program folder; ending in "/": a folder
        QTest::newRow("new file where a folder stands") << "new file"
                                                        << "nuevo.QVM/";
        QTest::newRow("new file inside a plain file") << "new file"
                                                      << "plano";
        QTest::newRow("shown-messages log where a folder stands") << "alerts close"
                                                                  << "MAIL/QV_MSGS.TXT/";
        // Where the queue file of the open file's "Reunion" goes.
        const QString reunion =
            mailfiles::NombreEmailSaliente("Reunion", 1, QvTestSupport::programFolder() + "avisos.QVM");
        QTest::newRow("exit with mail still unqueued") << "exit"
                                                       << "MAIL/" + reunion + "/";
        QTest::newRow("unsent mail deleted at start") << "start"
                                                      << "MAIL/Gas_2.OUT";
    }
    void fileFailuresAreToldOnce() {
        QFETCH(QString, action);
        QFETCH(QString, obstacle);
        const QString path = QvTestSupport::programFolder() + obstacle;
        const auto clear = [path] {
            QFile::remove(path);
            QDir(path).removeRecursively();
        };
        clear();
        const auto cleanup = qScopeGuard([&] {
            clear();
            AlertWindowBase::setMillisecondsPerMinute(60000);
        });
        QDir().mkpath(QvTestSupport::programFolder() + "MAIL");
        if (obstacle.endsWith('/')) {
            QVERIFY(QDir().mkpath(path + "x"));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        RegistroAviso reunion = aviso("Reunion", QDate(2026, 12, 8), QTime(10, 30));
        reunion.Destinatarios[0] = 1;
        reunion.PorEmail = true;
        fillFile({reunion});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        const QString title = w.windowTitle();
        QCoreApplication::processEvents();
        QString told;
        if (action == "new file") {
            w.comandoNuevoArchivo(obstacle == "plano" ? path + "/nuevo.QVM" : path.chopped(1));
            QCOMPARE(w.archivoAvisos(), file);
            QCOMPARE(Ajustes::openFile(), file);
            QCOMPARE(w.windowTitle(), title);
            told = MessageBoxes::shownTexts().value(0);
            QVERIFY2(told.contains("nuevo.QVM"), qPrintable(told));
        } else if (action == "alerts close") {
            Ajustes::setCloseMsgs(1);
            AlertWindowBase::setMillisecondsPerMinute(5);
            MostrarAviso(0, "Uno", "texto", "");
            MostrarAviso(1, "Dos", "texto", "");
            QTRY_COMPARE(AvisosAbiertos(), quint16(0));
            QCoreApplication::processEvents();
            told = LeerTexto(20114).arg(QDir::toNativeSeparators(path.chopped(1)));
        } else if (action == "exit") {
            clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
            w.TimerPrincipalTimer();
            QCoreApplication::processEvents();
            QVERIFY(MessageBoxes::shownTexts().value(0).contains("\"Reunion\"")); // told when it happened
            MessageBoxes::shownTexts().clear();
            w.comandoSalir();
            told = LeerTexto(20105).arg("Reunion");
        } else if (action == "start") {
            QVERIFY(!QFile::exists(path));
            told = LeerTexto(20115).arg("Gas");
            w.TimerPrincipalTimer();
            QCoreApplication::processEvents();
        }
        QCOMPARE(MessageBoxes::shownTexts(), QStringList{told});
    }

    void openingAMissingFileKeepsTheCurrentOne() {
        fillFile({aviso("uno", QDate(2026, 12, 9), QTime(9, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.AbrirArchivoAvisos(QvTestSupport::programFolder() + "missing.QVM");
        QCOMPARE(MessageBoxes::shownTexts().last(), LeerTexto(9001));
        QCOMPARE(Ajustes::openFile(), QString());
        QCOMPARE(w.archivoAvisos(), file);
    }

    void fileArgumentKeysAndDamagedFile() {
        fillFile(
            {aviso("uno", QDate(2026, 12, 9), QTime(9, 0)), aviso("dos", QDate(2026, 12, 9), QTime(9, 0))});
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::Append));
            f.write("torn");
        }
        TVPrincipal w(services, file); // as "QV FILE" from a file manager
        QCOMPARE(w.archivoAvisos(), file);
        QVERIFY(
            MessageBoxes::shownTexts().last().contains("no es múltiplo de 836")); // the catalogue's language
        QCOMPARE(w.numAvisos(), 2);
        auto* list = w.findChild<QTableView*>("ListaAvisos");
        list->setCurrentIndex(w.listModel()->index(1, 0));
        MessageBoxes::queueAnswer(QMessageBox::No);
        QTest::keyClick(list, Qt::Key_Delete); // asked, answered No: nothing deleted
        QCOMPARE(MessageBoxes::shownTexts().last(), LeerTexto(20800).arg("dos", "09-dic-2026 09:00"));
        QCOMPARE(w.numAvisos(), 2);
        MessageBoxes::queueAnswer(QMessageBox::Yes);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(w.numAvisos(), 1);
        QCOMPARE(columna(w, 1), QStringList({"uno"}));
    }

    void sortingIsTextualAndStable() {
        QList<RegistroAviso> records;
        for (int i = 1; i <= 12; ++i)
            records << aviso(QString("r%1").arg(i % 3), QDate(2026, 12, 9), QTime(9, 0));
        fillFile(records);
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.ordenarPorColumna(0);
        QCOMPARE(columna(w, 0), QStringList({"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"}));
        QCOMPARE(LeerIndice(indexPath()).first(), quint16(1));
        QCOMPARE(LeerIndice(indexPath()).at(1), quint16(10));
        w.ordenarPorColumna(1); // second click: descending, equal texts keep their order
        QCOMPARE(columna(w, 1).first(), QString("r2"));
        // the rows keep the order the previous sort gave them
        QCOMPARE(columna(w, 0).mid(0, 4), QStringList({"11", "2", "5", "8"}));
    }

    // The next occurrence sorts by its moment, not by its text (whose day of
    // the month and 12-hour clock would misorder it); equal moments keep
    // their order.
    void sortingByNextOccurrenceFollowsTime_data() {
        QTest::addColumn<QList<QDateTime>>("moments");
        QTest::addColumn<QStringList>("ascending");
        QTest::addColumn<QStringList>("thenDescending");
        const auto at = [](int y, int m, int d, int h, int min) {
            return QDateTime(QDate(y, m, d), QTime(h, min));
        };
        QTest::newRow("day of the month")
            << QList<QDateTime>{at(2026, 12, 10, 9, 0), at(2027, 1, 9, 9, 0), at(2026, 12, 9, 9, 0)}
            << QStringList{"r2", "r0", "r1"} << QStringList{"r1", "r0", "r2"};
        QTest::newRow("am and pm") << QList<QDateTime>{at(2026, 12, 9, 13, 0), at(2026, 12, 9, 11, 0),
                                                       at(2026, 12, 9, 0, 30)}
                                   << QStringList{"r2", "r1", "r0"} << QStringList{"r0", "r1", "r2"};
        QTest::newRow("years and equal moments")
            << QList<QDateTime>{at(2027, 3, 1, 8, 0), at(2026, 3, 1, 8, 0), at(2027, 3, 1, 8, 0)}
            << QStringList{"r1", "r0", "r2"} << QStringList{"r0", "r2", "r1"};
    }
    void sortingByNextOccurrenceFollowsTime() {
        QFETCH(QList<QDateTime>, moments);
        QFETCH(QStringList, ascending);
        QFETCH(QStringList, thenDescending);
        QList<RegistroAviso> records;
        for (int i = 0; i < moments.size(); ++i)
            records << aviso(QString("r%1").arg(i), moments[i].date(), moments[i].time());
        fillFile(records);
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.ordenarPorColumna(2);
        QCOMPARE(columna(w, 1), ascending);
        w.ordenarPorColumna(2);
        QCOMPARE(columna(w, 1), thenDescending);
    }

    // The window and its columns come back as the user left them.
    void sizeAndColumnsAreRemembered() {
        fillFile({aviso("uno", QDate(2026, 12, 9), QTime(9, 0))});
        QSize porDefecto;
        {
            TVPrincipal w(services);
            w.show();
            porDefecto = w.size();
            w.resize(porDefecto + QSize(60, 40));
            w.findChild<QTableView*>("ListaAvisos")->setColumnWidth(3, 230);
            MessageBoxes::queueAnswer(QMessageBox::No); // asked when there is no tray: stays open
            w.close();
        }
        {
            // A window that was never shown (the program stayed in the tray)
            // leaves the saved size alone.
            TVPrincipal enLaBandeja(services, {}, nullptr, TVPrincipal::Vista::AlMostrar);
            MessageBoxes::queueAnswer(QMessageBox::No);
            enLaBandeja.close();
        }
        TVPrincipal w(services);
        w.show();
        QCOMPARE(w.size(), porDefecto + QSize(60, 40));
        QCOMPARE(w.findChild<QTableView*>("ListaAvisos")->columnWidth(3), 230);
    }

    void deleteAfterSortShowsFileOrder() {
        QList<RegistroAviso> records;
        for (int i = 1; i <= 5; ++i)
            records << aviso(QString("d%1").arg(i), QDate(2026, 12, 9), QTime(9, 0));
        fillFile(records);
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.ordenarPorColumna(1);
        w.ordenarPorColumna(1); // descending: d5 first
        auto* list = w.findChild<QTableView*>("ListaAvisos");
        const int row = columna(w, 1).indexOf("d3");
        list->setCurrentIndex(w.listModel()->index(row, 0));
        MessageBoxes::queueAnswer(QMessageBox::Yes);
        w.comandoEliminarAviso();
        QCOMPARE(columna(w, 0), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(columna(w, 1), QStringList({"d1", "d2", "d4", "d5"}));
        QVERIFY(w.timerPrincipal()->isActive());
    }

    // File -> Export calendar... and Import calendar...: a summary in the
    // catalogue's language that names what was not imported and why, the new
    // reminders after the user's order, nothing added twice, the cycle going on;
    // one Undo takes back every reminder the import added.
    void calendarExportAndImport() {
        fillFile(
            {aviso("b", QDate(2026, 12, 9), QTime(9, 0)), aviso("a", QDate(2026, 12, 10), QTime(9, 0), 5)});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.ordenarPorColumna(1); // the user's order: a, b
        QVERIFY(w.findChild<QAction*>("MAExportarCalendario")->text().contains("&Exportar"));
        const QString exported = QvTestSupport::programFolder() + "avisos.ics";
        w.comandoExportarCalendario(exported);
        QCOMPARE(MessageBoxes::shownTexts().takeLast().left(17), QString("Se exportaron 2 a"));

        QFile foreign(QvTestSupport::programFolder() + "otro.ics");
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.write(
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
            "BEGIN:VEVENT\r\nUID:f1\r\nSUMMARY:Quincenal\r\nDTSTART:20261210T090000\r\n"
            "RRULE:FREQ=WEEKLY;INTERVAL=2\r\nEND:VEVENT\r\n"
            "BEGIN:VEVENT\r\nUID:f2\r\nSUMMARY:Dentista\r\nDTSTART:20261211T093000\r\nEND:VEVENT\r\n"
            "BEGIN:VEVENT\r\nUID:f3\r\nSUMMARY:Cena\r\nDTSTART:20261212T210000\r\nEND:VEVENT\r\n"
            "END:VCALENDAR\r\n");
        foreign.close();
        w.comandoImportarCalendario(foreign.fileName());
        const QString summary = MessageBoxes::shownTexts().takeLast();
        QVERIFY2(summary.startsWith(
                     "3 eventos le\u00eddos de otro.ics: 2 importados, 0 ya estaban en el archivo de "
                     "avisos, 1 no importados."),
                 qPrintable(summary));
        QVERIFY2(summary.contains("\u201cQuincenal\u201d: no importado: se repite cada 2 d\u00edas"),
                 qPrintable(summary));
        QCOMPARE(columna(w, 1), QStringList({"a", "b", "Dentista", "Cena"}));
        QCOMPARE(columna(w, 0).last(), QString("4"));
        QVERIFY(w.timerPrincipal()->isActive());

        w.comandoImportarCalendario(exported); // the file's own reminders: by UID, already there
        QVERIFY(MessageBoxes::shownTexts().takeLast().startsWith(
            "2 eventos le\u00eddos de avisos.ics: 0 importados, 2 ya"));
        QCOMPARE(w.numAvisos(), 4);
        QCOMPARE(w.historial().size(), 1); // an import that added nothing is no step
        auto* undo = w.findChild<QAction*>("MEDeshacer");
        QCOMPARE(undo->text(), LeerTexto(20810));
        undo->trigger();
        QCOMPARE(columna(w, 1), QStringList({"a", "b"}));
        QVERIFY(!undo->isEnabled());
    }

    // The reminder the user chose stays chosen, and the user's order stays,
    // whoever changes the file: a pass that removes a finished reminder (the
    // numbers shift), or another program adding or removing reminders (seen
    // through the file watch, not through the program's own writes).
    void listFollowsTheChosenReminder_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("rowsAfter");
        QTest::addColumn<QString>("chosenAfter");
        QTest::newRow("pass removes one before it") << "pass" << QStringList({"diario", "c", "b"}) << "b";
        QTest::newRow("another program appends")
            << "append" << QStringList({"once", "diario", "c", "b", "nuevo"}) << "b";
        QTest::newRow("another program removes one before it")
            << "remove once" << QStringList({"diario", "c", "b"}) << "b";
        QTest::newRow("another program removes the chosen one")
            << "remove b" << QStringList({"once", "diario", "c"}) << "";
    }
    void listFollowsTheChosenReminder() {
        QFETCH(QString, change);
        QFETCH(QStringList, rowsAfter);
        QFETCH(QString, chosenAfter);
        RegistroAviso once = aviso("once", QDate(2026, 12, 8), QTime(10, 30), 0);
        once.Caduca = true;
        once.BorrarAlCaducar = true;
        fillFile({aviso("diario", QDate(2026, 12, 9), QTime(9, 0)), once,
                  aviso("b", QDate(2026, 12, 9), QTime(9, 0)), aviso("c", QDate(2026, 12, 9), QTime(9, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.ordenarPorColumna(1);
        w.ordenarPorColumna(1); // the user's order: descending
        auto* list = w.findChild<QTableView*>("ListaAvisos");
        list->setCurrentIndex(w.listModel()->index(columna(w, 1).indexOf("b"), 0));
        const QString otherIndex = QvTestSupport::programFolder() + "other.IDX";
        CrearIndice(otherIndex, 4);
        if (change == "pass") {
            clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
            w.TimerPrincipalTimer();
            QCOMPARE(services.shown.size(), 1);
        } else {
            QTest::qWait(50); // the watch must not take the program's own writes for news
            QCOMPARE(w.numAvisos(), 4);
            if (change == "append")
                AnadirAviso(file, otherIndex, aviso("nuevo", QDate(2026, 12, 9), QTime(9, 0)));
            else
                QVERIFY(EliminarAviso(file, otherIndex, change == "remove b" ? 3 : 2));
            QTRY_COMPARE(w.numAvisos(), rowsAfter.size());
        }
        QCOMPARE(columna(w, 1), rowsAfter);
        QCOMPARE(LeerIndice(indexPath()).size(), rowsAfter.size());
        const QModelIndex current = list->currentIndex();
        QCOMPARE(current.isValid() ? columna(w, 1).at(current.row()) : QString(), chosenAfter);
        QCOMPARE(list->selectionModel()->selectedRows().size(), chosenAfter.isEmpty() ? 0 : 1);
        if (chosenAfter.isEmpty()) return;
        MessageBoxes::queueAnswer(QMessageBox::Yes); // Delete acts on the reminder the user chose
        w.comandoEliminarAviso();
        QVERIFY(!columna(w, 1).contains(chosenAfter));
        QCOMPARE(columna(w, 1).size(), rowsAfter.size() - 1);
    }

    // In a sorted list the chosen row stays on the chosen reminder after every
    // command (the row at position number - 1 is another reminder), the
    // question names it, and Undo takes the command back onto the same one.
    void chosenRowIsTheChosenReminder_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("rowsAfter");
        QTest::addColumn<QString>("chosenAfter");
        const QStringList sorted{"d", "c", "b", "a"};
        QTest::newRow("edit, OK") << "edit ok" << sorted << "b";
        QTest::newRow("edit, Cancel") << "edit cancel" << sorted << "b";
        QTest::newRow("switch") << "switch" << sorted << "b";
        QTest::newRow("delete: the next one below") << "delete" << QStringList({"a", "c", "d"}) << "a";
        QTest::newRow("delete, answered No") << "delete no" << sorted << "b";
    }
    void chosenRowIsTheChosenReminder() {
        QFETCH(QString, command);
        QFETCH(QStringList, rowsAfter);
        QFETCH(QString, chosenAfter);
        fillFile({aviso("a", QDate(2026, 12, 9), QTime(9, 0)), aviso("b", QDate(2026, 12, 9), QTime(9, 30)),
                  aviso("c", QDate(2026, 12, 9), QTime(10, 0)),
                  aviso("d", QDate(2026, 12, 9), QTime(11, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.ordenarPorColumna(1);
        w.ordenarPorColumna(1); // descending: d c b a
        auto* list = w.findChild<QTableView*>("ListaAvisos");
        list->setCurrentIndex(w.listModel()->index(columna(w, 1).indexOf("b"), 0));
        const auto chosen = [&] {
            const QModelIndex current = list->currentIndex();
            return current.isValid() ? columna(w, 1).at(current.row()) : QString();
        };
        const QList<RegistroAviso> before = LeerTodosLosAvisos(file);
        services.editorAnswer = command == "edit cancel" ? 0 : 1;
        services.editorChange = [](RegistroAviso& r) { r.Texto = "changed"; };
        MessageBoxes::shownTexts().clear();
        if (command == "edit ok" || command == "edit cancel") {
            w.comandoEditarAviso();
            QCOMPARE(LeerAviso(file, 2).Texto, QString(command == "edit ok" ? "changed" : "b text"));
        } else if (command == "switch") {
            w.findChild<QAction*>("MPPActDesactAviso")->trigger();
            QVERIFY(!LeerAviso(file, 2).Activo);
        } else {
            MessageBoxes::queueAnswer(command == "delete" ? QMessageBox::Yes : QMessageBox::No);
            w.comandoEliminarAviso();
            QCOMPARE(MessageBoxes::shownTexts(),
                     QStringList({LeerTexto(20800).arg("b", "09-dic-2026 09:30")}));
        }
        QCOMPARE(columna(w, 1), rowsAfter);
        QCOMPARE(chosen(), chosenAfter);
        QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
        auto* undo = w.findChild<QAction*>("MEDeshacer");
        QCOMPARE(undo->shortcut(), QKeySequence(QKeySequence::Undo));
        const bool changed = command == "edit ok" || command == "switch" || command == "delete";
        QCOMPARE(undo->isEnabled(), changed);
        if (!changed) return;
        QCOMPARE(undo->text(), LeerTexto(20802) + " 'b'");
        undo->trigger();
        QVERIFY(!undo->isEnabled());
        QCOMPARE(chosen(), QString("b"));
        QList<RegistroAviso> after = LeerTodosLosAvisos(file);
        if (command == "delete") after.move(3, 1); // back, at the end of the file
        QCOMPARE(after.size(), before.size());
        for (int i = 0; i < after.size(); ++i) {
            after[i].Numero = before[i].Numero;
            QCOMPARE(after[i].toBytes(), before[i].toBytes());
        }
    }

    // Undo goes back step by step through more than ten changes of every kind,
    // while passes advance and renumber the reminders in between.
    void undoTakesBackManyStepsAcrossPasses() {
        RegistroAviso once = aviso("once", QDate(2026, 12, 8), QTime(10, 30), 0);
        once.Caduca = once.BorrarAlCaducar = true;
        fillFile({once, aviso("a", QDate(2026, 12, 9), QTime(9, 0)),
                  aviso("b", QDate(2026, 12, 9), QTime(9, 30)),
                  aviso("c", QDate(2026, 12, 9), QTime(10, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        auto* list = w.findChild<QTableView*>("ListaAvisos");
        const auto choose = [&](const QString& d) {
            list->setCurrentIndex(w.listModel()->index(columna(w, 1).indexOf(d), 0));
        };
        const auto state = [&] {
            QStringList out;
            for (const RegistroAviso& r : LeerTodosLosAvisos(file))
                out << QString("%1 %2 %3").arg(r.Descripcion, r.Activo ? "on" : "off", r.Texto);
            out.sort();
            return out;
        };
        const QStringList start = state();
        services.editorAnswer = 1;
        int steps = 0;
        for (int round = 0; round < 4; ++round) {
            choose("b");
            w.comandoActDesactAviso();
            choose("c");
            services.editorChange = [round](RegistroAviso& r) { r.Texto = QString("edit %1").arg(round); };
            w.comandoEditarAviso();
            choose("a");
            w.comandoActDesactAviso();
            steps += 3;
        }
        // A pass removes the once-only reminder: every number moves down.
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
        w.TimerPrincipalTimer();
        QCOMPARE(w.numAvisos(), 3);
        choose("b");
        MessageBoxes::queueAnswer(QMessageBox::Yes);
        w.comandoEliminarAviso();
        ++steps;
        QCOMPARE(w.historial().size(), steps);
        auto* undo = w.findChild<QAction*>("MEDeshacer");
        for (int i = 0; i < steps; ++i) {
            QVERIFY(undo->isEnabled());
            undo->trigger();
        }
        QVERIFY(!undo->isEnabled());
        QStringList expected = start;
        expected.removeOne("once on once text");
        QCOMPARE(state(), expected);
    }

    // The cycle runs while the editor is open: a reminder that falls due alerts,
    // and the edited reminder, renumbered meanwhile by the pass's compaction,
    // still gets the user's values (and no other reminder does).
    void cycleRunsWhileTheEditorIsOpen() {
        RegistroAviso once = aviso("once", QDate(2026, 12, 8), QTime(10, 30), 0);
        once.Caduca = once.BorrarAlCaducar = true;
        fillFile(
            {once, aviso("b", QDate(2026, 12, 9), QTime(9, 0)), aviso("c", QDate(2026, 12, 9), QTime(9, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.findChild<QTableView*>("ListaAvisos")->setCurrentIndex(w.listModel()->index(1, 0)); // "b"
        bool checked = false;
        QTimer::singleShot(0, this, [&] {
            auto* editor = QApplication::activeModalWidget();
            QVERIFY(editor && editor->objectName() == "TVEdicionAvisos");
            QVERIFY(w.timerPrincipal()->isActive());
            clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
            w.TimerPrincipalTimer();
            QCOMPARE(services.shown.size(), 1);
            QCOMPARE(w.numAvisos(), 2);
            editor->findChild<QPlainTextEdit*>("SelectorTexto")->setPlainText("typed");
            editor->findChild<QPushButton*>("BotonAceptar")->click();
            checked = true;
        });
        w.comandoEditarAviso();
        QVERIFY(checked);
        QCOMPARE(LeerAviso(file, 1).Descripcion, QString("b"));
        QCOMPARE(LeerAviso(file, 1).Texto, QString("typed"));
        QCOMPARE(LeerAviso(file, 2).Texto, QString("c text"));
        QCOMPARE(columna(w, 1).at(w.findChild<QTableView*>("ListaAvisos")->currentIndex().row()),
                 QString("b"));
    }

    // Reminders missed while the program was off: the window that lists them is
    // not modal and the file is already open, so a reminder due meanwhile
    // alerts; each missed one is an alert of its own, which the window's
    // buttons dismiss or snooze all at once.
    void missedRemindersAreAlerts_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("dismiss all") << "BotonDescartarTodos";
        QTest::newRow("snooze all") << "BotonPosponerTodos";
        QTest::newRow("one by one") << "";
    }
    void missedRemindersAreAlerts() {
        QFETCH(QString, button);
        fillFile({aviso("ayer", QDate(2026, 12, 7), QTime(8, 0)),
                  aviso("hoy", QDate(2026, 12, 8), QTime(9, 0)),
                  aviso("ahora", QDate(2026, 12, 8), QTime(10, 30))});
        services.realAlerts = true;
        QFile::remove(file + ".snoozed"); // the snoozes of the row before would come back
        TVPrincipal w(services, file);
        const auto cleanup = qScopeGuard([] {
            // An alert takes its snooze menu, itself a top-level widget, with it.
            QList<QPointer<AlertWindowBase>> alerts;
            for (QWidget* t : QApplication::topLevelWidgets())
                if (auto* a = qobject_cast<AlertWindowBase*>(t)) alerts << a;
            for (const QPointer<AlertWindowBase>& a : alerts)
                delete a.data();
            ReiniciarAvisosAbiertos(); // snoozed ones are counted until they close
        });
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        auto* pasados = w.findChild<QDialog*>("TVPasados");
        QVERIFY(pasados && pasados->isVisible());
        QCOMPARE(w.archivoAvisos(), file);
        QVERIFY(w.timerPrincipal()->isActive());
        QList<QPointer<AlertWindowBase>> missed;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (auto* a = qobject_cast<AlertWindowBase*>(t); a && a->isVisible()) missed << a;
        QCOMPARE(missed.size(), 2);
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
        w.TimerPrincipalTimer();
        QCOMPARE(services.shown.size(), 3);
        QCOMPARE(services.shown.last().descripcion, QString("ahora"));
        QCOMPARE(AvisosAbiertos(), 3);
        if (button.isEmpty()) {
            missed[0]->findChild<QPushButton*>("BotonCerrar")->click();
            QTRY_VERIFY(!missed[0] || !missed[0]->isVisible());
            QVERIFY(missed[1]->isVisible());
            return;
        }
        QPointer<QDialog> window(pasados);
        pasados->findChild<QPushButton*>(button)->click();
        QTRY_VERIFY(!window || !window->isVisible());
        for (const QPointer<AlertWindowBase>& a : missed)
            if (a) {
                QVERIFY(!a->isVisible());
                QCOMPARE(a->paused(), button == "BotonPosponerTodos");
            }
        QTRY_COMPARE(AvisosAbiertos(), button == "BotonPosponerTodos" ? 3 : 1); // the due alert stays
    }

    // A snooze belongs to its reminder, not to its number: with an earlier
    // reminder removed (the rest renumbered), the next start brings the alert
    // back as the same reminder's and the list marks that reminder's row. A
    // line kept before snoozes followed identities (a number alone) is taken
    // by its number once, then kept by identity.
    void snoozeFollowsItsReminder_data() {
        QTest::addColumn<bool>("oldLine");
        QTest::newRow("snoozed from its alert") << false;
        QTest::newRow("a line with a number alone") << true;
    }
    void snoozeFollowsItsReminder() {
        QFETCH(bool, oldLine);
        fillFile({aviso("uno", QDate(2026, 12, 9), QTime(9, 0)),
                  aviso("dos", QDate(2026, 12, 9), QTime(9, 0)),
                  aviso("tres", QDate(2026, 12, 9), QTime(9, 0))});
        Ajustes::setOpenFile(file);
        Ajustes::setDueMsgs(false);
        QFile::remove(AvisosPospuestos::rutaDe(file));
        QFile::remove(ReminderIdentities::pathFor(file));
        AvisosPospuestos::global().olvidarArchivo(file);
        {
            TVPrincipal plain(services, file); // nothing snoozed: the start needs no identities
        }
        QVERIFY(!QFile::exists(ReminderIdentities::pathFor(file)));
        auto alertOf = [](const QString& name) -> AlertWindowBase* {
            for (QWidget* t : QApplication::topLevelWidgets())
                if (auto* a = qobject_cast<AlertWindowBase*>(t); a && a->objectName() == name) return a;
            return nullptr;
        };
        auto endAlerts = [] { // as the program's end leaves them: snoozed
            QList<QPointer<AlertWindowBase>> alerts;
            for (QWidget* t : QApplication::topLevelWidgets())
                if (auto* a = qobject_cast<AlertWindowBase*>(t)) alerts << a;
            for (const QPointer<AlertWindowBase>& a : alerts)
                delete a.data();
            ReiniciarAvisosAbiertos();
        };
        const auto cleanup = qScopeGuard(endAlerts);
        const QDateTime back = clock.now().addSecs(30 * 60);
        if (oldLine) {
            QFile old(AvisosPospuestos::rutaDe(file));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("# Orbalinder snoozed alerts\n3\t" + back.toString(Qt::ISODate).toUtf8() +
                      "\t\ttres\tt\n");
            old.close();
            TVPrincipal first(services, file); // takes it by its number
            QVERIFY(alertOf("VAvisoActive_2") && alertOf("VAvisoActive_2")->paused());
        } else {
            QVERIFY(MostrarAviso(2, "tres", "t", ""));
            AlertWindowBase* alert = alertOf("VAvisoActive_2");
            alert->findChild<QSpinBox*>("UpDownRepetir")->setValue(30);
            QTest::mouseClick(alert->findChild<QPushButton*>("BotonCerrar"), Qt::LeftButton);
            QVERIFY(alert->paused());
        }
        endAlerts();
        const QList<AvisosPospuestos::Pospuesto> kept = AvisosPospuestos::leer(file);
        QCOMPARE(kept.size(), 1);
        QVERIFY(!kept[0].uid.isEmpty());
        QCOMPARE(kept[0].uid, ReminderIdentities::load(file).uid(3));

        QVERIFY(EliminarAviso(file, indexPath(), 1)); // as qvtool remove does
        TVPrincipal w(services, file);
        AlertWindowBase* again = alertOf("VAvisoActive_1");
        QVERIFY(again && again->paused() && !alertOf("VAvisoActive_2"));
        QCOMPARE(again->windowTitle(), QString("tres"));
        QCOMPARE(AvisosPospuestos::leer(file).value(0).numero, quint16(2));
        QCOMPARE(AvisosPospuestos::leer(file).value(0).uid, kept[0].uid);
        QCOMPARE(AvisosPospuestos::leer(file).value(0).hasta, back);
        QCOMPARE(columna(w, 1), QStringList({"dos", "tres"}));
        const QStringList states = columna(w, 4);
        QVERIFY2(states[1].endsWith(LeerTexto(20713)) && !states[0].endsWith(LeerTexto(20713)),
                 qPrintable(states.join(u'|')));
        QCOMPARE(w.listModel()->data(w.listModel()->index(1, 4), Qt::ToolTipRole).toString(),
                 LeerTexto(20712).arg(DisplayFormats::listDate(back.date()) + QLatin1Char(' ') +
                                      DisplayFormats::listTime(back.time())));
    }

    // Through the clock changes (the test runs in a zone that has them), with a
    // pass every 15 real seconds, an hourly reminder alerts once in each real
    // hour: the hour that comes twice alerts twice, once in each, and the
    // passes after the first in each of its minutes show nothing again.
    void hourlyReminderThroughClockChanges_data() {
        QTest::addColumn<QDateTime>("fromUtc");
        QTest::addColumn<QStringList>("alerts");
        QTest::newRow("autumn") << QDateTime(QDate(2026, 10, 25), QTime(0, 20), Qt::UTC)
                                << QStringList({"02:30 +2", "02:30 +1", "03:30 +1"});
        QTest::newRow("spring") << QDateTime(QDate(2026, 3, 29), QTime(0, 20), Qt::UTC)
                                << QStringList({"01:30 +1", "03:30 +2", "04:30 +2"});
    }
    void hourlyReminderThroughClockChanges() {
        QFETCH(QDateTime, fromUtc);
        QFETCH(QStringList, alerts);
        QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Madrid"));
        const QDateTime first = fromUtc.toLocalTime();
        fillFile({aviso("cada hora", first.date(), QTime(first.time().hour(), 30), 1)});
        clock.set(first);
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        QStringList seen;
        for (int tick = 0; tick < 4 * 60 * 3; ++tick) { // three real hours
            const QDateTime now = fromUtc.addSecs(tick * 15 + 5).toLocalTime();
            clock.set(now);
            const int before = services.shown.size();
            w.TimerPrincipalTimer();
            for (int i = before; i < services.shown.size(); ++i)
                seen << now.time().toString("hh:mm") + QString(" +%1").arg(now.offsetFromUtc() / 3600);
        }
        QCOMPARE(seen, alerts);
    }

    // The keyboard alone: the list has it when the window opens and again after
    // the window comes back from the task bar; Tab goes round the window and
    // back to the list; Insert creates from anywhere in the window.
    void keyboardReachesTheList() {
        fillFile({aviso("uno", QDate(2026, 12, 9), QTime(9, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* list = w.findChild<QTableView*>("ListaAvisos");
        QCOMPARE(QApplication::focusWidget(), list);
        w.showMinimized();
        QTest::qWait(20);
        w.showNormal();
        QTRY_COMPARE(QApplication::focusWidget(), list);
        QStringList passed;
        do {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            passed << QApplication::focusWidget()->objectName();
        } while (QApplication::focusWidget() != list && passed.size() < 30);
        QCOMPARE(QApplication::focusWidget(), list);
        QVERIFY2(passed.size() > 1, qPrintable(passed.join(u',')));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // away from the list
        QVERIFY(QApplication::focusWidget() != list);
        services.editorAnswer = 0;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert);
        QCOMPARE(services.editorCalls, 1);
    }

    // The desktop's keys in the main window, pressed where the keyboard is
    // (the list): each reaches its command, also where the platform names no
    // key for quitting (the headless one).
    void desktopShortcuts_data() {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<QString>("command");
        QTest::newRow("Ctrl+N") << QKeySequence(Qt::CTRL | Qt::Key_N) << "new reminder";
        QTest::newRow("Ctrl+O") << QKeySequence(Qt::CTRL | Qt::Key_O) << "open a file";
        QTest::newRow("Ctrl+Q") << QKeySequence(Qt::CTRL | Qt::Key_Q) << "exit";
        QTest::newRow("Delete") << QKeySequence(Qt::Key_Delete) << "ask about the chosen reminder";
        QTest::newRow("F1") << QKeySequence(Qt::Key_F1) << "help";
    }
    void desktopShortcuts() {
        QFETCH(QKeySequence, key);
        QFETCH(QString, command);
        fillFile(
            {aviso("uno", QDate(2026, 12, 9), QTime(9, 0)), aviso("dos", QDate(2026, 12, 9), QTime(9, 0))});
        TVPrincipal w(services, file);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* list = w.findChild<QTableView*>("ListaAvisos");
        list->setCurrentIndex(w.listModel()->index(1, 0));
        QCOMPARE(QApplication::focusWidget(), list);
        QSignalSpy exited(&w, &TVPrincipal::exitSequenceDone);
        services.editorAnswer = 0;
        MessageBoxes::queueAnswer(QMessageBox::No);
        const QString help = HelpPages::path(HelpPages::currentTopic(&w));
        QString dialog;
        QTimer::singleShot(0, &w, [&] { // the open dialog waits for an answer: take its name, cancel it
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog = d->objectName();
                d->reject();
            }
        });
        const int shownBefore = int(MessageBoxes::shownTexts().size());
        QTest::keySequence(list, key);
        QCOMPARE(services.editorCalls, command == "new reminder" ? 1 : 0);
        QCOMPARE(dialog, command == "open a file" ? QString("DialogoAbrir") : QString());
        QCOMPARE(exited.size(), command == "exit" ? 1 : 0);
        const QStringList asked = MessageBoxes::shownTexts().mid(shownBefore);
        QCOMPARE(asked, command == "ask about the chosen reminder"
                            ? QStringList({LeerTexto(20800).arg("dos", "09-dic-2026 09:00")})
                            : QStringList());
        QCOMPARE(w.numAvisos(), 2); // answered No
        QCOMPARE(QvTestSupport::openedFiles(), command == "help" ? QStringList({help}) : QStringList());
        if (command == "help") QVERIFY(help.contains("/help/es/"));
    }

    void cancellingTheEditorIsNoError_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("cancelled") << 0 << QStringList();
        QTest::newRow("not stored") << -1 << QStringList({LeerTexto(9012)});
    }
    void cancellingTheEditorIsNoError() {
        QFETCH(int, answer);
        QFETCH(QStringList, messages);
        fillFile({aviso("uno", QDate(2026, 12, 9), QTime(9, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        MessageBoxes::shownTexts().clear();
        services.editorAnswer = answer;
        w.comandoCrearAviso();
        QCOMPARE(services.editorCalls, 1);
        QCOMPARE(MessageBoxes::shownTexts(), messages);
        QCOMPARE(w.numAvisos(), 1);
    }

    // Alerts of both kinds: shown without taking the keyboard, moved onto a
    // screen when their saved place is off every screen, closed by Escape once
    // the user went to them, and usable while the editor is open (it blocks
    // only the main window).
    void alertsTakeNoKeyboardAndStayUsable_data() {
        QTest::addColumn<int>("style");
        QTest::newRow("classic") << 1;
        QTest::newRow("picture") << 2;
    }
    void alertsTakeNoKeyboardAndStayUsable() {
        QFETCH(int, style);
        Ajustes::setCloseMsgs(0);
        Ajustes::setMsgWindowPos(QRect(9000, 9000, 320, 210)); // a monitor since unplugged
        Ajustes::setMsgWindowExPos(QPoint(-9000, 9000));
        fillFile({aviso("uno", QDate(2026, 12, 9), QTime(9, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.show();
        w.activateWindow();
        const auto show = [style] {
            if (style == 1)
                MostrarAviso(0, "Cita", "texto", "");
            else
                MostrarAvisoEx(0, quint8(style), "Cita", "texto", "");
            for (QWidget* t : QApplication::topLevelWidgets())
                if (t->objectName().startsWith("VAviso") && t->isVisible()) return t;
            return static_cast<QWidget*>(nullptr);
        };
        QWidget* alert = show();
        QVERIFY(alert);
        QVERIFY(alert->testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(alert->findChild<QPushButton*>("BotonCerrar")->focusPolicy(), Qt::ClickFocus);
        QVERIFY(QApplication::activeWindow() != alert);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(alert->geometry().topLeft()), "moved onto the visible screen");
        QPointer<QWidget> first(alert);
        QTest::keyClick(alert, Qt::Key_Escape);
        QTRY_VERIFY(!first);
        QCOMPARE(AvisosAbiertos(), quint16(0));

        // The editor is open: a click on an alert's Close still closes it.
        bool checked = false;
        QTimer::singleShot(0, this, [&] {
            QWidget* editor = QApplication::activeModalWidget();
            QVERIFY(editor && editor->objectName() == "TVEdicionAvisos");
            QCOMPARE(editor->windowModality(), Qt::WindowModal);
            QPointer<QWidget> second(show());
            QVERIFY(second);
            auto* button = second->findChild<QPushButton*>("BotonCerrar");
            QTest::mouseClick(second->windowHandle(), Qt::LeftButton, {},
                              button->mapTo(second, button->rect().center()));
            QTRY_VERIFY(!second);
            checked = true;
            static_cast<QDialog*>(editor)->reject();
        });
        w.comandoCrearAviso();
        QVERIFY(checked);
        QCOMPARE(w.numAvisos(), 1);
    }

    void editWithoutFocusWarnsAndKeepsTheTimer() {
        fillFile({aviso("uno", QDate(2026, 12, 9), QTime(9, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.findChild<QTableView*>("ListaAvisos")->setCurrentIndex(QModelIndex());
        w.comandoEditarAviso();
        QCOMPARE(MessageBoxes::shownTexts().last(), LeerTexto(9014));
        QVERIFY(w.timerPrincipal()->isActive());
    }

    void switchLeavesAFinishedReminderAlone() {
        RegistroAviso done = aviso("hecho", QDate(2026, 12, 9), QTime(9, 0));
        done.Terminado = true;
        fillFile({done, aviso("vivo", QDate(2026, 12, 9), QTime(9, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        auto* list = w.findChild<QTableView*>("ListaAvisos");
        list->setCurrentIndex(w.listModel()->index(0, 0));
        w.comandoActDesactAviso();
        QCOMPARE(w.listModel()->data(w.listModel()->index(0, 0), Qt::UserRole).toString(),
                 QString("ICN_EXEC"));
        QVERIFY(LeerAviso(file, 1).Activo);
        list->setCurrentIndex(w.listModel()->index(1, 0));
        w.comandoActDesactAviso();
        QVERIFY(!LeerAviso(file, 2).Activo);
        QCOMPARE(w.listModel()->data(w.listModel()->index(1, 0), Qt::UserRole).toString(),
                 QString("ICN_DESACTIVADO"));
    }

    void remindersSwitchFromMenuAndButton() {
        TVPrincipal w(services);
        auto* item = w.findChild<QAction*>("MFDesactAvisos");
        auto* button = w.findChild<QToolButton*>("SpeedDesactAvisos");
        item->trigger(); // from the menu: off
        QVERIFY(item->isChecked());
        QVERIFY(!button->isChecked());
        QVERIFY(!Ajustes::messages());
        QVERIFY(!w.timerPrincipal()->isActive());
        QCOMPARE(w.tray()->hint(), LeerTexto(1502));
        button->click(); // from the button: on again
        QVERIFY(!item->isChecked());
        QVERIFY(button->isChecked());
        QVERIFY(Ajustes::messages());
        QVERIFY(w.timerPrincipal()->isActive());
        QCOMPARE(w.tray()->hint(), LeerTexto(1501));
    }

    void logReviewCreatesTheHeader() {
        TVPrincipal w(services);
        QFile::remove("MAIL/QV_MSGS.TXT");
        w.mostrarFlagAviso(true);
        w.comandoRevisarLog(int(LogKind::MensajesMostrados));
        QFile log("MAIL/QV_MSGS.TXT");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray content = log.readAll();
        QVERIFY(content.startsWith("# Messages file created by Norvo Orbalinder 2.0 on "));
        QVERIFY(content.endsWith(" DO NOT RENAME!\r\n\r\n"));
        QVERIFY(w.findChild<QLabel*>("FlagAvisoMostrado")->isHidden());
        QCOMPARE(QvTestSupport::openedFiles().last(), ProgramFolders::global().dirMail + "QV_MSGS.TXT");
    }

    void cycleShowsDueRemindersOncePerMinuteInFileOrder() {
        RegistroAviso off = aviso("apagado", QDate(2026, 12, 8), QTime(10, 30));
        off.Activo = false;
        RegistroAviso once = aviso("una vez", QDate(2026, 12, 8), QTime(10, 30), 0);
        once.Caduca = true;
        once.BorrarAlCaducar = true;
        fillFile({aviso("primero", QDate(2026, 12, 8), QTime(10, 30)), off, once,
                  aviso("despues", QDate(2026, 12, 8), QTime(11, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.TimerPrincipalTimer(); // 10:29:50: nothing due
        QVERIFY(services.shown.isEmpty());
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
        w.TimerPrincipalTimer();
        QCOMPARE(services.shown.size(), 2);
        QCOMPARE(services.shown[0].descripcion, QString("primero"));
        QCOMPARE(services.shown[0].indice, 0);
        QCOMPARE(services.shown[1].descripcion, QString("una vez"));
        QCOMPARE(services.shown[1].indice, 2);
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 20)));
        w.TimerPrincipalTimer(); // later pass of the same minute shows nothing again
        QCOMPARE(services.shown.size(), 2);
        QCOMPARE(w.numAvisos(), 3); // the once-only reminder with removal is gone
        QCOMPARE(columna(w, 1), QStringList({"primero", "apagado", "despues"}));
        QCOMPARE(LeerAviso(file, 1).fechaProx(), QDate(2026, 12, 9));
        QVERIFY(w.timerPrincipal()->isActive());
    }

    void cycleCatchesUpAMinuteNoPassSaw() {
        fillFile({aviso("diario", QDate(2026, 12, 8), QTime(10, 30))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.TimerPrincipalTimer();                                    // 10:29:50
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 47, 0))); // the machine slept
        w.TimerPrincipalTimer();
        QCOMPARE(services.shown.size(), 1); // not due now, but caught up and offered as an alert:
        QCOMPARE(services.shown[0].descripcion, QString("diario"));
        QCOMPARE(LeerAviso(file, 1).fechaProx(), QDate(2026, 12, 9));
        auto* pasados = w.findChild<QWidget*>("TVPasados");
        QVERIFY(pasados && pasados->isVisible());
    }

    void idlePassesSkipTheFileButEveryReminderFires() {
        // A skipped pass changes nothing a read would: every reminder still
        // fires in its minute, and a change made by another program is read
        // at the next pass.
        fillFile({aviso("A", QDate(2026, 12, 8), QTime(10, 30)),
                  aviso("B", QDate(2026, 12, 8), QTime(10, 31)),
                  aviso("D", QDate(2026, 12, 8), QTime(11, 0))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        auto pass = [&](QTime t) {
            clock.set(QDateTime(QDate(2026, 12, 8), t));
            w.TimerPrincipalTimer();
            QStringList shown;
            for (const auto& s : services.shown)
                shown << s.descripcion;
            return shown.join(u',') + QStringLiteral(" skipped %1").arg(w.pasadasSaltadas());
        };
        QCOMPARE(pass(QTime(10, 29, 40)), QString(" skipped 0"));
        QCOMPARE(pass(QTime(10, 29, 45)), QString(" skipped 0")); // written just now: not trusted yet
        const auto restore =
            qScopeGuard([m = MemoriaPasada::margenRecienteMs] { MemoriaPasada::margenRecienteMs = m; });
        MemoriaPasada::margenRecienteMs = 0;
        QCOMPARE(pass(QTime(10, 29, 50)), QString(" skipped 0"));
        QCOMPARE(pass(QTime(10, 29, 58)), QString(" skipped 1"));
        QCOMPARE(pass(QTime(10, 30, 5)), QString("A skipped 1"));
        QCOMPARE(pass(QTime(10, 30, 20)), QString("A skipped 2"));
        QTest::qWait(30); // a later clock tick for the file's times
        AnadirAviso(file, indexPath(), aviso("E", QDate(2026, 12, 8), QTime(10, 30)));
        QCOMPARE(pass(QTime(10, 30, 35)), QString("A,E skipped 2"));
        QCOMPARE(w.listModel()->rowCount(), 4);
        QCOMPARE(pass(QTime(10, 30, 50)), QString("A,E skipped 3"));
        QCOMPARE(pass(QTime(10, 31, 5)), QString("A,E,B skipped 3")); // due the minute after a skipped pass
        QCOMPARE(pass(QTime(10, 31, 20)), QString("A,E,B skipped 4"));
        QCOMPARE(pass(QTime(11, 30, 5)), QString("A,E,B,D skipped 4")); // the machine slept over D's minute
        auto* pasados = w.findChild<QWidget*>("TVPasados");
        QVERIFY(pasados && pasados->isVisible());
        QCOMPARE(LeerAviso(file, 3).fechaProx(), QDate(2026, 12, 9));
        w.AbrirArchivoAvisos(file); // the list's one read serves the next pass too
        QCOMPARE(pass(QTime(11, 30, 20)), QString("A,E,B,D skipped 5"));
    }

    // At start one reading of the file serves the catch-up of missed
    // reminders, the list and the first due-check pass: the list shows the file
    // as the catch-up left it (advanced, removed and renumbered alike), and the
    // first pass skips the file only when the reading it would rely on saw no
    // write (a compaction's new file is read whole afterwards).
    void startUpReadsTheFileOnce_data() {
        QTest::addColumn<QTime>("first");
        QTest::addColumn<bool>("removeOnce");
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<int>("skipped");
        QTest::newRow("nothing missed")
            << QTime(11, 0) << false << QStringList({"08-dic-2026   11:00", "09-dic-2026   09:00"}) << 1;
        QTest::newRow("daily reminder missed")
            << QTime(8, 0) << false << QStringList({"09-dic-2026   08:00", "09-dic-2026   09:00"}) << 0;
        QTest::newRow("once-only with removal missed")
            << QTime(8, 0) << true << QStringList({"09-dic-2026   09:00"}) << 1;
    }
    void startUpReadsTheFileOnce() {
        QFETCH(QTime, first);
        QFETCH(bool, removeOnce);
        QFETCH(QStringList, dates);
        QFETCH(int, skipped);
        RegistroAviso one = aviso("uno", QDate(2026, 12, 8), first, removeOnce ? 0 : 3);
        one.Caduca = one.BorrarAlCaducar = removeOnce;
        fillFile({one, aviso("dos", QDate(2026, 12, 9), QTime(9, 0))});
        const auto restore =
            qScopeGuard([m = MemoriaPasada::margenRecienteMs] { MemoriaPasada::margenRecienteMs = m; });
        MemoriaPasada::margenRecienteMs = 0;
        TVPrincipal w(services, file);
        QCOMPARE(services.shown.size(), first < QTime(10, 29) ? 1 : 0); // the missed one as an alert
        services.shown.clear();
        QCOMPARE(columna(w, 2), dates);
        const QStringList numbers = columna(w, 0), names = columna(w, 1);
        QCOMPARE(numbers.size(), w.numAvisos());
        w.TimerPrincipalTimer(); // 10:29:50: nothing due
        QCOMPARE(w.pasadasSaltadas(), skipped);
        QVERIFY(services.shown.isEmpty());
        w.AbrirArchivoAvisos(file); // a fresh reading shows the same
        QCOMPARE(columna(w, 0), numbers);
        QCOMPARE(columna(w, 1), names);
        QCOMPARE(columna(w, 2), dates);
    }

    void noCatchUpWithDueMsgsOff() {
        Ajustes::setDueMsgs(false);
        fillFile({aviso("diario", QDate(2026, 12, 8), QTime(10, 30))});
        TVPrincipal w(services);
        w.AbrirArchivoAvisos(file);
        w.TimerPrincipalTimer();
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 47, 0)));
        w.TimerPrincipalTimer();
        QCOMPARE(LeerAviso(file, 1).fechaProx(), QDate(2026, 12, 8));
    }

    // Every active file fires: File -> Open adds a file instead of replacing
    // the one shown, one pass alerts what is due in each (the alert and the
    // queued mail naming its own file), and the next start catches up the
    // missed reminders of every file; a file that went away leaves the list, told.
    void everyActiveFileFires() {
        const QString other = QvTestSupport::programFolder() + "otro.QVM";
        const QString gone = QvTestSupport::programFolder() + "ido.QVM";
        QFile::remove(other);
        RegistroAviso mismo = aviso("mismo", QDate(2026, 12, 8), QTime(10, 30));
        mismo.PorEmail = true;
        fillFile({mismo});
        CrearArchivoAvisos(other);
        const QString otherIndex = QvTestSupport::programFolder() + "otro.IDX";
        AnadirAviso(other, otherIndex, mismo);
        AnadirAviso(other, otherIndex, aviso("luego", QDate(2026, 12, 8), QTime(11, 0)));
        const QString dirMail = ProgramFolders::global().dirMail;
        {
            TVPrincipal w(services);
            w.comandoAbrirArchivo(file);
            w.comandoAbrirArchivo(other);
            QCOMPARE(w.archivoAvisos(), other);
            w.comandoAbrirArchivo(file); // already active: shown, not added again
            QCOMPARE(w.archivoAvisos(), file);
            QCOMPARE(w.archivosActivos().rutas(), QStringList({file, other}));
            QCOMPARE(Ajustes::rutasActivas(), QStringList({file, other}));

            clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
            w.TimerPrincipalTimer();
            QCOMPARE(services.shown.size(), 2);
            QStringList alerted;
            for (const auto& shown : services.shown) {
                QCOMPARE(shown.descripcion, QString("mismo"));
                alerted << shown.archivo;
            }
            alerted.sort();
            QStringList both{file, other};
            both.sort();
            QCOMPARE(alerted, both);
            QCOMPARE(LeerAviso(other, 1).fechaProx(), QDate(2026, 12, 9)); // advanced and written back
            QStringList queued;
            for (const QString& path : mailfiles::ListarEmailSaliente(dirMail))
                queued << mailfiles::ArchivoDeEmailSaliente(path, both);
            queued.sort();
            QCOMPARE(queued, both);

            clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 35)));
            w.TimerPrincipalTimer();
            QCOMPARE(services.shown.size(), 2); // each once
            w.comandoSalir();
        }
        Ajustes::guardarRutasActivas({file, gone, other});
        MessageBoxes::shownTexts().clear();
        services.shown.clear();
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(11, 5)));
        TVPrincipal w(services);
        QCOMPARE(w.archivoAvisos(), file);
        QCOMPARE(w.archivosActivos().rutas(), QStringList({file, other}));
        QCOMPARE(services.shown.size(), 1);
        QCOMPARE(services.shown[0].descripcion, QString("luego"));
        QCOMPARE(services.shown[0].archivo, other);
        QTRY_COMPARE(MessageBoxes::shownTexts().filter(QDir::toNativeSeparators(gone)).size(), 1);
    }

    // File -> Close file takes the shown file out of the active files: its
    // reminders stop and the next active file is shown. The title names the
    // shown file and how many fire; the preferences list them.
    void closingTheShownFileStopsItsReminders() {
        const QString other = QvTestSupport::programFolder() + "otro.QVM";
        fillFile({aviso("uno", QDate(2026, 12, 8), QTime(10, 30))});
        CrearArchivoAvisos(other);
        AnadirAviso(other, QvTestSupport::programFolder() + "otro.IDX",
                    aviso("dos", QDate(2026, 12, 8), QTime(10, 30)));
        TVPrincipal w(services);
        auto* cerrar = w.findChild<QAction*>("MACerrarAvisos");
        QVERIFY(cerrar && !cerrar->isEnabled());
        w.comandoAbrirArchivo(file);
        QCOMPARE(w.windowTitle(), QString("Norvo Orbalinder 2.0 - avisos.QVM"));
        w.comandoAbrirArchivo(other);
        QCOMPARE(w.windowTitle(), LeerTexto(20817).arg("Norvo Orbalinder 2.0 - otro.QVM").arg(2));
        QVERIFY(w.windowTitle().contains("2 archivos activos"));
        {
            TVPreferencias prefs(&w);
            auto* lista = prefs.findChild<QListWidget*>("ListaArchivosActivos");
            QVERIFY(lista);
            QCOMPARE(lista->count(), 2);
            QCOMPARE(lista->item(1)->text(), QDir::toNativeSeparators(other));
        }

        w.comandoActDesactAviso(); // a change of the shown file, then closed: it cannot be taken back
        QCOMPARE(w.historial().size(), 1);
        QVERIFY(cerrar->isEnabled());
        cerrar->trigger();
        QVERIFY(w.historial().vacio());
        QCOMPARE(w.archivoAvisos(), file);
        QCOMPARE(Ajustes::openFile(), file);
        QCOMPARE(Ajustes::rutasActivas(), QStringList{file});
        QCOMPARE(w.windowTitle(), QString("Norvo Orbalinder 2.0 - avisos.QVM"));
        clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
        w.TimerPrincipalTimer();
        QCOMPARE(services.shown.size(), 1); // the closed file's reminder is silent
        QCOMPARE(services.shown[0].archivo, file);

        cerrar->trigger();
        QVERIFY(w.archivoAvisos().isEmpty());
        QVERIFY(Ajustes::openFile().isEmpty() && Ajustes::rutasActivas().isEmpty());
        QCOMPARE(w.windowTitle(), QString("Norvo Orbalinder 2.0"));
        QCOMPARE(w.listModel()->rowCount(), 0);
        QVERIFY(!cerrar->isEnabled());
        QVERIFY(!w.findChild<QAction*>("MPPCrearAviso")->isEnabled());
    }
    // File -> Show all active files lists every active file's reminders with
    // its file's name; a command on a row acts on that row's reminder in its
    // own file, and on none when no row is chosen. The preferences close a
    // file as File -> Close file does.
    void allFilesViewActsOnTheChosenRowsFile() {
        const QString other = QvTestSupport::programFolder() + "otro.QVM";
        fillFile({aviso("uno", QDate(2026, 12, 9), QTime(9, 0))});
        CrearArchivoAvisos(other);
        const QString otherIndex = ArchivosActivos::indiceDe(ProgramFolders::global().dirTemp, other);
        AnadirAviso(other, otherIndex, aviso("tres", QDate(2026, 12, 9), QTime(8, 0)));
        AnadirAviso(other, otherIndex, aviso("dos", QDate(2026, 12, 10), QTime(8, 0)));
        TVPrincipal w(services);
        w.comandoAbrirArchivo(file);
        w.comandoAbrirArchivo(other);
        auto* ver = w.findChild<QAction*>("MAVerTodos");
        QVERIFY(ver && ver->isEnabled());
        ver->trigger();
        QVERIFY(w.vistaTodos());
        auto* lista = w.findChild<QTableView*>("ListaTodosArchivos");
        QVERIFY(lista && lista->isVisibleTo(&w) && !w.findChild<QTableView*>("ListaAvisos")->isVisibleTo(&w));
        QVERIFY(w.windowTitle().endsWith(LeerTexto(20821).arg(2)));
        auto filas = [&] {
            QStringList out;
            for (int row = 0; row < lista->model()->rowCount(); ++row)
                out << lista->model()->index(row, 1).data().toString() + "@" +
                           lista->model()->index(row, 5).data().toString();
            return out;
        };
        QCOMPARE(filas(), QStringList({"uno@avisos.QVM", "tres@otro.QVM", "dos@otro.QVM"}));
        QCOMPARE(lista->model()->headerData(5, Qt::Horizontal).toString(), LeerTexto(20822));
        lista->horizontalHeader()->sectionClicked(2); // by next occurrence, both files mixed
        QCOMPARE(filas(), QStringList({"tres@otro.QVM", "uno@avisos.QVM", "dos@otro.QVM"}));

        // Nothing chosen: Delete asks about nothing and deletes nothing.
        lista->selectionModel()->clear();
        MessageBoxes::shownTexts().clear();
        w.comandoEliminarAviso();
        QCOMPARE(MessageBoxes::shownTexts(), QStringList{LeerTexto(9014)});
        QCOMPARE(ContarAvisos(file) + ContarAvisos(other), 3);

        // The chosen row of the file not shown: switched off there, that file shown.
        ver->trigger();
        lista->selectionModel()->setCurrentIndex(
            lista->model()->index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        w.comandoActDesactAviso();
        QVERIFY(!w.vistaTodos());
        QCOMPARE(w.archivoAvisos(), file);
        QVERIFY(!LeerAviso(file, 1).Activo);
        QVERIFY(LeerAviso(other, 1).Activo && LeerAviso(other, 2).Activo);
        QCOMPARE(columna(w, 1)[w.findChild<QTableView*>("ListaAvisos")->currentIndex().row()],
                 QString("uno"));

        // Another program adds to the file not shown: the next tick lists it.
        ver->trigger();
        AnadirAviso(other, otherIndex, aviso("cuatro", QDate(2026, 12, 11), QTime(8, 0)));
        w.TimerPrincipalTimer();
        QVERIFY(filas().contains("cuatro@otro.QVM"));

        // Closed in the preferences: it leaves the active files and stops firing.
        QTimer poll;
        bool closed = false;
        connect(&poll, &QTimer::timeout, &w, [&] {
            auto* prefs = w.findChild<TVPreferencias*>();
            if (!prefs || !prefs->isVisible()) return;
            poll.stop();
            auto* activos = prefs->findChild<QListWidget*>("ListaArchivosActivos");
            const auto items = activos->findItems(QDir::toNativeSeparators(other), Qt::MatchExactly);
            if (items.size() == 1) activos->setCurrentItem(items[0]);
            prefs->findChild<QPushButton*>("BotonCerrarArchivoActivo")->click();
            closed = activos->count() == 1;
            prefs->findChild<QPushButton*>("BotonAceptar")->click();
        });
        poll.start(20);
        w.comandoPreferencias();
        QVERIFY(closed);
        QCOMPARE(w.archivosActivos().rutas(), QStringList{file});
        QCOMPARE(Ajustes::rutasActivas(), QStringList{file});
        QCOMPARE(filas(), QStringList{"uno@avisos.QVM"});
        clock.set(QDateTime(QDate(2026, 12, 9), QTime(8, 0, 5)));
        w.TimerPrincipalTimer();
        QVERIFY(services.shown.isEmpty()); // the closed file's reminder is silent
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
