// The preferences dialog's general and alert tabs, OK and Cancel, the address
// book, help, and the connection login dialog, driven by object names.
#include "PrefsTestSupport.h"
#include "TelefonosDePrueba.h"

#include "qv/prefs/TVLoginPasswd.h"
#include "qv/prefs/TVPreferencias.h"
#include "qv/prefs/UpDownCiclico.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

using namespace PrefsTest;

class TestPrefs : public QObject {
    Q_OBJECT

    EstadoTelefonos m_telefonos;

    std::unique_ptr<TVPreferencias> abrir() {
        auto d = std::make_unique<TVPreferencias>(nullptr, std::make_unique<TelefonosDePrueba>(m_telefonos));
        QString error;
        if (!d->cargar(&error)) qWarning() << error;
        d->show();
        return d;
    }
    template <typename T> static T* find(QWidget* d, const char* name) {
        T* w = d->findChild<T*>(name);
        if (!w) qWarning() << "missing" << name;
        return w;
    }
    static void click(QWidget* d, const char* name) { find<QPushButton>(d, name)->click(); }
    static QStringList rows(QWidget* d) {
        QStringList out;
        auto* list = find<QTreeWidget>(d, "ListaDireccEmail");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0) + "#" + list->topLevelItem(i)->text(1);
        return out;
    }
    static void addAddress(QWidget* d, const QString& text) {
        onModal<QInputDialog>([text](QInputDialog* box) {
            QCOMPARE(box->windowTitle(), LeerTexto(9009));
            box->setTextValue(text);
            box->accept();
        });
        click(d, "BotonNuevaDirecc");
    }

