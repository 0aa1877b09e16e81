#include "qv/TVPrincipal.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "qv/AllFilesListModel.h"
#include "qv/Icons.h"
#include "qv/LogReview.h"
#include "qv/MainWindowHelp.h"
#include "qv/MessageBoxes.h"
#include "qv/ReminderListModel.h"
#include "qv/TVAcercade.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "ui/AccessibleTexts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace {
// The desktop's keys: a new reminder, open a file, quit. The window holds
// the actions, so the keys work before its menu bar is made.
void atajosDelEscritorio(QWidget* window, QAction* nuevoAviso, QAction* abrir, QAction* salir) {
    nuevoAviso->setShortcut(QKeySequence::New);
    abrir->setShortcut(QKeySequence::Open);
    // Some platforms name no key for quitting: Ctrl+Q there, as desktops have it.
    const QList<QKeySequence> quit = QKeySequence::keyBindings(QKeySequence::Quit);
    salir->setShortcuts(quit.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)} : quit);
    window->addActions({nuevoAviso, abrir, salir});
}

QAction* action(QMenu* menu, const char* name) {
    auto* a = menu->addAction(QString());
    a->setObjectName(name);
    return a;
}

QToolButton* speedButton(QWidget* parent, const char* name, const QIcon& icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setIconSize(QSize(22, 22));
    b->setIcon(icon);
    return b;
}

// The style's icon, made when first painted (loading it reads image files).
QIcon standard(QStyle::StandardPixmap which) {
    return Icons::lazy([which] { return QApplication::style()->standardIcon(which); });
}

// A status bar panel as wide as designed, and wider when its text needs it.
class PanelEstado : public QLabel {
public:
    PanelEstado(int ancho, QWidget* parent) : QLabel(parent), m_ancho(ancho) {}
    QSize minimumSizeHint() const override { return QLabel::minimumSizeHint().expandedTo(QSize(m_ancho, 0)); }
    QSize sizeHint() const override { return QLabel::sizeHint().expandedTo(QSize(m_ancho, 0)); }

private:
    int m_ancho;
};

// The main window's own layout leaves the status bar's width out of its
// minimum: this keeps the window at least as wide as the panels' texts need.
class AnchoBarraEstado : public QObject {
public:
    AnchoBarraEstado(QStatusBar* barra, QWidget* ventana) : QObject(barra), m_ventana(ventana) {
        barra->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest)
            m_ventana->setMinimumWidth(static_cast<QWidget*>(watched)->minimumSizeHint().width());
        return false;
    }

private:
    QWidget* m_ventana;
};

QLabel* flag(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setStyleSheet(
        "QLabel { color: white; font-weight: bold; background: rgb(0,64,128); padding: 2px 6px; }");
    l->hide();
    return l;
}
} // namespace

TVPrincipal::TVPrincipal(ProgramServices& services, const QString& fileArgument, QWidget* parent, Vista vista)
    : QMainWindow(parent), m_services(services), m_fileArgument(fileArgument) {
    setObjectName("TVPrincipal");
    setWindowIcon(Icons::application());
    QApplication::setWindowIcon(Icons::application()); // the alerts' and dialogs' icon too
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint);

    construirMenus();
    buildToolbar();
    buildList();
    buildStatusBar();
    m_vistaDiferida = vista == Vista::AlMostrar;
    if (vista == Vista::Ahora) {
        construirVista();
    } else {
        // Nothing of the window is laid out or painted until it is first shown
        // (the program starts in the tray, or minimized).
        centralWidget()->hide();
    }

    m_timerPrincipal = new QTimer(this);
    m_timerPrincipal->setObjectName("TimerPrincipal");
    m_timerPrincipal->setInterval(15000);
    connect(m_timerPrincipal, &QTimer::timeout, this, &TVPrincipal::TimerPrincipalTimer);
    m_timerEmail = new QTimer(this);
    m_timerEmail->setObjectName("TimerEmail");
    m_timerEmail->setInterval(15000);
    connect(m_timerEmail, &QTimer::timeout, this, &TVPrincipal::TimerEmailTimer);

    secuenciaInicio();
}

