// One language per run, whatever the system locale (the test runs under
// LANG=C.UTF-8): Qt's own buttons and file dialogs, dates, reminders-file
// errors and help pages follow the catalogue; F1 opens the page of what has
// the focus; without a desktop program a page or log shows in our own viewer.
#include "QvTestSupport.h"
#include "RecordingServices.h"

#include "core/DisplayFormats.h"
#include "core/UiLanguage.h"
#include "qv/FileErrorTexts.h"
#include "qv/RowTexts.h"
#include "qv/TVPrincipal.h"
#include "qv/editor/TVEdicionAvisos.h"
#include "qv/prefs/TVLoginPasswd.h"
#include "qv/prefs/TVPreferencias.h"
#include "qv/windows/TVPasados.h"
#include "store/ReminderFile.h"
#include "ui/DocumentOpener.h"
#include "ui/DocumentViewer.h"
#include "ui/HelpPages.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QTimeEdit>

namespace {
// Words that must never show under the Spanish catalogue.
const QRegularExpression kEnglish(
    QStringLiteral("\\b(Yes|Cancel|Open|Look in|File name|Files of type|December|Tuesday|Cannot|file|"
                   "reminder|the)\\b"));

// The entries of a catalogue file; `order` gets the numbers as the file lists them.
QMap<int, QString> catalogueEntries(const QString& lang, QList<int>* order = nullptr) {
    QMap<int, QString> out;
    QFile f(QStringLiteral(ORB_SOURCE_DIR "/resources/lang/") + lang + ".cat");
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        const qsizetype tab = line.indexOf(u'\t');
        if (line.startsWith(u'#') || tab <= 0) continue;
        out.insert(line.left(tab).toInt(), line.mid(tab + 1));
        if (order) order->append(line.left(tab).toInt());
    }
    return out;
}

// A QString column of the current test row, for use inside an expression.
QString fetched(const char* column) {
    return *static_cast<QString*>(QTest::qData(column, qMetaTypeId<QString>()));
}

QString visibleTexts(QWidget* w) {
    QStringList texts{w->windowTitle()};
    for (auto* l : w->findChildren<QLabel*>())
        texts << l->text();
    for (auto* b : w->findChildren<QAbstractButton*>())
        texts << b->text();
    return texts.join(u'\n');
}
} // namespace

class TestLanguage : public QObject {
    Q_OBJECT
    RecordingServices services;

    void useCatalogue(const QString& lang) {
        QvTestSupport::prepare(lang);
        ProgramFolders::global() = ProgramFolders::from(QvTestSupport::programFolder());
        ProgramFolders::global().createWorkFolders();
        NameLists::global() = NameLists::build();
    }

private slots:
    void initTestCase() {
        QCOMPARE(qgetenv("LANG"), QByteArray("C.UTF-8"));
        // The program folder's help pages, as laid out by the program folder script.
        QFile::link(QStringLiteral(ORB_SOURCE_DIR "/resources/help"), QDir::current().filePath("help"));
    }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void cataloguesNameTheirLanguageAndHoldTheSameNumbers() {
        QList<int> esOrder, enOrder;
        const auto es = catalogueEntries("es", &esOrder), en = catalogueEntries("en", &enOrder);
        QCOMPARE(es.value(UiLanguage::kTextoIdioma), QString("es"));
        QCOMPARE(en.value(UiLanguage::kTextoIdioma), QString("en"));
        QCOMPARE(es.keys(), en.keys());
        QVERIFY(std::is_sorted(esOrder.begin(), esOrder.end()));
        QVERIFY(std::is_sorted(enOrder.begin(), enOrder.end()));
        // Spanish wording: no English jargon, accents in place.
        for (auto it = es.begin(); it != es.end(); ++it)
            QVERIFY2(!it.value().contains(
                         QRegularExpression("Login|Password|Passwd|Email|Windows(?!-)|Indice|Edicion|"
                                            "\\bDias\\b|Direccion\\b")),
                     qPrintable(QString::number(it.key()) + " " + it.value()));
    }

