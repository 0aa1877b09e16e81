// The alerts tab: working week, alert style, the default sound of each style
// with its restore and test menu, the close-alerts time and missed reminders.
#include "qv/prefs/TVPreferencias.h"

#include "core/TextCatalogue.h"
#include "qv/MessageBoxes.h"
#include "qv/SoundFileDialog.h"
#include "qv/prefs/UpDownCiclico.h"
#include "settings/Ajustes.h"

#include "alerts/Sonido.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {
constexpr const char* kNombresEstilo[3] = {"Classic", "Doggy", "Babe"}; // object names
constexpr int kTextoEstilo = 20370;                                     // the styles' names shown
constexpr const char* kRecursosEstilo[3] = {"WAV_CLASSIC", "WAV_DOGGY", "WAV_BABE"};
constexpr int kMaxRuta = 255;

TVPreferencias::ReproductorSonido& reproductor() {
    static TVPreferencias::ReproductorSonido r;
    return r;
}
bool reproducir(bool fromResource, const QString& name) {
    return reproductor() ? reproductor()(fromResource, name) : ReproducirSonido(fromResource, name);
}
} // namespace

void TVPreferencias::setReproductorSonido(ReproductorSonido r) {
    reproductor() = std::move(r);
}

QWidget* TVPreferencias::crearTabAvisos() {
    auto* tab = new QWidget;
    tab->setObjectName("TabAvisos");

    m_grupoAvisos = new QGroupBox(LeerTexto(2201), tab);
    m_grupoAvisos->setObjectName("GrupoAvisos");
    m_checkPasados = new QCheckBox(LeerTexto(2202), m_grupoAvisos);
    m_checkPasados->setObjectName("CheckPasados");
    m_labelCerrar = new QLabel(LeerTexto(2203), m_grupoAvisos);
    m_labelCerrar->setObjectName("LabelCerrarAvisos");
    const Ajustes::Rango cerrar = Ajustes::descripcion(Ajustes::Id::CloseMsgs).rango;
    m_upDownCerrar = new UpDownCiclico(m_grupoAvisos, "UpDownCerrarVentana", "EditCerrarVentana",
                                       cerrar.minimo, cerrar.maximo, 2, 12);
    m_upDownCerrar->setSpecialValueText(LeerTexto(20210)); // 0: alerts stay until closed
    auto* labelTodoElDia = new QLabel(LeerTexto(20540), m_grupoAvisos);
    labelTodoElDia->setObjectName("LabelHoraTodoElDia");
    m_horaTodoElDia = new QTimeEdit(m_grupoAvisos);
    m_horaTodoElDia->setObjectName("EditHoraTodoElDia");
    m_horaTodoElDia->setDisplayFormat(QStringLiteral("HH:mm"));
    labelTodoElDia->setBuddy(m_horaTodoElDia);
    auto* avisos = new QGridLayout(m_grupoAvisos);
    avisos->addWidget(m_checkPasados, 0, 0, 1, 3);
    avisos->addWidget(m_labelCerrar, 1, 0);
    avisos->addWidget(m_upDownCerrar, 1, 1);
    avisos->addWidget(labelTodoElDia, 2, 0);
    avisos->addWidget(m_horaTodoElDia, 2, 1);
    avisos->setColumnStretch(2, 1);

    m_grupoLaborables = new QGroupBox(LeerTexto(2204), tab);
    m_grupoLaborables->setObjectName("GrupoLaborables");
    m_laborables = new QButtonGroup(m_grupoLaborables);
    auto* laborables = new QVBoxLayout(m_grupoLaborables);
    for (int i = 0; i < 2; ++i) {
        m_radioLaborables[i] = new QRadioButton(LeerTexto(2205 + i), m_grupoLaborables);
        m_radioLaborables[i]->setObjectName(QStringLiteral("GrupoLaborables_%1").arg(i));
        m_laborables->addButton(m_radioLaborables[i], i);
        laborables->addWidget(m_radioLaborables[i]);
    }

    m_grupoFormato = new QGroupBox(LeerTexto(2207), tab);
    m_grupoFormato->setObjectName("GrupoFormato");
    m_formato = new QButtonGroup(m_grupoFormato);
    auto* formato = new QVBoxLayout(m_grupoFormato);
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(LeerTexto(kTextoEstilo + i), m_grupoFormato);
        radio->setObjectName(QStringLiteral("GrupoFormato_%1").arg(i));
        m_formato->addButton(radio, i);
        formato->addWidget(radio);
    }
    // The desktop's notifications, beside the three windows (MsgWindowFmt 4).
    auto* notificacion = new QRadioButton(LeerTexto(20709), m_grupoFormato);
    notificacion->setObjectName(QStringLiteral("GrupoFormato_3"));
    m_formato->addButton(notificacion, 3);
    formato->addWidget(notificacion);

    m_grupoSonidos = new QGroupBox(LeerTexto(2208), tab);
    m_grupoSonidos->setObjectName("GrupoSonidos");
    m_menuSonido = new QMenu(this);
    m_menuSonido->setObjectName("PopupMenuSonidoAviso");
    QAction* restaurar = m_menuSonido->addAction(LeerTexto(3201));
    restaurar->setObjectName("MPSARestaurar");
    QAction* probar = m_menuSonido->addAction(LeerTexto(3202));
    probar->setObjectName("MPSAProbar");
    connect(restaurar, &QAction::triggered, this, &TVPreferencias::MPSARestaurarClick);
    connect(probar, &QAction::triggered, this, &TVPreferencias::MPSAProbarClick);

    auto* sonidos = new QGridLayout(m_grupoSonidos);
    for (int i = 0; i < 3; ++i) {
        const auto estilo = static_cast<Estilo>(i);
        auto* caption = new QLabel(LeerTexto(kTextoEstilo + i), m_grupoSonidos);
        QLineEdit* edit = new QLineEdit(m_grupoSonidos);
        edit->setObjectName(QStringLiteral("EditSonido") + QLatin1String(kNombresEstilo[i]));
        edit->setReadOnly(true);
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(edit, &QWidget::customContextMenuRequested, this, [this, edit, estilo](const QPoint& p) {
            m_estiloMenu = estilo;
            m_menuSonido->popup(edit->mapToGlobal(p));
        });
        QPushButton* boton = new QPushButton(QStringLiteral("..."), m_grupoSonidos);
        boton->setObjectName(QStringLiteral("Boton") + QLatin1String(kNombresEstilo[i]));
        boton->setFixedWidth(32);
        boton->setToolTip(LeerTexto(20362) + QStringLiteral(": ") + LeerTexto(kTextoEstilo + i));
        connect(boton, &QPushButton::clicked, this, [this, estilo] { elegirSonido(estilo); });
        m_editSonido[i] = edit;
        m_botonSonido[i] = boton;
        sonidos->addWidget(caption, i, 0);
        sonidos->addWidget(edit, i, 1);
        sonidos->addWidget(boton, i, 2);
    }

    auto* choices = new QHBoxLayout;
    choices->addWidget(m_grupoLaborables);
    choices->addWidget(m_grupoFormato);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_grupoAvisos);
    layout->addLayout(choices);
    layout->addWidget(m_grupoSonidos);
    // The files whose reminders fire (File -> Open adds one, File -> Close file takes the shown one out).
    m_grupoArchivosActivos = new QGroupBox(LeerTexto(20819), tab);
    m_grupoArchivosActivos->setObjectName("GrupoArchivosActivos");
    auto* activos = new QListWidget(m_grupoArchivosActivos);
    activos->setObjectName("ListaArchivosActivos");
    activos->setAccessibleName(LeerTexto(20819));
    activos->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const QString& ruta : Ajustes::rutasActivas()) {
        auto* item = new QListWidgetItem(QDir::toNativeSeparators(ruta), activos);
        item->setData(Qt::UserRole, ruta);
    }
    activos->setMaximumHeight(activos->fontMetrics().height() * 5);
    // Each can be closed here: its reminders stop once OK is pressed.
    auto* botonCerrar = new QPushButton(LeerTexto(20823), m_grupoArchivosActivos);
    botonCerrar->setObjectName("BotonCerrarArchivoActivo");
    botonCerrar->setEnabled(false);
    connect(activos, &QListWidget::currentRowChanged, botonCerrar,
            [botonCerrar](int row) { botonCerrar->setEnabled(row >= 0); });
    connect(botonCerrar, &QPushButton::clicked, this, [this, activos] {
        if (QListWidgetItem* item = activos->currentItem()) {
            m_archivosCerrados << item->data(Qt::UserRole).toString();
            delete item;
        }
    });
    auto* filas = new QHBoxLayout(m_grupoArchivosActivos);
    filas->addWidget(activos, 1);
    filas->addWidget(botonCerrar, 0, Qt::AlignTop);
    layout->addWidget(m_grupoArchivosActivos);
    layout->addStretch();
    return tab;
}

void TVPreferencias::setSonido(Estilo estilo, const QString& archivo) {
    m_sonidos[estilo] = archivo.left(kMaxRuta);
    m_editSonido[estilo]->setText(m_sonidos[estilo].isEmpty() ? LeerTexto(3017) : m_sonidos[estilo]);
}

void TVPreferencias::elegirSonido(Estilo estilo) {
    const QString elegido = chooseSoundFile(this, m_sonidos[estilo]);
    // A path cut to fit the setting would name another file: keep the old one.
    if (!elegido.isEmpty() && elegido.size() <= kMaxRuta) setSonido(estilo, elegido);
}

void TVPreferencias::MPSARestaurarClick() {
    setSonido(m_estiloMenu, QString());
}

void TVPreferencias::MPSAProbarClick() {
    const QString archivo = m_sonidos[m_estiloMenu];
    if (!archivo.isEmpty() && SonidoReproducible(archivo)) {
        reproducir(false, archivo);
        return;
    }
    if (!archivo.isEmpty())
        MessageBoxes::warning(this, LeerTexto(20205).arg(QDir::toNativeSeparators(archivo)));
    reproducir(true, QLatin1String(kRecursosEstilo[m_estiloMenu]));
}