TVPrincipal::~TVPrincipal() = default;

// ---- construction ----

void TVPrincipal::construirMenus() {
    // The menus exist from the start (the tray menu and the keys use their
    // items); the menu bar that shows them is made with the window's view.
    m_mpArchivo = new QMenu(this);
    m_mpArchivo->setObjectName("MPArchivo");
    m_maNuevo = action(m_mpArchivo, "MANuevoAvisos");
    m_maAbrir = action(m_mpArchivo, "MAAbrirAvisos");
    m_maCerrar = action(m_mpArchivo, "MACerrarAvisos");
    m_maVerTodos = action(m_mpArchivo, "MAVerTodos");
    m_maVerTodos->setCheckable(true);
    m_maPreferencias = action(m_mpArchivo, "MAPreferencias");
    buildCalendarMenu();
    m_mpArchivo->addSeparator();
    m_maSalir = action(m_mpArchivo, "MASalir");
    m_maMostrar = new QAction(this); // the tray menu's default item
    m_maMostrar->setObjectName("MAMostrarVentana");

    m_mpEdicion = new QMenu(this);
    m_mpEdicion->setObjectName("MPEdicion");
    m_meDeshacer = action(m_mpEdicion, "MEDeshacer");
    m_meDeshacer->setShortcut(QKeySequence::Undo);
    m_meDeshacer->setEnabled(false);
    addAction(m_meDeshacer); // the key works before the menu bar is made
    // Insert creates from anywhere in the window, not only from the list.
    auto* insertar = new QShortcut(QKeySequence(Qt::Key_Insert), this);
    connect(insertar, &QShortcut::activated, this, &TVPrincipal::comandoCrearAviso);

    m_mpFunciones = new QMenu(this);
    m_mpFunciones->setObjectName("MPFunciones");
    m_mfDesactAvisos = action(m_mpFunciones, "MFDesactAvisos");
    m_mfDesactAvisos->setCheckable(true);
    m_mfDesactEmail = action(m_mpFunciones, "MFDesactEmail");
    m_mfDesactEmail->setCheckable(true);
    m_mfEmailManual = action(m_mpFunciones, "MFEmailManualmente");
    m_mpFunciones->addSeparator();
    m_mfRevisarAvisos = action(m_mpFunciones, "MFRevisarAvisos");
    m_mfRevisarEmail = action(m_mpFunciones, "MFRevisarEmail");
    m_mfRevisarActividad = action(m_mpFunciones, "MFRevisarActividad");

    m_mpAyuda = new QMenu(this);
    m_mpAyuda->setObjectName("MPAyuda");
    m_myAcercade = action(m_mpAyuda, "MYAcercade");
    m_mpAyuda->addSeparator();
    m_myConten = action(m_mpAyuda, "MYConten");
    m_myEjec = action(m_mpAyuda, "MYEjec");
    m_myCreac = action(m_mpAyuda, "MYCreac");
    m_myEmail = action(m_mpAyuda, "MYEmail");

    m_popMenu = new QMenu(this);
    m_popMenu->setObjectName("PopMenuAvisos");
    m_mppCrear = action(m_popMenu, "MPPCrearAviso");
    m_mppEditar = action(m_popMenu, "MPPEditarAviso");
    m_mppEliminar = action(m_popMenu, "MPPEliminarAviso");
    m_mppActDesact = action(m_popMenu, "MPPActDesactAviso");

    connect(m_maNuevo, &QAction::triggered, this, [this] { comandoNuevoArchivo(); });
    connect(m_maAbrir, &QAction::triggered, this, [this] { comandoAbrirArchivo(); });
    connect(m_maCerrar, &QAction::triggered, this, &TVPrincipal::comandoCerrarArchivo);
    connect(m_maVerTodos, &QAction::triggered, this, &TVPrincipal::comandoVerTodos);
    connect(m_maPreferencias, &QAction::triggered, this, &TVPrincipal::comandoPreferencias);
    connect(m_maSalir, &QAction::triggered, this, &TVPrincipal::comandoSalir);
    connect(m_maMostrar, &QAction::triggered, this, &TVPrincipal::restaurar);
    // Qt has already toggled a checkable item when it reports the trigger; the
    // commands do their own inversion, so that toggle is taken back first.
    connect(m_mfDesactAvisos, &QAction::triggered, this, [this](bool checked) {
        m_mfDesactAvisos->setChecked(!checked);
        comandoDesactAvisos(true);
    });
    connect(m_mfDesactEmail, &QAction::triggered, this, [this](bool checked) {
        m_mfDesactEmail->setChecked(!checked);
        comandoDesactEmail(true);
    });
    connect(m_mfEmailManual, &QAction::triggered, this, &TVPrincipal::comandoEmailManualmente);
    connect(m_mfRevisarAvisos, &QAction::triggered, this,
            [this] { comandoRevisarLog(int(LogKind::MensajesMostrados)); });
    connect(m_mfRevisarEmail, &QAction::triggered, this,
            [this] { comandoRevisarLog(int(LogKind::EmailRecibido)); });
    connect(m_mfRevisarActividad, &QAction::triggered, this,
            [this] { comandoRevisarLog(int(LogKind::ActividadEmail)); });
    connect(m_myAcercade, &QAction::triggered, this, &TVPrincipal::comandoAcercaDe);
    connect(m_myConten, &QAction::triggered, this, [] { LogReview::openHelp({}); });
    connect(m_myEjec, &QAction::triggered, this, [] { LogReview::openHelp("QVH_EjecAvisos"); });
    connect(m_myCreac, &QAction::triggered, this, [] { LogReview::openHelp("QVH_Avisos"); });
    connect(m_myEmail, &QAction::triggered, this, [] { LogReview::openHelp("QVH_ClientEmail"); });
    connect(m_mppCrear, &QAction::triggered, this, &TVPrincipal::comandoCrearAviso);
    connect(m_mppEditar, &QAction::triggered, this, &TVPrincipal::comandoEditarAviso);
    connect(m_mppEliminar, &QAction::triggered, this, &TVPrincipal::comandoEliminarAviso);
    connect(m_mppActDesact, &QAction::triggered, this, &TVPrincipal::comandoActDesactAviso);
    atajosDelEscritorio(this, m_mppCrear, m_maAbrir, m_maSalir);
    connect(m_meDeshacer, &QAction::triggered, this, &TVPrincipal::comandoDeshacer);
}

