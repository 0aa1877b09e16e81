// The preferences dialog's profiles tab: navigation, edits copied at once, the
// active-profile rules, the connection list and its buttons, and the profiles
// file it loads and saves.
#include "PrefsTestSupport.h"
#include "TelefonosDePrueba.h"

#include "qv/prefs/TVLoginPasswd.h"
#include "qv/prefs/TVPreferencias.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using namespace PrefsTest;

class TestPrefsProfiles : public QObject {
    Q_OBJECT

    EstadoTelefonos m_tel;

    std::unique_ptr<TVPreferencias> abrir() {
        auto d = std::make_unique<TVPreferencias>(nullptr, std::make_unique<TelefonosDePrueba>(m_tel));
        if (!d->cargar()) return nullptr;
        d->show();
        d->findChild<QTabWidget*>("Paginas")->setCurrentIndex(2);
        return d;
    }
    static QLineEdit* edit(QWidget* d, const char* name) { return d->findChild<QLineEdit*>(name); }
    static QCheckBox* activo(QWidget* d) { return d->findChild<QCheckBox*>("CheckRegistroActivo"); }
    static QComboBox* combo(QWidget* d) { return d->findChild<QComboBox*>("ComboAccesoTelef"); }
    static void click(QWidget* d, const char* name) { d->findChild<QPushButton*>(name)->click(); }
    static void escribirPerfiles(const QList<Perfil>& perfiles, int activo = 0) {
        RegistroPerfiles r;
        for (int i = 0; i < perfiles.size(); ++i)
            r.setPerfil(i + 1, perfiles[i]);
        if (activo) r.hacerActivo(activo);
        QVERIFY(EscribirArchivoPerfiles(pfl(), r));
    }
    static Perfil conEmail(const QString& email) {
        Perfil p;
        p.emailUsuario = email;
        return p;
    }
    // Moves the keyboard focus onto the active box and away again.
    static void pasarPorActivo(TVPreferencias* d, bool clickear) {
        activo(d)->setFocus(Qt::TabFocusReason);
        QVERIFY(QTest::qWaitFor([&] { return activo(d)->hasFocus(); }, 1000));
        if (clickear) activo(d)->click();
        edit(d, "EditUsuario")->setFocus(Qt::TabFocusReason);
        QVERIFY(QTest::qWaitFor([&] { return !activo(d)->hasFocus(); }, 1000));
    }

private slots:
    void init() {
        prepare();
        m_tel = {};
    }

    void navigationWrapsAroundBothEnds() {
        escribirPerfiles({conEmail("uno@x"), conEmail("dos@x")});
        auto d = abrir();
        QVERIFY(d);
        auto* actual = d->findChild<QLabel*>("LabelActual");
        QCOMPARE(edit(d.get(), "EditEmailUsuario")->text(), QString("uno@x"));
        click(d.get(), "SiguienteRegistro");
        QCOMPARE(actual->text(), QString("2"));
        QCOMPARE(edit(d.get(), "EditEmailUsuario")->text(), QString("dos@x"));
        click(d.get(), "RegistroAnterior");
        click(d.get(), "RegistroAnterior");
        QCOMPARE(actual->text(), QString("20"));
        QCOMPARE(edit(d.get(), "EditEmailUsuario")->text(), QString());
        click(d.get(), "SiguienteRegistro");
        QCOMPARE(actual->text(), QString("1"));
    }

