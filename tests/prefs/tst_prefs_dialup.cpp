// The profiles tab over the real dial-up component with its simulated
// phonebook: entries listed, saved credentials shown and changed, failures
// of the phonebook's dialogs reported.
#include "PrefsTestSupport.h"

#include "platform/dialup/SimulatedPhonebook.h"
#include "qv/prefs/AccesoDialUp.h"
#include "qv/prefs/TVLoginPasswd.h"
#include "qv/prefs/TVPreferencias.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace PrefsTest;

class TestPrefsDialUp : public QObject {
    Q_OBJECT

private slots:
    void init() { prepare(); }

    void phonebookThroughTheDialUpComponent() {
        auto book = std::make_shared<dialup::SimulatedPhonebook>(dir() + "phonebook.ini");
        dialup::SimulatedEntry casa;
        casa.name = "Casa";
        casa.userName = "ana";
        casa.password = "pw";
        casa.passwordSaved = true;
        dialup::SimulatedEntry oficina;
        oficina.name = "Oficina";
        QVERIFY(book->put(casa));
        QVERIFY(book->put(oficina));
        RegistroPerfiles r;
        Perfil p;
        p.emailUsuario = "ana@x";
        p.conexionPos = 1;
        p.conexionNombre = "Casa";
        r.setPerfil(1, p);
        QVERIFY(EscribirArchivoPerfiles(pfl(), r));

        TVPreferencias d(nullptr, std::make_unique<AccesoDialUp>(book));
        QVERIFY(d.cargar());
        auto* combo = d.findChild<QComboBox*>("ComboAccesoTelef");
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentText(), QString("Casa"));
        QCOMPARE(d.findChild<QLineEdit*>("EditUserLogin")->text(), QString("ana"));
        QCOMPARE(d.findChild<QLineEdit*>("EditUserPasswd")->text(), QString("pw"));

        // A new user name is stored; the saved password stays.
        onModal<TVLoginPasswd>([](TVLoginPasswd* dlg) {
            dlg->findChild<QLineEdit*>("EditSetLogin")->setText("ana.ruiz");
            dlg->findChild<QLineEdit*>("EditSetPasswd")->clear();
            dlg->accept();
        });
        d.findChild<QPushButton*>("BotonLoginPasswd")->click();
        QCOMPARE(d.findChild<QLineEdit*>("EditUserLogin")->text(), QString("ana.ruiz"));
        dialup::DialParams saved;
        QCOMPARE(book->getDialParams("Casa", saved), quint32(0));
        QCOMPARE(saved.userName, QString("ana.ruiz"));
        QCOMPARE(saved.password, QString("pw"));

        // This phonebook has no editor dialog: the failure is shown.
        d.findChild<QPushButton*>("BotonEditarConex")->click();
        QCOMPARE(MessageBoxes::shownTexts(), QStringList{LeerTexto(9018)});
    }
};

QTEST_MAIN(TestPrefsDialUp)
#include "tst_prefs_dialup.moc"