void TVPrincipal::buildToolbar() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_botonera = new QFrame(central);
    m_botonera->setObjectName("Botonera");
    m_botonera->setAutoFillBackground(true);
    m_botonera->installEventFilter(this);
    auto* row = new QHBoxLayout(m_botonera);
    row->setContentsMargins(4, 2, 4, 2);
    m_speedNuevo = speedButton(m_botonera, "SpeedNuevoAvisos", standard(QStyle::SP_FileIcon));
    m_speedAbrir = speedButton(m_botonera, "SpeedAbrirAvisos", standard(QStyle::SP_DialogOpenButton));
    m_speedPreferencias =
        speedButton(m_botonera, "SpeedPreferencias", standard(QStyle::SP_FileDialogDetailedView));
    m_speedDesactAvisos = speedButton(m_botonera, "SpeedDesactAvisos", Icons::byName("ICN_ACTIVADO"));
    m_speedDesactAvisos->setCheckable(true);
    m_speedDesactEmail = speedButton(m_botonera, "SpeedDesactEmail", Icons::byName("ICN_GOMAIL"));
    m_speedDesactEmail->setCheckable(true);
    m_speedCrear = speedButton(m_botonera, "SpeedCrearAviso", standard(QStyle::SP_FileDialogNewFolder));
    m_speedEditar = speedButton(m_botonera, "SpeedEditarAviso", standard(QStyle::SP_FileDialogContentsView));
    m_speedEliminar = speedButton(m_botonera, "SpeedEliminarAviso", standard(QStyle::SP_TrashIcon));
    for (QToolButton* b : {m_speedNuevo, m_speedAbrir, m_speedPreferencias})
        row->addWidget(b);
    row->addSpacing(8);
    for (QToolButton* b : {m_speedDesactAvisos, m_speedDesactEmail})
        row->addWidget(b);
    row->addSpacing(8);
    for (QToolButton* b : {m_speedCrear, m_speedEditar, m_speedEliminar})
        row->addWidget(b);
    row->addStretch();
    m_flagAviso = flag(m_botonera, "FlagAvisoMostrado", "Msg");
    m_flagMail = flag(m_botonera, "FlagMailRecibido", "Mail");
    m_flagAviso->installEventFilter(this);
    m_flagMail->installEventFilter(this);
    row->addWidget(m_flagAviso);
    row->addWidget(m_flagMail);
    layout->addWidget(m_botonera);

    connect(m_speedNuevo, &QToolButton::clicked, this, [this] { comandoNuevoArchivo(); });
    connect(m_speedAbrir, &QToolButton::clicked, this, [this] { comandoAbrirArchivo(); });
    connect(m_speedPreferencias, &QToolButton::clicked, this, &TVPrincipal::comandoPreferencias);
    connect(m_speedDesactAvisos, &QToolButton::clicked, this, [this] { comandoDesactAvisos(false); });
    connect(m_speedDesactEmail, &QToolButton::clicked, this, [this] { comandoDesactEmail(false); });
    connect(m_speedCrear, &QToolButton::clicked, this, &TVPrincipal::comandoCrearAviso);
    connect(m_speedEditar, &QToolButton::clicked, this, &TVPrincipal::comandoEditarAviso);
    connect(m_speedEliminar, &QToolButton::clicked, this, &TVPrincipal::comandoEliminarAviso);
    setCentralWidget(central);
}