    void editsReachTheBufferAtOnceAndOkSavesThem() {
        auto d = abrir();
        QVERIFY(d);
        click(d.get(), "SiguienteRegistro"); // profile 2; profile 1 stays empty
        QTest::keyClicks(edit(d.get(), "EditUsuario"), "Ana Ruiz");
        edit(d.get(), "EditEmailUsuario")->setText("ana@x");
        edit(d.get(), "EditSMTP")->setText("smtp.x");
        edit(d.get(), "EditPOP3")->setText("pop.x");
        edit(d.get(), "EditLoginSMTP")->setText("ana");
        edit(d.get(), "EditLoginPOP3")->setText("ana.pop");
        edit(d.get(), "EditPasswdPOP3")->setText(QString::fromUtf8("p\xc3\xa1ss"));
        QCOMPARE(edit(d.get(), "EditPasswdPOP3")->echoMode(), QLineEdit::Password);
        const Perfil enBuffer = BufferPerfiles().perfil(2);
        QCOMPARE(enBuffer.nombreUsuario, QString("Ana Ruiz"));
        QCOMPARE(enBuffer.passwdPOP3, QString::fromUtf8("p\xc3\xa1ss"));
        // 61 characters typed: the edit and the profile keep 60.
        edit(d.get(), "EditLoginSMTP")->setText(QString(61, 'L'));
        QCOMPARE(BufferPerfiles().perfil(2).loginSMTP, QString(60, 'L'));
        // Navigating away and back shows what was typed.
        click(d.get(), "SiguienteRegistro");
        click(d.get(), "RegistroAnterior");
        QCOMPARE(edit(d.get(), "EditSMTP")->text(), QString("smtp.x"));
        click(d.get(), "BotonAceptar");
        // Saving closes the gap: the profile moves to number 1.
        const RegistroPerfiles r = LeerPerfilesParaUso(pfl());
        QCOMPARE(r.perfil(1).emailUsuario, QString("ana@x"));
        QCOMPARE(r.perfil(1).servidorPOP3, QString("pop.x"));
        QCOMPARE(r.perfil(1).passwdPOP3, QString::fromUtf8("p\xc3\xa1ss"));
        QCOMPARE(r.perfil(2), Perfil{});
    }

