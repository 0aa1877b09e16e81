// The profiles tab's mail security: how each server is reached, the SMTP
// password (in QV.PFS or, where a keyring runs and the user asks, in the
// desktop keyring), plain-text logins and extra trusted certificates of the
// current profile. They are kept beside the profiles file (QV.PFS), saved with
// it on OK.
#include "qv/prefs/TVPreferencias.h"

#include "core/TextCatalogue.h"
#include "profiles/MailPasswords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QComboBox* comboModos(QWidget* parent, const char* name, int textoStartTls, int textoTls) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    // Item index = ModoSeguridad value.
    combo->addItems({LeerTexto(20002), LeerTexto(textoStartTls), LeerTexto(textoTls)});
    return combo;
}

} // namespace

QGroupBox* TVPreferencias::crearGrupoSeguridad(QWidget* tab) {
    m_grupoSeguridad = new QGroupBox(LeerTexto(20000), tab);
    m_grupoSeguridad->setObjectName("GrupoSeguridad");
    QWidget* g = m_grupoSeguridad;
    m_comboSegSMTP = comboModos(g, "ComboSeguridadSMTP", 20003, 20004);
    m_comboSegPOP3 = comboModos(g, "ComboSeguridadPOP3", 20007, 20008);
    m_checkLoginEnClaro = new QCheckBox(LeerTexto(20010), g);
    m_checkLoginEnClaro->setObjectName("CheckLoginEnClaro");
    m_editCertificados = new QLineEdit(g);
    m_editCertificados->setObjectName("EditCertificados");
    m_botonCertificados = new QPushButton(LeerTexto(20012), g);
    m_botonCertificados->setObjectName("BotonCertificados");
    // Offered where a keyring runs; elsewhere the page says where the password stays.
    const bool llavero = MailPasswords::keyringAvailable();
    m_checkLlavero = new QCheckBox(LeerTexto(20628), g);
    m_checkLlavero->setObjectName("CheckPasswdEnLlavero");
    m_checkLlavero->setEnabled(llavero);
    auto* sinLlavero = new QLabel(LeerTexto(20629), g);
    sinLlavero->setObjectName("LabelSinLlavero");
    sinLlavero->setWordWrap(true);
    sinLlavero->setVisible(!llavero);
    m_labelSeguridadPerdida = new QLabel(LeerTexto(20016), g);
    m_labelSeguridadPerdida->setObjectName("LabelSeguridadPerdida");
    m_labelSeguridadPerdida->setStyleSheet("color: red");
    m_labelSeguridadPerdida->setWordWrap(true);
    m_labelSeguridadPerdida->hide();

    auto* grid = new QGridLayout(g);
    auto label = [g](const char* name, int text) {
        auto* l = new QLabel(LeerTexto(text), g);
        l->setObjectName(name);
        return l;
    };
    grid->addWidget(label("LabelSeguridadSMTP", 20001), 0, 0);
    grid->addWidget(label("LabelSeguridadPOP3", 20005), 0, 1);
    grid->addWidget(m_comboSegSMTP, 1, 0);
    grid->addWidget(m_comboSegPOP3, 1, 1);
    grid->addWidget(m_checkLoginEnClaro, 2, 0, 1, 2);
    grid->addWidget(label("LabelCertificados", 20011), 3, 0, 1, 2);
    auto* certificados = new QHBoxLayout;
    certificados->addWidget(m_editCertificados, 1);
    certificados->addWidget(m_botonCertificados);
    grid->addLayout(certificados, 4, 0, 1, 2);
    grid->addWidget(m_checkLlavero, 5, 0, 1, 2);
    grid->addWidget(sinLlavero, 6, 0, 1, 2);
    grid->addWidget(m_labelSeguridadPerdida, 7, 0, 1, 2);

    for (QComboBox* c : {m_comboSegSMTP, m_comboSegPOP3})
        connect(c, &QComboBox::currentIndexChanged, this, &TVPreferencias::copiarSeguridad);
    for (QCheckBox* c : {m_checkLoginEnClaro, m_checkLlavero})
        connect(c, &QCheckBox::toggled, this, &TVPreferencias::copiarSeguridad);
    for (QLineEdit* e : {m_editPasswdSMTP, m_editCertificados})
        connect(e, &QLineEdit::textChanged, this, &TVPreferencias::copiarSeguridad);
    connect(m_botonCertificados, &QPushButton::clicked, this, &TVPreferencias::BotonCertificadosClick);
    return m_grupoSeguridad;
}

void TVPreferencias::mostrarSeguridad() {
    // A profile that lost its settings shows none, and says so, until it is given new ones.
    const AjustesSeguridad a = m_seguridad[m_actual - 1].value_or(AjustesSeguridad());
    m_labelSeguridadPerdida->setVisible(!m_seguridad[m_actual - 1]);
    const bool antes = m_mostrando;
    m_mostrando = true;
    m_comboSegSMTP->setCurrentIndex(int(a.smtp));
    m_comboSegPOP3->setCurrentIndex(int(a.pop3));
    m_editPasswdSMTP->setText(a.passwdSMTP);
    m_checkLoginEnClaro->setChecked(a.permitirLoginEnClaro);
    m_editCertificados->setText(a.archivoCertificados);
    m_checkLlavero->setChecked(a.passwdEnLlavero);
    m_mostrando = antes;
}

void TVPreferencias::copiarSeguridad() {
    if (m_mostrando) return;
    m_labelSeguridadPerdida->hide();
    AjustesSeguridad& a = m_seguridad[m_actual - 1].emplace();
    a.smtp = ModoSeguridad(qMax(0, m_comboSegSMTP->currentIndex()));
    a.pop3 = ModoSeguridad(qMax(0, m_comboSegPOP3->currentIndex()));
    a.passwdSMTP = m_editPasswdSMTP->text();
    a.permitirLoginEnClaro = m_checkLoginEnClaro->isChecked();
    a.archivoCertificados = m_editCertificados->text().trimmed();
    a.passwdEnLlavero = m_checkLlavero->isChecked();
}

void TVPreferencias::BotonCertificadosClick() {
    const QString actual = m_editCertificados->text().trimmed();
    const QString archivo = QFileDialog::getOpenFileName(
        this, LeerTexto(20013), actual.isEmpty() ? QString() : QFileInfo(actual).absolutePath(),
        LeerTexto(20014));
    if (!archivo.isEmpty()) m_editCertificados->setText(archivo);
}