void TVPrincipal::buildList() {
    m_model = new ReminderListModel(this);
    // The chosen row lives here, so that it exists before the list is shown.
    m_seleccion = new QItemSelectionModel(m_model, this);
    m_todos = new AllFilesListModel(this);
}

void TVPrincipal::configurarLista(QTableView* lista) {
    lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    lista->setSelectionMode(QAbstractItemView::SingleSelection);
    lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lista->setTabKeyNavigation(false); // Tab leaves the list for the next control, as everywhere
    lista->setShowGrid(false);
    lista->setWordWrap(false);
    lista->verticalHeader()->hide();
    lista->verticalHeader()->setDefaultSectionSize(20);
    lista->horizontalHeader()->setSectionsClickable(true);
    // The description takes the width the other columns leave.
    lista->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    lista->viewport()->setCursor(Qt::PointingHandCursor);
    lista->setContextMenuPolicy(Qt::CustomContextMenu);
    lista->installEventFilter(this);
    connect(lista, &QWidget::customContextMenuRequested, this,
            [this, lista](const QPoint& p) { m_popMenu->popup(lista->viewport()->mapToGlobal(p)); });
}

void TVPrincipal::construirVista() {
    if (m_lista) return;
    m_lista = new QTableView(centralWidget());
    m_lista->setObjectName("ListaAvisos");
    m_lista->setModel(m_model);
    m_lista->setSelectionModel(m_seleccion);
    configurarLista(m_lista);
    if (m_anchosColumnas[0] > 0) aplicarColumnas();
    m_lista->setFocus(); // the keyboard's place whenever the window is shown
    connect(m_lista->horizontalHeader(), &QHeaderView::sectionClicked, this, &TVPrincipal::ordenarPorColumna);
    connect(m_lista, &QAbstractItemView::doubleClicked, this, [this] {
        if (m_numAvisos > 0) comandoEditarAviso();
    });
    centralWidget()->layout()->addWidget(m_lista);
    construirListaTodos();
    if (m_seleccion->currentIndex().isValid()) m_lista->scrollTo(m_seleccion->currentIndex());

    for (QMenu* menu : {m_mpArchivo, m_mpEdicion, m_mpFunciones, m_mpAyuda})
        menuBar()->addMenu(menu);
    construirBarraEstado();
    centralWidget()->show();
    AsignarAyudaPrincipal(this);
    AccessibleTexts::describe(this);
    if (m_vistaDiferida) disposicionInicial(); // the start sequence left it to the view
}