    // The connection's login and password and the profile's fields are
    // Windows-1252 text: a Cyrillic password or a Polish name is refused as it is
    // typed or pasted, with a message naming the characters; what can be stored is kept.
    void unstorableInputIsRefusedAtInput_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("named");
        QTest::newRow("login dialog: western text is kept")
            << "EditSetLogin" << QString::fromUtf8("año€") << true << QString::fromUtf8("año€") << QString();
        QTest::newRow("login dialog: user")
            << "EditSetLogin" << QString::fromUtf8("Jürgen✓") << true << QString() << QString::fromUtf8("✓");
        QTest::newRow("login dialog: password typed") << "EditSetPasswd" << QString::fromUtf8("ключ1")
                                                      << false << QString("1") << QString::fromUtf8("к");
        QTest::newRow("profile: Polish name typed") << "EditUsuario" << QString::fromUtf8("Łukasz") << false
                                                    << QString("ukasz") << QString::fromUtf8("Ł");
        QTest::newRow("profile: Cyrillic password pasted")
            << "EditPasswdPOP3" << QString::fromUtf8("пароль") << true << QString() << QString::fromUtf8("п");
        QTest::newRow("profile: western server name is kept")
            << "EditSMTP" << QString::fromUtf8("correo.años.example") << true
            << QString::fromUtf8("correo.años.example") << QString();
    }
    void unstorableInputIsRefusedAtInput() {
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(QString, kept);
        QFETCH(QString, named);
        // Fields named "EditSet..." are the login dialog's, the others the profile tab's.
        std::unique_ptr<QDialog> d;
        if (field.startsWith("EditSet"))
            d = std::make_unique<TVLoginPasswd>(nullptr);
        else
            d = abrir();
        QVERIFY(d);
        d->show();
        QLineEdit* e = edit(d.get(), qPrintable(field));
        QVERIFY(e);
        e->setFocus();
        if (paste) {
            QApplication::clipboard()->setText(input);
            e->paste();
        } else {
            // Typed one key at a time, as a keyboard layout of that script would.
            for (QChar c : input) {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(e, &press);
            }
        }
        QCoreApplication::processEvents();
        QCOMPARE(e->text(), kept);
        const QStringList told = MessageBoxes::shownTexts();
        if (named.isEmpty()) {
            QVERIFY(told.isEmpty());
        } else {
            QVERIFY(!told.isEmpty());
            QVERIFY2(told.first().contains(named), qPrintable(told.first()));
        }
    }

    void deleteClearsTheCurrentProfile() {
        Perfil p = conEmail("uno@x");
        p.servidorSMTP = "smtp.x";
        escribirPerfiles({p}, 1);
        auto d = abrir();
        QVERIFY(d);
        click(d.get(), "BotonBorrarUsuario");
        QCOMPARE(edit(d.get(), "EditEmailUsuario")->text(), QString());
        QCOMPARE(edit(d.get(), "EditSMTP")->text(), QString());
        QVERIFY(!activo(d.get())->isChecked());
        QVERIFY(!BufferPerfiles().perfil(1).activo);
        QCOMPARE(combo(d.get())->currentIndex(), 0);
    }

    void activeBoxRules() {
        escribirPerfiles({conEmail("uno@x"), conEmail("dos@x")}, 1);
        auto d = abrir();
        QVERIFY(d);
        QVERIFY(activo(d.get())->isChecked());
        // The active profile cannot be switched off by a click.
        activo(d.get())->click();
        QVERIFY(activo(d.get())->isChecked());
        // A profile without an address cannot be checked.
        for (int i = 0; i < 2; ++i)
            click(d.get(), "SiguienteRegistro");
        QCOMPARE(d->perfilActual(), 3);
        activo(d.get())->click();
        QVERIFY(!activo(d.get())->isChecked());
        pasarPorActivo(d.get(), true);
        QVERIFY(!activo(d.get())->isChecked());
        QCOMPARE(BufferPerfiles().numeroActivo(), 1);
        // Profile 2: a click that leaves the box unchecked still makes it the
        // active profile when the focus leaves.
        click(d.get(), "RegistroAnterior");
        pasarPorActivo(d.get(), true);
        pasarPorActivo(d.get(), true);
        QVERIFY(activo(d.get())->isChecked());
        QCOMPARE(BufferPerfiles().numeroActivo(), 2);
        QVERIFY(!BufferPerfiles().perfil(1).activo);
        QVERIFY(BufferPerfiles().perfil(2).activo);
    }

    void tabbingThroughTheActiveBoxChangesNothing() {
        escribirPerfiles({conEmail("uno@x"), conEmail("dos@x")}, 1);
        auto d = abrir();
        QVERIFY(d);
        click(d.get(), "SiguienteRegistro");
        pasarPorActivo(d.get(), false);
        QVERIFY(!activo(d.get())->isChecked());
        QCOMPARE(BufferPerfiles().numeroActivo(), 1);
    }

    void okByEnterStillAppliesTheActiveBox() {
        escribirPerfiles({conEmail("uno@x"), conEmail("dos@x")}, 1);
        auto d = abrir();
        QVERIFY(d);
        click(d.get(), "SiguienteRegistro");
        activo(d.get())->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return activo(d.get())->hasFocus(); }, 1000));
        activo(d.get())->click();
        d->findChild<QPushButton*>("BotonAceptar")->animateClick(); // focus stays on the box
        QTRY_COMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(LeerPerfilesParaUso(pfl()).numeroActivo(), 2);
    }

    void connectionListAndCredentials() {
        m_tel.entradas = {"Casa", "Oficina"};
        m_tel.credenciales["Oficina"] = {"ofi", "clave"};
        Perfil p = conEmail("uno@x");
        p.conexionPos = 2;
        p.conexionNombre = "Oficina";
        escribirPerfiles({p});
        auto d = abrir();
        QVERIFY(d);
        QCOMPARE(combo(d.get())->count(), 3);
        QCOMPARE(combo(d.get())->currentText(), QString("Oficina"));
        QCOMPARE(edit(d.get(), "EditUserLogin")->text(), QString("ofi"));
        QCOMPARE(edit(d.get(), "EditUserPasswd")->text(), QString("clave"));
        QVERIFY(edit(d.get(), "EditUserLogin")->isReadOnly());
        // Choosing another connection stores position and name at once.
        combo(d.get())->setCurrentIndex(1);
        emit combo(d.get())->activated(1);
        QCOMPARE(BufferPerfiles().perfil(1).conexionPos, 1);
        QCOMPARE(BufferPerfiles().perfil(1).conexionNombre, QString("Casa"));
        QCOMPARE(edit(d.get(), "EditUserLogin")->text(), QString());
        // The login dialog stores what is filled and leaves the rest.
        onModal<TVLoginPasswd>([](TVLoginPasswd* dlg) {
            dlg->findChild<QLineEdit*>("EditSetLogin")->setText("casero");
            dlg->findChild<QPushButton*>("BotonAceptar")->click();
        });
        click(d.get(), "BotonLoginPasswd");
        QCOMPARE(m_tel.llamadas, QStringList{"user:Casa=casero"});
        QCOMPARE(edit(d.get(), "EditUserLogin")->text(), QString("casero"));
        onModal<TVLoginPasswd>([](TVLoginPasswd* dlg) { dlg->reject(); });
        click(d.get(), "BotonLoginPasswd");
        QCOMPARE(m_tel.llamadas.size(), 1);
        QCOMPARE(m_tel.credenciales["Casa"].first, QString("casero"));
    }

    void storedNameWinsWhenThePhonebookChanged() {
        m_tel.entradas = {"Oficina", "Casa"}; // "Casa" was at position 1 when saved
        Perfil p = conEmail("uno@x");
        p.conexionPos = 2;
        p.conexionNombre = "Casa";
        Perfil q = conEmail("dos@x");
        q.conexionPos = 9; // past the list's end
        q.conexionNombre = "Perdida";
        escribirPerfiles({p, q});
        auto d = abrir();
        QVERIFY(d);
        QCOMPARE(combo(d.get())->currentText(), QString("Casa"));
        QCOMPARE(BufferPerfiles().perfil(1).conexionPos, 2);
        click(d.get(), "SiguienteRegistro");
        QCOMPARE(combo(d.get())->currentIndex(), 0);
        QCOMPARE(BufferPerfiles().perfil(2).conexionNombre, LeerTexto(2307));
    }

    void newAndEditConnection() {
        m_tel.entradas = {"Casa"};
        auto d = abrir();
        QVERIFY(d);
        m_tel.resultadoCrear = 631;
        click(d.get(), "BotonNuevaConex");
        QCOMPARE(MessageBoxes::shownTexts(), QStringList{LeerTexto(9018)});
        QCOMPARE(combo(d.get())->count(), 2);
        m_tel.resultadoCrear = 0;
        m_tel.entradaCreada = "Movil";
        click(d.get(), "BotonNuevaConex");
        QCOMPARE(combo(d.get())->count(), 3);
        QCOMPARE(combo(d.get())->itemText(0), LeerTexto(2307));
        QCOMPARE(combo(d.get())->itemText(2), QString("Movil"));
        QCOMPARE(combo(d.get())->currentIndex(), 0); // the profile's stored position
        combo(d.get())->setCurrentIndex(1);
        emit combo(d.get())->activated(1);
        click(d.get(), "BotonEditarConex");
        QCOMPARE(m_tel.llamadas.last(), QString("edit:Casa"));
        QCOMPARE(combo(d.get())->currentText(), QString("Casa"));
    }

    void credentialsRefusedByThePhonebookAreReported() {
        auto d = abrir(); // no connection chosen: the phonebook has no such entry
        QVERIFY(d);
        onModal<TVLoginPasswd>([](TVLoginPasswd* dlg) {
            dlg->findChild<QLineEdit*>("EditSetLogin")->setText("x");
            dlg->accept();
        });
        click(d.get(), "BotonLoginPasswd");
        QCOMPARE(MessageBoxes::shownTexts(), QStringList{LeerTexto(9018)});
    }

    void unreadableProfilesFileIsNeverReplaced() {
        QFile f(pfl());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a profiles file");
        f.close();
        QVERIFY(!EjecutarPreferencias(nullptr));
        QCOMPARE(fileBytes(pfl()), QByteArray("not a profiles file"));
        QCOMPARE(MessageBoxes::shownTexts().size(), 1);
    }

    void cancelLeavesTheFileButLaterLoadsDropTheEdits() {
        escribirPerfiles({conEmail("uno@x")});
        const QByteArray before = fileBytes(pfl());
        {
            auto d = abrir();
            QVERIFY(d);
            edit(d.get(), "EditEmailUsuario")->setText("otro@x");
            click(d.get(), "BotonCancelar");
        }
        QCOMPARE(fileBytes(pfl()), before);
        auto d = abrir();
        QVERIFY(d);
        QCOMPARE(edit(d.get(), "EditEmailUsuario")->text(), QString("uno@x"));
    }

    // The security fields show the current profile's settings, follow the
    // navigation, reach "QV.PFS" with OK beside the profiles, and come back on
    // the next opening; profile texts refuse what Windows-1252 cannot hold.
    void securityFieldsPerProfile() {
        QFile::remove(dir() + "QV.PFS");
        escribirPerfiles({conEmail("uno@x"), conEmail("dos@x")}, 1);
        auto d = abrir();
        QVERIFY(d);
        auto* smtp = d->findChild<QComboBox*>("ComboSeguridadSMTP");
        auto* pop3 = d->findChild<QComboBox*>("ComboSeguridadPOP3");
        QCOMPARE(smtp->count(), 3);
        smtp->setCurrentIndex(1);
        pop3->setCurrentIndex(2);
        edit(d.get(), "EditPasswdSMTP")->setText("clave ñ€ ☕");
        edit(d.get(), "EditCertificados")->setText("/etc/ssl/company.pem");
        click(d.get(), "SiguienteRegistro");
        QCOMPARE(smtp->currentIndex(), 0);
        QVERIFY(edit(d.get(), "EditPasswdSMTP")->text().isEmpty());
        d->findChild<QCheckBox*>("CheckLoginEnClaro")->click();

        MessageBoxes::shownTexts().clear();
        edit(d.get(), "EditUsuario")->setFocus();
        for (const QString& typed : QStringList{"D", "o", "s", " ", "☕", "ñ"}) { // as a keyboard sends them
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
            QApplication::sendEvent(edit(d.get(), "EditUsuario"), &press);
        }
        QCOMPARE(edit(d.get(), "EditUsuario")->text(), QString("Dos ñ"));
        QCoreApplication::processEvents();
        QCOMPARE(MessageBoxes::shownTexts(), QStringList{LeerTexto(20120).arg("☕")});
        click(d.get(), "RegistroAnterior");
        QCOMPARE(smtp->currentIndex(), 1);
        QCOMPARE(pop3->currentIndex(), 2);
        click(d.get(), "BotonAceptar");

        RegistroPerfiles stored;
        QVERIFY(LeerArchivoPerfiles(pfl(), stored));
        QCOMPARE(stored.perfil(2).nombreUsuario, QString("Dos ñ"));
        const SeguridadActiva active = LeerSeguridadActiva(pfl(), stored);
        QCOMPARE(active.estado, SeguridadActiva::Vigentes);
        QCOMPARE(active.ajustes.smtp, ModoSeguridad::StartTls);
        QCOMPARE(active.ajustes.pop3, ModoSeguridad::Tls);
        QCOMPARE(active.ajustes.passwdSMTP, QString("clave ñ€ ☕"));
        QCOMPARE(active.ajustes.archivoCertificados, QString("/etc/ssl/company.pem"));
        ArchivoSeguridad file;
        QVERIFY(file.leer(dir() + "QV.PFS"));
        QVERIFY(file.ajustesPara(stored)[1]->permitirLoginEnClaro);

        d = abrir();
        QVERIFY(d);
        QCOMPARE(d->findChild<QComboBox*>("ComboSeguridadSMTP")->currentIndex(), 1);
        QCOMPARE(edit(d.get(), "EditPasswdSMTP")->text(), QString("clave ñ€ ☕"));
        QVERIFY(!d->findChild<QLabel*>("LabelSeguridadPerdida")->isVisible());
        click(d.get(), "BotonBorrarUsuario");
        QCOMPARE(d->seguridad(1), std::optional(AjustesSeguridad()));
        QCOMPARE(d->findChild<QComboBox*>("ComboSeguridadPOP3")->currentIndex(), 0);
        d.reset();

        // A server changed by a program that does not know the settings: the
        // profile shows that it lost them, and keeps nothing to send in clear
        // text until the user gives them again.
        Perfil changed = stored.perfil(1);
        changed.servidorSMTP = "smtp.elsewhere.example";
        stored.setPerfil(1, changed);
        QVERIFY(EscribirArchivoPerfiles(pfl(), stored));
        d = abrir();
        QVERIFY(d);
        QVERIFY(d->findChild<QLabel*>("LabelSeguridadPerdida")->isVisible());
        QVERIFY(!d->seguridad(1));
        click(d.get(), "BotonAceptar");
        QVERIFY(LeerArchivoPerfiles(pfl(), stored));
        QCOMPARE(LeerSeguridadActiva(pfl(), stored).estado, SeguridadActiva::Perdidos);
        d = abrir();
        d->findChild<QComboBox*>("ComboSeguridadSMTP")->setCurrentIndex(2);
        QVERIFY(!d->findChild<QLabel*>("LabelSeguridadPerdida")->isVisible());
        click(d.get(), "BotonAceptar");
        QCOMPARE(LeerSeguridadActiva(pfl(), stored).ajustes.smtp, ModoSeguridad::Tls);
    }
};

QTEST_MAIN(TestPrefsProfiles)
#include "tst_prefs_profiles.moc"
