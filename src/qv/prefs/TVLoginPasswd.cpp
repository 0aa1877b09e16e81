// The connection login dialog.
#include "qv/prefs/TVLoginPasswd.h"

#include "core/TextCatalogue.h"
#include "qv/EntradaCp1252.h"
#include "ui/AccessibleTexts.h"
#include "ui/HelpPages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TVLoginPasswd::TVLoginPasswd(QWidget* parent) : QDialog(parent) {
    setObjectName("TVLoginPasswd");
    // Fixed border, no border icons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(LeerTexto(6001));

    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setMaxLength(kMaxChars);
        EntradaCp1252::proteger(e); // a character the connection cannot hold would fail at the server
        return e;
    };
    m_labelLogin = new QLabel(LeerTexto(6002), this);
    m_labelLogin->setObjectName("LabelSetLogin");
    m_labelPasswd = new QLabel(LeerTexto(6003), this);
    m_labelPasswd->setObjectName("LabelSetPasswd");
    m_editLogin = edit("EditSetLogin");
    m_editPasswd = edit("EditSetPasswd"); // shown in clear, as the user typed it
    m_labelLogin->setBuddy(m_editLogin);
    m_labelPasswd->setBuddy(m_editPasswd);

    m_aceptar = new QPushButton(LeerTexto(6004), this);
    m_aceptar->setObjectName("BotonAceptar");
    m_aceptar->setDefault(true);
    m_cancelar = new QPushButton(LeerTexto(6005), this);
    m_cancelar->setObjectName("BotonCancelar");
    connect(m_aceptar, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelar, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(m_labelLogin, 0, 0);
    grid->addWidget(m_editLogin, 0, 1);
    grid->addWidget(m_labelPasswd, 1, 0);
    grid->addWidget(m_editPasswd, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_aceptar);
    buttons->addWidget(m_cancelar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    HelpPages::setTopic(this, QStringLiteral("QVH_LoginPasswd"));
    HelpPages::installF1(this);
    AccessibleTexts::describe(this);
    setFixedSize(sizeHint().expandedTo(QSize(328, 147)));
}

void TVLoginPasswd::setValores(const QString& login, const QString& passwd) {
    m_editLogin->setText(login);
    m_editPasswd->setText(passwd);
}

QString TVLoginPasswd::login() const {
    return m_editLogin->text();
}
QString TVLoginPasswd::passwd() const {
    return m_editPasswd->text();
}

bool PedirLoginPasswd(QWidget* parent, QString& login, QString& passwd) {
    TVLoginPasswd dialog(parent);
    dialog.setValores(login, passwd);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() == QDialog::Accepted) {
        login = dialog.login();
        passwd = dialog.passwd();
    } else {
        login.clear();
        passwd.clear();
    }
    return true;
}