void TVPrincipal::showEvent(QShowEvent* event) {
    if (!isMinimized()) construirVista();
    QMainWindow::showEvent(event);
    if (m_lista) listaActiva()->setFocus(Qt::ActiveWindowFocusReason); // whenever the window opens
}

void TVPrincipal::disposicionInicial() {
    // Each column as wide as its title and the widest value it shows: the
    // number with its icon, the next occurrence in the widest month, the
    // repetition, the state flags.
    const QFontMetrics fm = fontMetrics();
    const int margen = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
    int fecha = 0;
    for (int mes = 1; mes <= 12; ++mes)
        fecha =
            qMax(fecha, fm.horizontalAdvance(DisplayFormats::listDate(QDate(2026, mes, 28)) +
                                             QStringLiteral("   ") + DisplayFormats::listTime(QTime(12, 0))));
    // Repetitions: the longest name, or two weekdays of a weekday set.
    const NameLists nombres = NameLists::build();
    int repeticion = 0;
    for (const QString& nombre : nombres.repeticiones)
        repeticion = qMax(repeticion, fm.horizontalAdvance(nombre));
    for (const QString& uno : nombres.diasSemana)
        for (const QString& otro : nombres.diasSemana)
            repeticion = qMax(repeticion, fm.horizontalAdvance(uno + u' ' + otro + u' '));
    // The state: its flags and the snoozed mark.
    const int estado = fm.horizontalAdvance(QStringLiteral("XDE") + LeerTexto(20713));
    const int contenido[5] = {16 + 4 + fm.horizontalAdvance(QStringLiteral("65535")), 0, fecha, repeticion,
                              estado};
    QFont negrita = font(); // column titles are bold in some styles
    negrita.setBold(true);
    const QFontMetrics titulo(negrita);
    int ocupado = 0;
    for (int c : {0, 2, 3, 4}) {
        QStyleOptionHeader opt;
        opt.initFrom(this);
        opt.fontMetrics = titulo;
        opt.text = LeerTexto(1301 + c);
        const int cabecera = style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this).width();
        m_anchosColumnas[c] = qMax(cabecera, contenido[c] + margen);
        ocupado += m_anchosColumnas[c];
    }
    // Room for every column with a description of some 25 letters, a scroll
    // bar, and a dozen rows.
    const int ancho = ocupado + fm.horizontalAdvance(QString(25, u'n')) + margen +
                      style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    resize(qMax(ancho, minimumSizeHint().width()), 430);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        resize(size().boundedTo(area.size() - QSize(16, 48)));
        move(area.center() - rect().center());
    }
    if (m_lista) aplicarColumnas();

    // Where the user left the window last time.
    const QByteArray ventana = Ajustes::mainWindowState();
    if (!ventana.isEmpty()) restoreGeometry(ventana);
}

void TVPrincipal::aplicarColumnas() {
    for (int c : {0, 2, 3, 4})
        m_lista->setColumnWidth(c, m_anchosColumnas[c]);
    const QByteArray columnas = Ajustes::listColumns();
    if (!columnas.isEmpty()) m_lista->horizontalHeader()->restoreState(columnas);
}

void TVPrincipal::guardarDisposicion() {
    // A window never shown (the program stayed in the tray) keeps what was saved.
    if (!m_lista) return;
    Ajustes::setMainWindowState(saveGeometry());
    Ajustes::setListColumns(m_lista->horizontalHeader()->saveState());
}

