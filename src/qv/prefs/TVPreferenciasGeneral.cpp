// The general tab: start-up and e-mail options, and the address book whose rows
// keep each address's entry number until the profiles file is saved.
#include "qv/prefs/TVPreferencias.h"

#include "core/TextCatalogue.h"
#include "profiles/DireccionEmail.h"
#include "qv/EntradaCp1252.h"
#include "qv/MessageBoxes.h"
#include "qv/prefs/UpDownCiclico.h"
#include "settings/Ajustes.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QCheckBox* checkBox(QWidget* parent, const char* name, int text) {
    auto* c = new QCheckBox(LeerTexto(text), parent);
    c->setObjectName(name);
    return c;
}
QLabel* label(QWidget* parent, const char* name, int text) {
    auto* l = new QLabel(LeerTexto(text), parent);
    l->setObjectName(name);
    return l;
}
} // namespace

QWidget* TVPreferencias::crearTabGeneral() {
    auto* tab = new QWidget;
    tab->setObjectName("TabGeneral");

    m_grupoInicio = new QGroupBox(LeerTexto(2101), tab);
    m_grupoInicio->setObjectName("GrupoInicio");
    m_checkStartup = checkBox(m_grupoInicio, "CheckStartup", 2102);
    m_checkSplash = checkBox(m_grupoInicio, "CheckSplash", 2103);
    auto* inicio = new QVBoxLayout(m_grupoInicio);
    inicio->addWidget(m_checkStartup);
    inicio->addWidget(m_checkSplash);

    m_grupoEmail = new QGroupBox(LeerTexto(2104), tab);
    m_grupoEmail->setObjectName("GrupoEmail");
    m_labelComprobar = label(m_grupoEmail, "LabelComprobar", 2105);
    const Ajustes::Rango minutos = Ajustes::descripcion(Ajustes::Id::CheckEmailEvery).rango;
    m_upDownComprobar =
        new UpDownCiclico(m_grupoEmail, "UpDownComprobar", "EditMinutos", minutos.minimo, minutos.maximo, 5);
    m_labelEspera = label(m_grupoEmail, "LabelEspera", 2116);
    const Ajustes::Rango espera = Ajustes::descripcion(Ajustes::Id::TimeOut).rango;
    m_upDownEspera =
        new UpDownCiclico(m_grupoEmail, "UpDownEspera", "EditEspera", espera.minimo, espera.maximo, 1);
    m_checkEnvComp = checkBox(m_grupoEmail, "CheckEnvComp", 2106);
    m_checkBorrarUnsent = checkBox(m_grupoEmail, "CheckBorrarUnsent", 2107);
    m_checkSaveReceived = checkBox(m_grupoEmail, "CheckSaveReceived", 2115);
    m_labelDirecc = label(m_grupoEmail, "LabelDirecc", 2108);

    m_listaDirecc = new QTreeWidget(m_grupoEmail);
    m_listaDirecc->setObjectName("ListaDireccEmail");
    m_labelDirecc->setBuddy(m_listaDirecc);
    m_listaDirecc->setColumnCount(2);
    m_listaDirecc->setHeaderLabels({LeerTexto(2109), LeerTexto(2110)});
    // The address takes the width the number leaves.
    m_listaDirecc->header()->setStretchLastSection(false);
    m_listaDirecc->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_listaDirecc->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_listaDirecc->setRootIsDecorated(false);
    m_listaDirecc->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listaDirecc->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listaDirecc->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listaDirecc->setSortingEnabled(false); // sorted only on request

    auto button = [&](const char* name, int text) {
        auto* b = new QPushButton(LeerTexto(text), m_grupoEmail);
        b->setObjectName(name);
        return b;
    };
    m_nuevaDirecc = button("BotonNuevaDirecc", 2111);
    m_borrarDirecc = button("BotonBorrarDirecc", 2112);
    m_ordenarDirecc = button("BotonOrdenarDirecc", 2113);
    connect(m_nuevaDirecc, &QPushButton::clicked, this, &TVPreferencias::BotonNuevaDireccClick);
    connect(m_borrarDirecc, &QPushButton::clicked, this, &TVPreferencias::BotonBorrarDireccClick);
    connect(m_ordenarDirecc, &QPushButton::clicked, this, &TVPreferencias::BotonOrdenarDireccClick);

    m_labelDestin = label(m_grupoEmail, "LabelDestin", 2114);
    m_labelDestin->setStyleSheet("color: red");
    m_labelDestin->setWordWrap(true);

    auto* email = new QGridLayout(m_grupoEmail);
    email->addWidget(m_labelComprobar, 0, 0);
    email->addWidget(m_upDownComprobar, 0, 1);
    email->addWidget(m_labelEspera, 0, 2);
    email->addWidget(m_upDownEspera, 0, 3);
    email->addWidget(m_checkEnvComp, 1, 0, 1, 5);
    email->addWidget(m_checkBorrarUnsent, 2, 0, 1, 5);
    email->addWidget(m_checkSaveReceived, 3, 0, 1, 5);
    email->addWidget(m_labelDirecc, 4, 0, 1, 5);
    m_listaDirecc->setMinimumHeight(110);
    m_listaDirecc->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listaDirecc->setMinimumWidth(310 + 90); // the address column and the number beside it
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(m_listaDirecc, 1);
    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(m_nuevaDirecc);
    listButtons->addWidget(m_borrarDirecc);
    listButtons->addWidget(m_ordenarDirecc);
    listButtons->addStretch();
    listRow->addLayout(listButtons);
    email->addLayout(listRow, 5, 0, 1, 5);
    email->addWidget(m_labelDestin, 6, 0, 1, 5);
    email->setColumnStretch(4, 1);
    email->setRowStretch(5, 1); // the list takes the height the tab has to spare

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_grupoInicio);
    layout->addWidget(m_grupoEmail, 1);
    return tab;
}