private slots:
    void init() {
        prepare();
        m_telefonos = {};
    }

    void firstOpeningCreatesProfilesAndShowsDefaults() {
        auto d = abrir();
        QCOMPARE(QFileInfo(pfl()).size(), qint64(Perfiles::kTamanoRegistro));
        QCOMPARE(fileBytes(pfl()).left(4), QByteArray("\x00\x01\x01\x00", 4));
        QCOMPARE(d->windowTitle(), LeerTexto(2001));
        QCOMPARE(find<QTabWidget>(d.get(), "Paginas")->currentWidget()->objectName(), QString("TabGeneral"));
        QCOMPARE(find<QLabel>(d.get(), "LabelActual")->text(), QString("1"));
        QCOMPARE(find<QComboBox>(d.get(), "ComboAccesoTelef")->itemText(0), LeerTexto(2307));
        // Defaults of a new installation
        QCOMPARE(find<QLineEdit>(d.get(), "EditMinutos")->text(), QString("30"));
        QCOMPARE(find<QLineEdit>(d.get(), "EditEspera")->text(), QString("2"));
        QCOMPARE(find<QLineEdit>(d.get(), "EditCerrarVentana")->text(), QString("15"));
        QVERIFY(find<QCheckBox>(d.get(), "CheckStartup")->isChecked());
        QVERIFY(find<QRadioButton>(d.get(), "GrupoLaborables_0")->isChecked());
        QVERIFY(find<QRadioButton>(d.get(), "GrupoFormato_0")->isChecked());
    }

    // Typed digits set a spinner's value as its arrows do, within its range.
    void spinnersTakeTypedDigits_data() {
        QTest::addColumn<QString>("spinner");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value");
        QTest::newRow("close alerts") << "UpDownCerrarVentana"
                                      << "25" << 25;
        QTest::newRow("close alerts beyond 58 keeps the digits that fit") << "UpDownCerrarVentana"
                                                                          << "99" << 9;
        QTest::newRow("check interval") << "UpDownComprobar"
                                        << "120" << 120;
        QTest::newRow("time-out") << "UpDownEspera"
                                  << "7" << 7;
    }
    void spinnersTakeTypedDigits() {
        QFETCH(QString, spinner);
        QFETCH(QString, typed);
        QFETCH(int, value);
        auto d = abrir();
        auto* s = d->findChild<UpDownCiclico*>(spinner);
        QVERIFY(s && !s->edit()->isReadOnly());
        s->edit()->selectAll();
        QTest::keyClicks(s->edit(), typed);
        QTest::keyClick(s->edit(), Qt::Key_Enter);
        QCOMPARE(s->value(), value);
    }

    void eachSoundEditShowsItsOwnStyle() {
        Ajustes::setMsgWindowSndClassic("/snd/c.wav");
        Ajustes::setMsgWindowSndDoggy("");
        Ajustes::setMsgWindowSndBabe("/snd/b.wav");
        auto d = abrir();
        QCOMPARE(find<QLineEdit>(d.get(), "EditSonidoClassic")->text(), QString("/snd/c.wav"));
        QCOMPARE(find<QLineEdit>(d.get(), "EditSonidoDoggy")->text(), LeerTexto(3017));
        QCOMPARE(find<QLineEdit>(d.get(), "EditSonidoBabe")->text(), QString("/snd/b.wav"));
    }

    void spinnersStepAndWrap_data() {
        QTest::addColumn<QString>("spinner");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<QString>("shown"); // at the last step
        // Closing alerts after 0 minutes means never: the spinner says so.
        QTest::newRow("close alerts up from 15")
            << "UpDownCerrarVentana" << 15 << 22 << QList<int>{17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37,
                                                               39, 41, 43, 45, 47, 49, 51, 53, 55, 57, 0}
            << LeerTexto(20210);
        QTest::newRow("close alerts down from 0")
            << "UpDownCerrarVentana" << 0 << -2 << QList<int>{58, 56} << "56";
        QTest::newRow("check interval up from 715")
            << "UpDownComprobar" << 715 << 2 << QList<int>{720, 0} << "0";
        QTest::newRow("check interval down from 0")
            << "UpDownComprobar" << 0 << -1 << QList<int>{720} << "720";
        QTest::newRow("time-out up from 9") << "UpDownEspera" << 9 << 2 << QList<int>{10, 1} << "1";
        QTest::newRow("time-out down from 1") << "UpDownEspera" << 1 << -1 << QList<int>{10} << "10";
    }
    void spinnersStepAndWrap() {
        QFETCH(QString, spinner);
        QFETCH(int, start);
        QFETCH(int, steps);
        QFETCH(QList<int>, expected);
        QFETCH(QString, shown);
        auto d = abrir();
        auto* s = d->findChild<UpDownCiclico*>(spinner);
        QVERIFY(s);
        s->setValue(start);
        QList<int> seen;
        for (int i = 0; i < qAbs(steps); ++i) {
            QTest::keyClick(s, steps > 0 ? Qt::Key_Up : Qt::Key_Down);
            seen << s->value();
        }
        QCOMPARE(seen, expected);
        QCOMPARE(s->edit()->text(), shown);
    }

    void okWritesEverySettingAndTheProfilesFile() {
        int cuenta = -1;
        TVPreferencias::setCuentaRevisionEmail([&cuenta](int c) { cuenta = c; });
        auto d = abrir();
        find<QCheckBox>(d.get(), "CheckStartup")->setChecked(false);
        find<QCheckBox>(d.get(), "CheckSplash")->setChecked(false);
        d->findChild<UpDownCiclico*>("UpDownComprobar")->setValue(45);
        d->findChild<UpDownCiclico*>("UpDownEspera")->setValue(7);
        find<QCheckBox>(d.get(), "CheckEnvComp")->setChecked(true);
        find<QCheckBox>(d.get(), "CheckBorrarUnsent")->setChecked(false);
        find<QCheckBox>(d.get(), "CheckSaveReceived")->setChecked(false);
        find<QCheckBox>(d.get(), "CheckPasados")->setChecked(false);
        d->findChild<UpDownCiclico*>("UpDownCerrarVentana")->setValue(58);
        find<QRadioButton>(d.get(), "GrupoLaborables_1")->setChecked(true);
        find<QRadioButton>(d.get(), "GrupoFormato_2")->setChecked(true);
        find<QLineEdit>(d.get(), "EditEmailUsuario")->setText("ana@example.org");
        click(d.get(), "BotonAceptar");

        QCOMPARE(d->result(), int(QDialog::Accepted));
        QVERIFY(!Ajustes::ExisteArranqueWindows());
        QVERIFY(!Ajustes::splash());
        QCOMPARE(Ajustes::checkEmailEvery(), 45);
        QCOMPARE(cuenta, 180);
        QCOMPARE(Ajustes::timeOut(), 7);
        QVERIFY(Ajustes::sendOnCheck());
        QVERIFY(!Ajustes::eraseUnsent());
        QVERIFY(!Ajustes::saveReceived());
        QVERIFY(!Ajustes::dueMsgs());
        QCOMPARE(Ajustes::closeMsgs(), 58);
        QCOMPARE(Ajustes::workingDays(), 2);
        QCOMPARE(Ajustes::msgWindowFmt(), 3);
        RegistroPerfiles leido;
        QVERIFY(LeerArchivoPerfiles(pfl(), leido));
        QCOMPARE(leido.perfil(1).emailUsuario, QString("ana@example.org"));
        TVPreferencias::setCuentaRevisionEmail({});
    }

    void cancelWritesNothing() {
        { auto d = abrir(); }
        const QByteArray before = fileBytes(pfl());
        auto d = abrir();
        d->findChild<UpDownCiclico*>("UpDownComprobar")->setValue(60);
        find<QCheckBox>(d.get(), "CheckSplash")->setChecked(false);
        find<QLineEdit>(d.get(), "EditEmailUsuario")->setText("ana@example.org");
        addAddress(d.get(), "x@example.org");
        click(d.get(), "BotonCancelar");
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(Ajustes::checkEmailEvery(), 30);
        QVERIFY(Ajustes::splash());
        QCOMPARE(fileBytes(pfl()), before);
    }

    void restoredAndChosenSoundsAreStored() {
        Ajustes::setMsgWindowSndBabe("/snd/b.wav");
        QFile wav(dir() + "ladrido.wav");
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.write("RIFF");
        wav.close();
        auto d = abrir();
        // Restore on the Babe edit
        auto* babe = find<QLineEdit>(d.get(), "EditSonidoBabe");
        emit babe->customContextMenuRequested(QPoint(2, 2));
        d->findChild<QAction*>("MPSARestaurar")->trigger();
        QCOMPARE(babe->text(), LeerTexto(3017));
        // Choose a file for Doggy: the chooser opens in the program folder
        onModal<QFileDialog>([this](QFileDialog* f) {
            QCOMPARE(f->objectName(), QString("ElegirArchivo"));
            QCOMPARE(f->windowTitle(), LeerTexto(2991));
            QCOMPARE(QDir(f->directory()).absolutePath(), QDir(dir()).absolutePath());
            f->selectFile(dir() + "ladrido.wav");
            static_cast<QDialog*>(f)->accept();
        });
        click(d.get(), "BotonDoggy");
        QCOMPARE(find<QLineEdit>(d.get(), "EditSonidoDoggy")->text(), dir() + "ladrido.wav");
        click(d.get(), "BotonAceptar");
        QCOMPARE(Ajustes::msgWindowSndBabe(), QString());
        QCOMPARE(Ajustes::msgWindowSndDoggy(), dir() + "ladrido.wav");
        QCOMPARE(Ajustes::msgWindowSndClassic(), dir() + "Aviso.WAV");
    }

    // A sound file that cannot be played is told, and the built-in sound plays.
    void testSoundPlaysTheStyleFileOrItsBuiltInSound() {
        const QString own = dir() + "c.wav";
        QFile::remove(own);
        QVERIFY(QFile::copy(ORB_SOURCE_DIR "/resources/alerts/WAV_CLASSIC.wav", own));
        Ajustes::setMsgWindowSndClassic(own);
        Ajustes::setMsgWindowSndBabe("");
        Ajustes::setMsgWindowSndDoggy(dir() + "gone.wav");
        Ajustes::setMsgWindowFmt(1); // the style set does not matter for the test sound
        auto d = abrir();
        auto* probar = d->findChild<QAction*>("MPSAProbar");
        for (const char* edit : {"EditSonidoBabe", "EditSonidoClassic", "EditSonidoDoggy"}) {
            emit find<QLineEdit>(d.get(), edit)->customContextMenuRequested(QPoint(1, 1));
            probar->trigger();
        }
        QCOMPARE(soundCalls(), QStringList({"res:WAV_BABE", "file:" + own, "res:WAV_DOGGY"}));
        QCOMPARE(MessageBoxes::shownTexts().size(), 1);
        QVERIFY(MessageBoxes::shownTexts().last().contains("gone.wav"));
    }

    void addressBookNewDeleteAndNumbers() {
        auto d = abrir();
        for (const char* a : {"a@x", "b@x", "c@x", "d@x", "e@x"})
            addAddress(d.get(), a);
        QCOMPARE(rows(d.get()).last(), QString("e@x#0"));
        click(d.get(), "BotonAceptar");
        // Reopen: numbers 1..5; delete number 4, add one: it takes number 4.
        d = abrir();
        QCOMPARE(rows(d.get()), QStringList({"a@x#1", "b@x#2", "c@x#3", "d@x#4", "e@x#5"}));
        auto* list = find<QTreeWidget>(d.get(), "ListaDireccEmail");
        list->setCurrentItem(list->topLevelItem(3));
        click(d.get(), "BotonBorrarDirecc");
        addAddress(d.get(), "nuevo@x");
        click(d.get(), "BotonAceptar");
        QCOMPARE(LeerPerfilesParaUso(pfl()).direccion(4), QString("nuevo@x"));
        QCOMPARE(LeerPerfilesParaUso(pfl()).direccion(5), QString("e@x"));
    }

    void addressBookRefusals() {
        auto d = abrir();
        click(d.get(), "BotonBorrarDirecc");
        QCOMPARE(MessageBoxes::shownTexts(), QStringList{LeerTexto(9010)});
        // An empty answer and Cancel add nothing; line breaks never reach the file.
        addAddress(d.get(), "");
        onModal<QInputDialog>([](QInputDialog* box) { box->reject(); });
        click(d.get(), "BotonNuevaDirecc");
        MessageBoxes::shownTexts().clear();
        addAddress(d.get(), "evil@x\r\nBcc: all@x");
        QCOMPARE(rows(d.get()), QStringList());
        QCOMPARE(MessageBoxes::shownTexts(), QStringList{LeerTexto(20811).arg("evil@xBcc: all@x")});
        auto* list = find<QTreeWidget>(d.get(), "ListaDireccEmail");
        for (int i = 0; i < 255; ++i)
            new QTreeWidgetItem(list, {QString("n%1@x").arg(i), "0"});
        MessageBoxes::shownTexts().clear();
        click(d.get(), "BotonNuevaDirecc"); // no input box may open
        QCOMPARE(MessageBoxes::shownTexts(), QStringList{LeerTexto(9008)});
        QCOMPARE(list->topLevelItemCount(), 255);
    }

    // What the new-address box takes: the forms the mail client sends to, one
    // recipient or a list; anything else is refused, named in the message.
    void addressBookTakesOnlyAddresses_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("refused"); // named in the message; empty: added
        QTest::newRow("plain") << "ana@example.com"
                               << "";
        QTest::newRow("name and address") << "Ana Gil <ana@example.com>"
                                          << "";
        QTest::newRow("quoted name with comma") << "\"Gil, Ana\" <ana@x>"
                                                << "";
        QTest::newRow("list") << "Bob <bob@x>, carol@y"
                              << "";
        QTest::newRow("list with semicolon") << "bob@x; carol@y"
                                             << "";
        QTest::newRow("name alone") << "Ana Gil"
                                    << "Ana Gil";
        QTest::newRow("no domain") << "ana@"
                                   << "ana@";
        QTest::newRow("no local part") << "@example.com"
                                       << "@example.com";
        QTest::newRow("two at signs") << "ana@b@c"
                                      << "ana@b@c";
        QTest::newRow("blank inside") << "ana gil@x"
                                      << "ana gil@x";
        QTest::newRow("empty domain label") << "ana@example..com"
                                            << "ana@example..com";
        QTest::newRow("unclosed bracket") << "Ana <ana@x"
                                          << "Ana <ana@x";
        QTest::newRow("text after bracket") << "Ana <ana@x> y"
                                            << "Ana <ana@x> y";
        QTest::newRow("bad one in a list") << "bob@x, carol"
                                           << "carol";
        QTest::newRow("only commas") << ", ;"
                                     << ", ;";
    }
    void addressBookTakesOnlyAddresses() {
        QFETCH(QString, typed);
        QFETCH(QString, refused);
        auto d = abrir();
        MessageBoxes::shownTexts().clear();
        onModal<QInputDialog>([typed](QInputDialog* box) {
            // A prompt, and room for a name with its address.
            QCOMPARE(box->labelText(), LeerTexto(20812));
            auto* edit = box->findChild<QLineEdit*>();
            QVERIFY(edit->width() >=
                    edit->fontMetrics().horizontalAdvance("Ana Gil Martinez <ana.gil@example.com>"));
            box->setTextValue(typed);
            box->accept();
        });
        click(d.get(), "BotonNuevaDirecc");
        if (refused.isEmpty()) {
            QCOMPARE(rows(d.get()), QStringList{typed + "#0"});
            QCOMPARE(MessageBoxes::shownTexts(), QStringList());
        } else {
            QCOMPARE(rows(d.get()), QStringList());
            QCOMPARE(MessageBoxes::shownTexts(), QStringList{LeerTexto(20811).arg(refused)});
        }
    }

    void sortOrdersOnceAndKeepsNumbers() {
        auto d = abrir();
        auto* list = find<QTreeWidget>(d.get(), "ListaDireccEmail");
        for (auto [a, n] : {std::pair{"pedro@x", "1"}, {"Ana@x", "2"}, {"luis@x", "3"}, {"ana@x", "0"}})
            new QTreeWidgetItem(list, {a, n});
        click(d.get(), "BotonOrdenarDirecc");
        const QStringList sorted = rows(d.get());
        QCOMPARE(sorted.size(), 4);
        for (int i = 1; i < sorted.size(); ++i)
            QVERIFY2(QString::localeAwareCompare(sorted[i - 1].section('#', 0, 0),
                                                 sorted[i].section('#', 0, 0)) <= 0,
                     qPrintable(sorted.join(' ')));
        QVERIFY(sorted.contains("pedro@x#1") && sorted.contains("luis@x#3") && sorted.contains("ana@x#0"));
        addAddress(d.get(), "aaa@x");
        QCOMPARE(rows(d.get()).last(), QString("aaa@x#0")); // the list does not stay sorted
    }

    void helpFollowsTheActiveTab_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("topic");
        QTest::newRow("general") << 0 << "QVH_ConfigGeneral";
        QTest::newRow("alerts") << 1 << "QVH_ConfigAvisos";
        QTest::newRow("profiles") << 2 << "QVH_ConfigPerfiles";
        QTest::newRow("calendar") << 3 << "QVH_ConfigCalendario";
    }
    void helpFollowsTheActiveTab() {
        QFETCH(int, tab);
        QFETCH(QString, topic);
        auto d = abrir();
        find<QTabWidget>(d.get(), "Paginas")->setCurrentIndex(tab);
        click(d.get(), "BotonAyuda");
        QCOMPARE(openedFiles(), QStringList{LogReview::helpPage(topic)});
        QVERIFY(d->isVisible());
    }

    void loginDialogOkReturnsEditsCancelEmpties() {
        QString login = "old", passwd = "secret";
        onModal<TVLoginPasswd>([](TVLoginPasswd* dlg) {
            QCOMPARE(dlg->windowTitle(), LeerTexto(6001));
            QCOMPARE(dlg->findChild<QLineEdit*>("EditSetLogin")->text(), QString("old"));
            QCOMPARE(dlg->findChild<QLineEdit*>("EditSetPasswd")->echoMode(), QLineEdit::Normal);
            QCOMPARE(dlg->findChild<QLineEdit*>("EditSetLogin")->maxLength(), 120);
            dlg->findChild<QLineEdit*>("EditSetLogin")->setText("nuevo");
            dlg->findChild<QPushButton*>("BotonAceptar")->click();
        });
        QVERIFY(PedirLoginPasswd(nullptr, login, passwd));
        QCOMPARE(login, QString("nuevo"));
        QCOMPARE(passwd, QString("secret"));
        onModal<TVLoginPasswd>(
            [](TVLoginPasswd* dlg) { dlg->findChild<QPushButton*>("BotonCancelar")->click(); });
        QVERIFY(PedirLoginPasswd(nullptr, login, passwd));
        QVERIFY(login.isEmpty() && passwd.isEmpty());
    }
};

QTEST_MAIN(TestPrefs)
#include "tst_prefs.moc"