void TVPrincipal::buildStatusBar() {
    // The panels wait in a hidden holder until the status bar is made with the
    // view (making it measures fonts, which a program in the tray never needs).
    m_panelesEnEspera = new QWidget(this);
    m_panelesEnEspera->hide();
    const int widths[3] = {150, 100, 250};
    const char* names[3] = {"BarraFecha", "BarraHora", "BarraEmail"};
    for (int i = 0; i < 3; ++i) {
        m_panel[i] = new PanelEstado(widths[i], m_panelesEnEspera);
        m_panel[i]->setObjectName(names[i]);
    }
    m_panelCorreo = new QLabel(m_panelesEnEspera);
    m_panelCorreo->setObjectName("BarraFalloCorreo");
    m_panelCorreo->hide();
}

void TVPrincipal::construirBarraEstado() {
    statusBar()->setObjectName("Barra");
    for (int i = 0; i < 3; ++i)
        statusBar()->addWidget(m_panel[i], i == 2 ? 1 : 0);
    statusBar()->addWidget(m_panelCorreo); // shown when mail waits unqueued
    new AnchoBarraEstado(statusBar(), this);
    delete m_panelesEnEspera;
    m_panelesEnEspera = nullptr;
}

void TVPrincipal::AsignarTextos() {
    m_mpArchivo->setTitle(LeerTexto(1101));
    m_maNuevo->setText(LeerTexto(1102));
    m_maAbrir->setText(LeerTexto(1103));
    m_maCerrar->setText(LeerTexto(20816));
    m_maVerTodos->setText(LeerTexto(20820));
    m_maPreferencias->setText(LeerTexto(1104));
    m_maSalir->setText(LeerTexto(1105));
    m_maExportarCalendario->setText(LeerTexto(20500));
    m_maImportarCalendario->setText(LeerTexto(20501));
    m_maMostrar->setText(LeerTexto(20201));
    m_mpEdicion->setTitle(LeerTexto(20801));
    reflejarDeshacer();
    m_mpFunciones->setTitle(LeerTexto(1111));
    m_mfDesactAvisos->setText(LeerTexto(1112));
    m_mfDesactEmail->setText(LeerTexto(1113));
    m_mfEmailManual->setText(LeerTexto(1114));
    m_mfRevisarAvisos->setText(LeerTexto(1115));
    m_mfRevisarEmail->setText(LeerTexto(1116));
    m_mfRevisarActividad->setText(LeerTexto(1117));
    m_mpAyuda->setTitle(LeerTexto(1121));
    m_myAcercade->setText(LeerTexto(1122));
    m_myConten->setText(LeerTexto(1123));
    m_myEjec->setText(LeerTexto(1124));
    m_myCreac->setText(LeerTexto(1125));
    m_myEmail->setText(LeerTexto(1126));
    m_mppCrear->setText(LeerTexto(1131));
    m_mppEditar->setText(LeerTexto(1132));
    m_mppEliminar->setText(LeerTexto(1133));
    m_mppActDesact->setText(LeerTexto(1134));
    m_speedNuevo->setToolTip(LeerTexto(1201));
    m_speedAbrir->setToolTip(LeerTexto(1202));
    m_speedDesactAvisos->setToolTip(LeerTexto(1203));
    m_speedDesactEmail->setToolTip(LeerTexto(1204));
    m_speedCrear->setToolTip(LeerTexto(1205));
    m_speedEditar->setToolTip(LeerTexto(1206));
    m_speedEliminar->setToolTip(LeerTexto(1207));
    m_speedPreferencias->setToolTip(LeerTexto(1210));
    QStringList titles;
    for (int n = 1301; n <= 1305; ++n)
        titles << LeerTexto(n);
    m_model->setTitles(titles);
    m_todos->setTitles(titles << LeerTexto(20822));
    if (m_lista) AccessibleTexts::describe(this);
}