    void qtTextsDatesAndFileErrorsFollowTheCatalogue_data() {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("weekdayDate");
        QTest::addColumn<QString>("listDate");
        QTest::addColumn<QString>("missingFile");
        QTest::addColumn<QString>("tornFile");
        QTest::addColumn<QString>("states");    // the list's state letters
        QTest::addColumn<QStringList>("times"); // 09:30, 13:05, 00:00 as every window shows them
        QTest::newRow("es") << "es"
                            << "&Sí"
                            << "&Abrir"
                            << "mar 08-dic-2026"
                            << "08-dic-2026"
                            << "No se puede abrir el archivo %1: el archivo no existe."
                            << "no es un archivo de avisos completo"
                            << "CBE" << QStringList{"09:30", "13:05", "00:00"};
        QTest::newRow("en") << "en"
                            << "&Yes"
                            << "&Open"
                            << "Tue 08-Dec-2026"
                            << "08-Dec-2026"
                            << "Cannot open the file %1: the file does not exist."
                            << "is not a whole reminders file"
                            << "XDE" << QStringList{"09:30 am", "01:05 pm", "12:00 am"};
    }
    void qtTextsDatesAndFileErrorsFollowTheCatalogue() {
        QFETCH(QString, lang);
        useCatalogue(lang);

        QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), fetched("yes"));

        QFileDialog dialog(nullptr, LeerTexto(1901), QDir::currentPath(), LeerTexto(1903));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), fetched("open"));
        const QString dialogTexts = visibleTexts(&dialog);

        const QDate day(2026, 12, 8);
        QCOMPARE(DisplayFormats::weekdayDate(day), fetched("weekdayDate"));
        QCOMPARE(DisplayFormats::listDate(day), fetched("listDate"));
        QFETCH(QStringList, times);
        QCOMPARE(QStringList({DisplayFormats::listTime(QTime(9, 30)), DisplayFormats::listTime(QTime(13, 5)),
                              DisplayFormats::listTime(QTime(0, 0))}),
                 times);
        // The editor and the missed-reminders window show the list's forms.
        TVEdicionAvisos editor;
        auto* fecha = editor.findChild<QDateEdit*>("SelectorFecha");
        fecha->setDate(day);
        QCOMPARE(fecha->text(), fetched("listDate"));
        auto* caducidad = editor.findChild<QDateEdit*>("SelectorFechaUlt");
        caducidad->setDate(day);
        QCOMPARE(caducidad->text(), fetched("listDate"));
        auto* hora = editor.findChild<QTimeEdit*>("SelectorHora");
        hora->setTime(QTime(13, 5));
        QCOMPARE(hora->text(), times[1]);
        TVPasados pasados;
        pasados.agregar("Dentista", day, QTime(9, 30), "Cita");
        const QString missed = pasados.findChild<QPlainTextEdit*>()->toPlainText();
        QVERIFY2(missed.contains(fetched("listDate")) && missed.contains(times[0]), qPrintable(missed));

        ResumenesAvisos::Fila todo;
        todo.banderas = ResumenesAvisos::Fila::Caduca | ResumenesAvisos::Fila::BorrarAlCaducar |
                        ResumenesAvisos::Fila::PorEmail;
        QCOMPARE(RowTexts::estado(todo), fetched("states"));

        const QString missing = QDir::current().filePath("missing.QVM");
        QString error;
        try {
            ContarAvisos(missing);
        } catch (const ReminderFileError& e) {
            error = FileErrorTexts::error(e);
        }
        QCOMPARE(error, fetched("missingFile").arg(missing));
        QFile torn("torn.QVM");
        QVERIFY(torn.open(QIODevice::WriteOnly));
        torn.write(QByteArray(836 + 10, '\0'));
        torn.close();
        const QString warning = FileErrorTexts::warning("torn.QVM", DiagnosticarArchivo("torn.QVM"));
        QVERIFY2(warning.contains(fetched("tornFile")), qPrintable(warning));

        if (lang == "es") {
            for (const QString& text :
                 {box.button(QMessageBox::No)->text(), dialogTexts, fecha->text(), error, warning})
                QVERIFY2(!kEnglish.match(text).hasMatch(), qPrintable(text));
        }
    }

    void helpPagesExistInBothLanguages_data() {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("topic");
        const QStringList topics{"",
                                 "QVH_EjecAvisos",
                                 "QVH_Avisos",
                                 "QVH_ClientEmail",
                                 "QVH_ContenAvisos",
                                 "QVH_ConfigGeneral",
                                 "QVH_ConfigAvisos",
                                 "QVH_ConfigPerfiles",
                                 "QVH_ConfigCalendario",
                                 "QVH_LoginPasswd",
                                 "QVH_ClienteCorreo",
                                 HelpPages::contextTopic(1),
                                 HelpPages::contextTopic(3),
                                 HelpPages::contextTopic(4),
                                 HelpPages::contextTopic(5),
                                 HelpPages::contextTopic(7)};
        for (const char* lang : {"es", "en"})
            for (const QString& t : topics)
                QTest::addRow("%s %s", lang, qPrintable(t.isEmpty() ? "index" : t)) << lang << t;
    }
    void helpPagesExistInBothLanguages() {
        QFETCH(QString, lang);
        QFETCH(QString, topic);
        useCatalogue(lang);
        const QString page = HelpPages::path(topic);
        QVERIFY2(page.contains("/help/" + lang + "/"), qPrintable(page));
        QFile f(page);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(page));
        const QString html = QString::fromUtf8(f.readAll());
        QVERIFY(html.contains(QStringLiteral("<html lang=\"%1\">").arg(lang)));
        // Every link leads to a page of the same language.
        QRegularExpression link("href=\"([^\"]+)\"");
        for (auto m = link.globalMatch(html); m.hasNext();) {
            const QString target = QFileInfo(page).dir().filePath(m.next().captured(1));
            QVERIFY2(QFileInfo::exists(target), qPrintable(target));
        }
    }

    void f1OpensThePageOfWhatHasTheFocus_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("topic");
        QTest::newRow("main window") << "window" << HelpPages::contextTopic(3);
        QTest::newRow("list") << "ListaAvisos" << HelpPages::contextTopic(4);
        QTest::newRow("toolbar button") << "SpeedNuevoAvisos" << HelpPages::contextTopic(5);
        QTest::newRow("status bar, under the pointer") << "BarraEmail" << HelpPages::contextTopic(7);
        QTest::newRow("functions item") << "MFDesactEmail" << HelpPages::contextTopic(1);
        QTest::newRow("review shown: its menu's") << "MFRevisarAvisos" << HelpPages::contextTopic(4);
        QTest::newRow("help item") << "MYConten" << HelpPages::contextTopic(4);
        QTest::newRow("editor") << "editor"
                                << "QVH_ContenAvisos";
        QTest::newRow("preferences, second tab") << "prefs"
                                                 << "QVH_ConfigAvisos";
        QTest::newRow("login dialog") << "login"
                                      << "QVH_LoginPasswd";
    }
    void f1OpensThePageOfWhatHasTheFocus() {
        QFETCH(QString, where);
        useCatalogue("es");
        std::unique_ptr<QWidget> window;
        if (where == "editor") {
            window = std::make_unique<TVEdicionAvisos>();
        } else if (where == "prefs") {
            auto* p = new TVPreferencias;
            p->findChild<QTabWidget*>("Paginas")->setCurrentIndex(1);
            window.reset(p);
        } else if (where == "login") {
            window = std::make_unique<TVLoginPasswd>();
        } else {
            window = std::make_unique<TVPrincipal>(services);
        }
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCursor::setPos(window->frameGeometry().bottomRight() + QPoint(50, 50)); // not over a control
        if (auto* action = window->findChild<QAction*>(where)) {
            // F1 on a highlighted menu item.
            QMenu* menu = nullptr;
            for (auto* m : window->findChildren<QMenu*>())
                if (m->actions().contains(action)) menu = m;
            QVERIFY(menu);
            menu->popup(QPoint(10, 10));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_F1);
            QVERIFY(!menu->isVisible());
        } else if (auto* w = window->findChild<QWidget*>(where); w && w->focusPolicy() == Qt::NoFocus) {
            if (QApplication::focusWidget()) QApplication::focusWidget()->clearFocus();
            QCursor::setPos(w->mapToGlobal(w->rect().center()));
            QTest::keyClick(window.get(), Qt::Key_F1);
        } else {
            if (QApplication::focusWidget()) QApplication::focusWidget()->clearFocus();
            if (w) w->setFocus();
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(),
                            Qt::Key_F1);
        }
        QCOMPARE(QvTestSupport::openedFiles().value(0), HelpPages::path(fetched("topic")));
        QVERIFY(QvTestSupport::openedFiles().value(0).contains("/help/es/"));
    }

    // Qt's open call reports success as soon as it has started xdg-open, even
    // when nothing then opens the file: without a desktop program for it the
    // page or log shows in the program's own window.
    void withoutADesktopProgramTheViewerShowsIt_data() {
        QTest::addColumn<QString>("xdgMime"); // a stand-in script's body; empty: none installed
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        const QString noDefault = "[ \"$2\" = filetype ] && echo text/html; exit 0";
        QTest::newRow("no xdg-mime, help page") << ""
                                                << "help"
                                                << "Orbalinder - Modo de ejecución"
                                                << "Cada 15 segundos";
        QTest::newRow("no default program, help page") << noDefault << "help"
                                                       << "Orbalinder - Modo de ejecución"
                                                       << "Cada 15 segundos";
        QTest::newRow("no default program, log") << noDefault << "log"
                                                 << "QV_MSGS.TXT"
                                                 << "Aviso: Dentista €";
    }
    void withoutADesktopProgramTheViewerShowsIt() {
        QFETCH(QString, xdgMime);
        QFETCH(QString, file);
        useCatalogue("es");
        DocumentOpener::setOpenerForTests(nullptr);
        const QByteArray oldPath = qgetenv("PATH");
        QDir().mkpath("bin");
        QFile::remove("bin/xdg-mime");
        if (!xdgMime.isEmpty()) {
            QFile script("bin/xdg-mime");
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(("#!/bin/sh\n" + xdgMime + "\n").toUtf8());
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QDir::current().filePath("bin").toUtf8());
        QString path = HelpPages::path("QVH_EjecAvisos");
        if (file == "log") {
            path = ProgramFolders::global().dirMail + "QV_MSGS.TXT";
            QFile log(path);
            QVERIFY(log.open(QIODevice::WriteOnly));
            log.write("# Messages file\r\nAviso: Dentista \x80\r\n"); // Windows-1252
        }
        DocumentOpener::open(path);
        qputenv("PATH", oldPath);
        DocumentViewer* viewer = DocumentViewer::current();
        QVERIFY(viewer && viewer->isVisible());
        QCOMPARE(viewer->file(), path);
        QCOMPARE(viewer->windowTitle(), fetched("title"));
        QVERIFY(viewer->browser()->toPlainText().contains(fetched("shown")));
        viewer->close();
        QTRY_VERIFY(!DocumentViewer::current());
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
