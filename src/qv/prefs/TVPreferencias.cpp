// The preferences dialog's frame: tabs and buttons, filling the controls when it
// opens, OK, Help, and the command that runs it.
#include "qv/prefs/TVPreferencias.h"

#include "qv/prefs/PaginaCalendario.h"

#include "core/TextCatalogue.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/LogReview.h"
#include "qv/MessageBoxes.h"
#include "qv/prefs/AccesoTelefonico.h"
#include "qv/prefs/UpDownCiclico.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "ui/AccessibleTexts.h"
#include "ui/HelpPages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace {
// A tab's page that scrolls when the screen is too small for the dialog; as
// large as its content otherwise.
class PaginaDesplazable : public QScrollArea {
public:
    explicit PaginaDesplazable(QWidget* parent) : QScrollArea(parent) {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    QSize sizeHint() const override { return widget() ? widget()->sizeHint() : QScrollArea::sizeHint(); }
};

// The page of the tab widget holding `contenido` in a scroll area; the page
// takes the content's object name.
QWidget* paginaDesplazable(QWidget* contenido) {
    auto* pagina = new QWidget;
    pagina->setObjectName(contenido->objectName());
    contenido->setObjectName(contenido->objectName() + QStringLiteral("Contenido"));
    auto* area = new PaginaDesplazable(pagina);
    area->setWidget(contenido);
    area->viewport()->setAutoFillBackground(false);
    contenido->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(pagina);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
    return pagina;
}

std::function<void(int)>& cuentaSink() {
    static std::function<void(int)> sink;
    return sink;
}
QString rutaPerfiles() {
    return RutaArchivoPerfiles(ProgramFolders::global().dirPrograma);
}
} // namespace

void TVPreferencias::setCuentaRevisionEmail(std::function<void(int)> sink) {
    cuentaSink() = std::move(sink);
}

TVPreferencias::TVPreferencias(QWidget* parent, std::unique_ptr<AccesoTelefonico> ras)
    : QDialog(parent), m_ras(ras ? std::move(ras) : CrearAccesoTelefonico()) {
    setObjectName("TVPreferencias");
    // Fixed border with the system menu only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(LeerTexto(2001));

    m_paginas = new QTabWidget(this);
    m_paginas->setObjectName("Paginas");
    m_tabGeneral = paginaDesplazable(crearTabGeneral());
    m_tabAvisos = paginaDesplazable(crearTabAvisos());
    m_tabPerfiles = paginaDesplazable(crearTabPerfiles());
    m_paginas->addTab(m_tabGeneral, LeerTexto(2002));
    m_paginas->addTab(m_tabAvisos, LeerTexto(2003));
    m_paginas->addTab(m_tabPerfiles, LeerTexto(2004));
    m_calendario = new PaginaCalendario(Ajustes::openFile());
    m_paginas->addTab(paginaDesplazable(m_calendario), LeerTexto(20600));

    auto button = [this](const char* name, int text) {
        auto* b = new QPushButton(LeerTexto(text), this);
        b->setObjectName(name);
        return b;
    };
    m_aceptar = button("BotonAceptar", 2901);
    m_cancelar = button("BotonCancelar", 2902);
    m_ayuda = button("BotonAyuda", 2319);
    m_aceptar->setDefault(true);
    connect(m_aceptar, &QPushButton::clicked, this, &TVPreferencias::BotonAceptarClick);
    connect(m_cancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ayuda, &QPushButton::clicked, this, &TVPreferencias::BotonAyudaClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_aceptar);
    buttons->addWidget(m_cancelar);
    buttons->addWidget(m_ayuda);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_paginas);
    layout->addLayout(buttons);

    // F1 and the Help button open the page of the tab in front.
    auto temaActual = [this] {
        const QWidget* tab = m_paginas->currentWidget();
        HelpPages::setTopic(this, tab == m_tabGeneral    ? QStringLiteral("QVH_ConfigGeneral")
                                  : tab == m_tabAvisos   ? QStringLiteral("QVH_ConfigAvisos")
                                  : tab == m_tabPerfiles ? QStringLiteral("QVH_ConfigPerfiles")
                                                         : QStringLiteral("QVH_ConfigCalendario"));
    };
    temaActual();
    connect(m_paginas, &QTabWidget::currentChanged, this, temaActual);
    HelpPages::installF1(this);
    AccessibleTexts::describe(this);

    // 402 x 459 as designed, grown to what the desktop's fonts need, within
    // the screen (the pages scroll on a small one).
    QSize tamano = sizeHint().expandedTo(QSize(402, 459));
    if (const QScreen* s = screen()) {
        const QSize cabe = s->availableGeometry().size() - kMarcoVentana;
        if (tamano.height() > cabe.height())
            tamano.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        tamano = tamano.boundedTo(cabe);
    }
    setFixedSize(tamano);
}

