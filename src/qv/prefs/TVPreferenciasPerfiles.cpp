// The profiles tab: one profile of the shared profiles buffer at a time, edited
// in place, with its dial-up connection taken from the phonebook.
#include "qv/prefs/TVPreferencias.h"

#include "core/TextCatalogue.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/EntradaCp1252.h"
#include "qv/MessageBoxes.h"
#include "qv/prefs/AccesoTelefonico.h"
#include "qv/prefs/TVLoginPasswd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel* label(QWidget* parent, const char* name, int text) {
    auto* l = new QLabel(LeerTexto(text), parent);
    l->setObjectName(name);
    return l;
}
QLineEdit* edit(QWidget* parent, const char* name, bool readOnly = false) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(Perfiles::kCapacidadTexto);
    if (readOnly) {
        e->setReadOnly(true);
        e->setStyleSheet("background: palette(window)");
    }
    return e;
}
QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}
// The password edit masks each character with "*", whatever the desktop style
// would use.
class EstiloAsterisco : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
} // namespace

QWidget* TVPreferencias::crearTabPerfiles() {
    auto* tab = new QWidget;
    tab->setObjectName("TabPerfiles");
    m_grupoUsuario = new QGroupBox(LeerTexto(2301), tab);
    m_grupoUsuario->setObjectName("GrupoUsuario");
    QWidget* g = m_grupoUsuario;

    m_labelRegistro = label(g, "LabelRegistro", 2303);
    m_labelActual = new QLabel(QStringLiteral("1"), g);
    m_labelActual->setObjectName("LabelActual");
    m_anterior = button(g, "RegistroAnterior", QStringLiteral("<"));
    m_siguiente = button(g, "SiguienteRegistro", QStringLiteral(">"));
    m_anterior->setFixedWidth(28);
    m_siguiente->setFixedWidth(28);
    m_checkActivo = new QCheckBox(LeerTexto(2302), g);
    m_checkActivo->setObjectName("CheckRegistroActivo");
    m_checkActivo->installEventFilter(this);

    m_editUsuario = edit(g, "EditUsuario");
    m_editEmail = edit(g, "EditEmailUsuario");
    m_editSMTP = edit(g, "EditSMTP");
    m_editPOP3 = edit(g, "EditPOP3");
    m_editLoginSMTP = edit(g, "EditLoginSMTP");
    m_editLoginPOP3 = edit(g, "EditLoginPOP3");
    m_editPasswdPOP3 = edit(g, "EditPasswdPOP3");
    m_editPasswdPOP3->setEchoMode(QLineEdit::Password);
    auto* asterisco = new EstiloAsterisco;
    asterisco->setParent(m_editPasswdPOP3);
    m_editPasswdPOP3->setStyle(asterisco);
    for (QLineEdit* e : {m_editUsuario, m_editEmail, m_editSMTP, m_editPOP3, m_editLoginSMTP, m_editLoginPOP3,
                         m_editPasswdPOP3})
        EntradaCp1252::proteger(e); // the profiles file keeps Windows-1252 text
    m_comboAcceso = new QComboBox(g);
    m_comboAcceso->setObjectName("ComboAccesoTelef");
    m_comboAcceso->setEditable(false);
    m_editUserLogin = edit(g, "EditUserLogin", true);
    m_editUserPasswd = edit(g, "EditUserPasswd", true);
    m_loginPasswd = button(g, "BotonLoginPasswd", LeerTexto(2312));
    m_nuevaConex = button(g, "BotonNuevaConex", LeerTexto(2310));
    m_editarConex = button(g, "BotonEditarConex", LeerTexto(2311));
    m_borrarUsuario = button(g, "BotonBorrarUsuario", LeerTexto(2318));

    auto* grid = new QGridLayout(g);
    auto* nav = new QHBoxLayout;
    nav->addWidget(m_labelRegistro);
    nav->addWidget(m_anterior);
    nav->addWidget(m_labelActual);
    nav->addWidget(m_siguiente);
    nav->addStretch();
    nav->addWidget(m_checkActivo);
    nav->addSpacing(12);
    nav->addWidget(m_borrarUsuario);
    int row = 0;
    grid->addLayout(nav, row++, 0, 1, 4);
    auto pair = [&](const char* name, int text, QWidget* w, int col) {
        grid->addWidget(label(g, name, text), row, col);
        grid->addWidget(w, row + 1, col, 1, 2);
    };
    pair("LabelUsuario", 2304, m_editUsuario, 0);
    pair("LabelEmail", 2305, m_editEmail, 2);
    row += 2;
    pair("LabelNombreSMTP", 2313, m_editSMTP, 0);
    pair("LabelNombrePOP3", 2314, m_editPOP3, 2);
    row += 2;
    pair("LabelLoginSMTP", 2315, m_editLoginSMTP, 0);
    pair("LabelLoginPOP3", 2316, m_editLoginPOP3, 2);
    row += 2;
    m_editPasswdSMTP = edit(g, "EditPasswdSMTP");
    m_editPasswdSMTP->setMaxLength(255);
    pair("LabelPasswdSMTP", 20009, m_editPasswdSMTP, 0);
    pair("LabelPasswdPOP3", 2317, m_editPasswdPOP3, 2);
    row += 2;
    grid->addWidget(label(g, "LabelAccesoTelef", 2306), row++, 0, 1, 4);
    grid->addWidget(m_comboAcceso, row++, 0, 1, 4);
    pair("LabelLoginUsuario", 2308, m_editUserLogin, 0);
    pair("LabelPasswdUsuario", 2309, m_editUserPasswd, 2);
    row += 2;
    auto* conexion = new QHBoxLayout;
    conexion->addWidget(m_loginPasswd);
    conexion->addWidget(m_nuevaConex);
    conexion->addWidget(m_editarConex);
    grid->addLayout(conexion, row++, 0, 1, 4);

    for (QLineEdit* e : {m_editUsuario, m_editEmail, m_editSMTP, m_editPOP3, m_editLoginSMTP, m_editLoginPOP3,
                         m_editPasswdPOP3})
        connect(e, &QLineEdit::textChanged, this, &TVPreferencias::copiarEdicion);
    connect(m_siguiente, &QPushButton::clicked, this, &TVPreferencias::SiguienteRegistroClick);
    connect(m_anterior, &QPushButton::clicked, this, &TVPreferencias::RegistroAnteriorClick);
    connect(m_comboAcceso, &QComboBox::activated, this, &TVPreferencias::ComboAccesoTelefChange);
    connect(m_loginPasswd, &QPushButton::clicked, this, &TVPreferencias::BotonLoginPasswdClick);
    connect(m_nuevaConex, &QPushButton::clicked, this, [this] { conexionDialogo(true); });
    connect(m_editarConex, &QPushButton::clicked, this, [this] { conexionDialogo(false); });
    connect(m_borrarUsuario, &QPushButton::clicked, this, &TVPreferencias::BotonBorrarUsuarioClick);
    connect(m_checkActivo, &QCheckBox::clicked, this, &TVPreferencias::CheckRegistroActivoClick);

    m_editPasswdSMTP->setEchoMode(QLineEdit::Password);
    m_editPasswdSMTP->setStyle(asterisco);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_grupoUsuario);
    layout->addWidget(crearGrupoSeguridad(tab));
    layout->addStretch();
    return tab;
}