void TVPreferencias::llenarLibreta(const QList<FilaLibreta>& filas) {
    m_listaDirecc->clear();
    for (const FilaLibreta& f : filas)
        new QTreeWidgetItem(m_listaDirecc, {f.direccion, QString::number(f.numero)});
}

QList<FilaLibreta> TVPreferencias::filasLibreta() const {
    QList<FilaLibreta> filas;
    for (int i = 0; i < m_listaDirecc->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_listaDirecc->topLevelItem(i);
        filas.append({item->text(0), item->text(1).toInt()});
    }
    return filas;
}

void TVPreferencias::BotonNuevaDireccClick() {
    if (m_listaDirecc->topLevelItemCount() >= Perfiles::kNumDirecciones) {
        MessageBoxes::errorText(this, 9008);
        return;
    }
    QInputDialog box(this);
    box.setObjectName("InputDireccion");
    box.setWindowTitle(LeerTexto(9009));
    box.setLabelText(LeerTexto(20812));
    box.setTextValue(QString());
    box.setWindowModality(Qt::WindowModal);
    if (auto* edit = box.findChild<QLineEdit*>()) {
        EntradaCp1252::proteger(edit);
        edit->setPlaceholderText(LeerTexto(20813));
        // Room for a whole entry of the address book: a name and its address.
        edit->setMinimumWidth(
            edit->fontMetrics().horizontalAdvance(QString(Perfiles::kCapacidadTexto * 3 / 4, u'n')));
    }
    if (box.exec() != QDialog::Accepted) return;
    // Longer texts would be cut when stored; line breaks would break the headers
    // the address is written into.
    QString direccion = box.textValue();
    direccion.remove(QLatin1Char('\r'));
    direccion.remove(QLatin1Char('\n'));
    direccion.truncate(Perfiles::kCapacidadTexto);
    if (direccion.isEmpty()) return;
    if (const QString refused = EntradaCp1252::comprobar(direccion); !refused.isEmpty()) {
        MessageBoxes::warning(this, refused);
        return;
    }
    if (const QString refused = DireccionEmail::primeraNoValida(direccion); !refused.isEmpty()) {
        MessageBoxes::warning(this, LeerTexto(20811).arg(refused));
        return;
    }
    new QTreeWidgetItem(m_listaDirecc, {direccion, QStringLiteral("0")});
}

void TVPreferencias::BotonBorrarDireccClick() {
    QTreeWidgetItem* item = m_listaDirecc->currentItem();
    if (!item || !item->isSelected()) {
        MessageBoxes::warningText(this, 9010);
        return;
    }
    delete item;
}

void TVPreferencias::BotonOrdenarDireccClick() {
    QList<QTreeWidgetItem*> items;
    while (m_listaDirecc->topLevelItemCount() > 0)
        items.append(m_listaDirecc->takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return QString::localeAwareCompare(a->text(0), b->text(0)) < 0;
    });
    m_listaDirecc->addTopLevelItems(items);
}