void TVPreferencias::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] { dentroDeLaPantalla(true); });
}

void TVPreferencias::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // Placed before the window manager told the frame's size, the caption may
    // lie above the screen once framed: it is brought back where it can be grabbed.
    if (isVisible()) dentroDeLaPantalla(false);
}

void TVPreferencias::dentroDeLaPantalla(bool entera) {
    const QScreen* s = screen();
    if (!s) return;
    QRect area = s->availableGeometry();
    const QRect marco = frameGeometry();
    // A window manager that does not tell its frame still draws a caption
    // above the window.
    if (marco == geometry())
        area.setTop(area.top() + style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    QPoint lugar = marco.topLeft();
    if (entera) {
        lugar.setX(qBound(area.left(), lugar.x(), qMax(area.left(), area.right() + 1 - marco.width())));
        lugar.setY(qMin(lugar.y(), area.bottom() + 1 - marco.height()));
    }
    lugar.setY(qMax(lugar.y(), area.top()));
    if (lugar != marco.topLeft()) move(lugar);
}

TVPreferencias::~TVPreferencias() = default;

bool TVPreferencias::cargar(QString* error) {
    m_paginas->setCurrentWidget(m_tabGeneral);

    llenarComboConexiones();

    m_checkStartup->setChecked(Ajustes::ExisteArranqueWindows());
    m_checkSplash->setChecked(Ajustes::splash());
    m_upDownComprobar->setValue(Ajustes::checkEmailEvery());
    m_upDownEspera->setValue(static_cast<quint8>(Ajustes::timeOut()));
    m_checkEnvComp->setChecked(Ajustes::sendOnCheck());
    m_checkBorrarUnsent->setChecked(Ajustes::eraseUnsent());
    m_checkSaveReceived->setChecked(Ajustes::saveReceived());
    m_upDownCerrar->setValue(static_cast<quint8>(Ajustes::closeMsgs()));
    m_checkPasados->setChecked(Ajustes::dueMsgs());
    m_horaTodoElDia->setTime(Ajustes::allDayTime());
    // A stored value outside the choices selects none, as the radio group would.
    const int laborables = Ajustes::workingDays() - 1;
    if (laborables >= 0 && laborables < 2) m_radioLaborables[laborables]->setChecked(true);
    if (QAbstractButton* b = m_formato->button(Ajustes::msgWindowFmt() - 1)) b->setChecked(true);

    setSonido(Classic, Ajustes::msgWindowSndClassic());
    setSonido(Doggy, Ajustes::msgWindowSndDoggy());
    setSonido(Babe, Ajustes::msgWindowSndBabe());

    const QString ruta = rutaPerfiles();
    QList<FilaLibreta> filas;
    QString motivo;
    // An existing file that cannot be read is never replaced by an empty one: the
    // user's profiles and addresses would be lost.
    const bool ok = QFileInfo::exists(ruta) ? CargarPerfiles(ruta, BufferPerfiles(), filas, &motivo)
                                            : CrearPerfiles(ruta, BufferPerfiles(), filas, &motivo);
    if (!ok) {
        if (error) *error = motivo;
        return false;
    }
    // Security settings of profiles whose entry no longer matches them show as none.
    ArchivoSeguridad seguridad;
    seguridad.leer(ArchivoSeguridad::rutaJunto(ruta));
    // Passwords kept in the keyring that cannot be had now would be lost by a save.
    if (!seguridad.traerContrasenas(&motivo)) {
        if (error) *error = LeerTexto(20630).arg(motivo);
        return false;
    }
    m_seguridad = seguridad.ajustesPara(BufferPerfiles());
    llenarLibreta(filas);
    mostrarPerfil(1);
    return true;
}

bool TVPreferencias::guardarAjustes() {
    Ajustes::GuardarArranqueWindows(m_checkStartup->isChecked());
    Ajustes::setSplash(m_checkSplash->isChecked());
    Ajustes::setCheckEmailEvery(static_cast<quint16>(m_upDownComprobar->value()));
    if (cuentaSink()) cuentaSink()(m_upDownComprobar->value() * 4);
    Ajustes::setTimeOut(static_cast<quint8>(m_upDownEspera->value()));
    Ajustes::setSendOnCheck(m_checkEnvComp->isChecked());
    Ajustes::setEraseUnsent(m_checkBorrarUnsent->isChecked());
    Ajustes::setSaveReceived(m_checkSaveReceived->isChecked());
    Ajustes::setDueMsgs(m_checkPasados->isChecked());
    Ajustes::setCloseMsgs(static_cast<quint8>(m_upDownCerrar->value()));
    if (m_horaTodoElDia->time() != Ajustes::allDayTime()) Ajustes::setAllDayTime(m_horaTodoElDia->time());
    if (m_laborables->checkedId() >= 0)
        Ajustes::setWorkingDays(static_cast<quint8>(m_laborables->checkedId() + 1));
    if (m_formato->checkedId() >= 0)
        Ajustes::setMsgWindowFmt(static_cast<quint8>(m_formato->checkedId() + 1));
    Ajustes::setMsgWindowSndClassic(m_sonidos[Classic]);
    Ajustes::setMsgWindowSndDoggy(m_sonidos[Doggy]);
    Ajustes::setMsgWindowSndBabe(m_sonidos[Babe]);
    if (!m_archivosCerrados.isEmpty()) {
        QStringList quedan = Ajustes::rutasActivas();
        for (const QString& ruta : m_archivosCerrados)
            quedan.removeAll(ruta);
        if (!Ajustes::guardarRutasActivas(quedan)) return false;
        m_archivosCerrados.clear();
    }
    QString motivo;
    return GuardarPerfiles(rutaPerfiles(), BufferPerfiles(), filasLibreta(), m_seguridad, &motivo) &&
           m_calendario->guardar(&motivo);
}

void TVPreferencias::BotonAceptarClick() {
    // Enter on the default button leaves the focus on the active box: its rule
    // must still apply before the profiles are saved.
    if (m_checkActivo->hasFocus()) CheckRegistroActivoExit();
    bool ok = false;
    try {
        ok = guardarAjustes();
    } catch (const std::exception&) {
        ok = false;
    }
    // A failed write keeps the dialog open with the user's edits, so nothing is
    // lost: the user may try again or cancel.
    if (!ok) {
        MessageBoxes::errorText(this, 9006);
        return;
    }
    accept();
}

void TVPreferencias::BotonAyudaClick() {
    LogReview::openHelp(HelpPages::currentTopic(this));
}

bool TVPreferencias::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_checkActivo) {
        if (event->type() == QEvent::FocusIn)
            m_activoPulsado = false;
        else if (event->type() == QEvent::FocusOut)
            CheckRegistroActivoExit();
    }
    return QDialog::eventFilter(watched, event);
}

bool EjecutarPreferencias(QWidget* parent) {
    try {
        TVPreferencias dialog(parent);
        QString error;
        if (!dialog.cargar(&error)) {
            if (!error.isEmpty()) MessageBoxes::error(parent, error);
            return false;
        }
        dialog.setWindowModality(Qt::WindowModal); // alerts stay usable meanwhile
        dialog.exec();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool MostrarPreferencias(QWidget* parent) {
    return EjecutarPreferencias(parent);
}