void TVPreferencias::mostrarPerfil(int p) {
    m_actual = p;
    const Perfil perfil = BufferPerfiles().perfil(p);
    m_mostrando = true; // the edits' change handling must not write back while filling
    m_labelActual->setText(QString::number(p));
    m_checkActivo->setChecked(perfil.activo);
    m_editUsuario->setText(perfil.nombreUsuario);
    m_editEmail->setText(perfil.emailUsuario);
    m_editSMTP->setText(perfil.servidorSMTP);
    m_editPOP3->setText(perfil.servidorPOP3);
    m_editLoginSMTP->setText(perfil.loginSMTP);
    m_editLoginPOP3->setText(perfil.loginPOP3);
    m_editPasswdPOP3->setText(perfil.passwdPOP3);
    m_mostrando = false;
    mostrarSeguridad();
    seleccionarConexion(perfil);
    ComboAccesoTelefChange();
}

void TVPreferencias::seleccionarConexion(const Perfil& perfil) {
    // The stored name wins over the stored position: when the phonebook has
    // changed since the profile was saved, the position alone would pick another
    // connection and the profile would dial it.
    int indice = -1;
    if (perfil.conexionPos >= 1) indice = m_comboAcceso->findText(perfil.conexionNombre, Qt::MatchExactly);
    if (indice < 1)
        indice =
            perfil.conexionPos >= 0 && perfil.conexionPos < m_comboAcceso->count() ? perfil.conexionPos : 0;
    m_comboAcceso->setCurrentIndex(indice);
}

void TVPreferencias::SiguienteRegistroClick() {
    mostrarPerfil(m_actual >= Perfiles::kNumPerfiles ? 1 : m_actual + 1);
}

void TVPreferencias::RegistroAnteriorClick() {
    mostrarPerfil(m_actual <= 1 ? Perfiles::kNumPerfiles : m_actual - 1);
}

void TVPreferencias::copiarEdicion() {
    if (m_mostrando) return;
    Perfil perfil = BufferPerfiles().perfil(m_actual);
    const auto cut = [](const QLineEdit* e) { return e->text().left(Perfiles::kCapacidadTexto); };
    perfil.nombreUsuario = cut(m_editUsuario);
    perfil.emailUsuario = cut(m_editEmail);
    perfil.servidorSMTP = cut(m_editSMTP);
    perfil.servidorPOP3 = cut(m_editPOP3);
    perfil.loginSMTP = cut(m_editLoginSMTP);
    perfil.loginPOP3 = cut(m_editLoginPOP3);
    perfil.passwdPOP3 = cut(m_editPasswdPOP3);
    BufferPerfiles().setPerfil(m_actual, perfil);
}

void TVPreferencias::llenarComboConexiones() {
    m_ras->GetEntries();
    m_comboAcceso->clear();
    m_comboAcceso->addItem(LeerTexto(2307));
    m_comboAcceso->addItems(m_ras->Entries());
    m_comboAcceso->setCurrentIndex(0);
}

void TVPreferencias::ComboAccesoTelefChange() {
    Perfil perfil = BufferPerfiles().perfil(m_actual);
    perfil.conexionPos = qMax(0, m_comboAcceso->currentIndex());
    perfil.conexionNombre = m_comboAcceso->currentText().left(Perfiles::kCapacidadTexto);
    BufferPerfiles().setPerfil(m_actual, perfil);
    m_ras->setEntry(m_comboAcceso->currentText());
    QString login, passwd;
    if (m_ras->GetEntryUserName(login) != 0) login.clear();
    if (m_ras->GetEntryPassword(passwd) != 0) passwd.clear();
    m_editUserLogin->setText(login);
    m_editUserPasswd->setText(passwd);
}

void TVPreferencias::BotonLoginPasswdClick() {
    QString login, passwd;
    if (m_ras->GetEntryUserName(login) != 0) login.clear();
    if (m_ras->GetEntryPassword(passwd) != 0) passwd.clear();
    PedirLoginPasswd(this, login, passwd);
    int resultado = 0;
    if (!login.isEmpty()) resultado = m_ras->SetEntryUserName(login);
    if (!passwd.isEmpty() && resultado == 0) resultado = m_ras->SetEntryPassword(passwd);
    // A change the phonebook refused must not look as if it had been stored.
    if (resultado != 0) MessageBoxes::errorText(this, 9018);
    ComboAccesoTelefChange();
}

void TVPreferencias::conexionDialogo(bool nueva) {
    const int resultado = nueva ? m_ras->CreateEntry(this) : m_ras->EditEntry(this);
    if (resultado != 0) {
        MessageBoxes::errorText(this, 9018);
        return;
    }
    llenarComboConexiones();
    seleccionarConexion(BufferPerfiles().perfil(m_actual));
    ComboAccesoTelefChange();
}

void TVPreferencias::BotonBorrarUsuarioClick() {
    BufferPerfiles().borrarPerfil(m_actual);
    m_seguridad[m_actual - 1] = AjustesSeguridad();
    mostrarPerfil(m_actual);
}

void TVPreferencias::CheckRegistroActivoClick() {
    m_activoPulsado = true;
    const Perfil perfil = BufferPerfiles().perfil(m_actual);
    if (!perfil.enUso())
        m_checkActivo->setChecked(false);
    else if (perfil.activo)
        m_checkActivo->setChecked(true); // the active profile cannot be switched off
}

void TVPreferencias::CheckRegistroActivoExit() {
    const Perfil perfil = BufferPerfiles().perfil(m_actual);
    // Passing through the box with the Tab key alone changes nothing: only a
    // click, or a box that shows checked, makes the profile the active one.
    const bool pedido = m_activoPulsado || m_checkActivo->isChecked();
    m_activoPulsado = false;
    if (!perfil.enUso() || !pedido) return;
    m_checkActivo->setChecked(true);
    BufferPerfiles().hacerActivo(m_actual);
}
