// Timer, pause, close handling and logging shared by both alert windows.
#include "alerts/AlertWindowBase.h"

#include "alerts/AlertHost.h"
#include "alerts/AvisosPospuestos.h"
#include "alerts/RegistroMensajes.h"
#include "alerts/SnoozePresets.h"
#include "alerts/Sonido.h"
#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "settings/Ajustes.h"
#include "ui/AccessibleTexts.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <stdexcept>

namespace {
int g_msPerMinute = 60000;

} // namespace

void AlertWindowBase::setMillisecondsPerMinute(int ms) {
    g_msPerMinute = ms > 0 ? ms : 60000;
}
int AlertWindowBase::millisecondsPerMinute() {
    return g_msPerMinute;
}

AlertWindowBase::AlertWindowBase(Qt::WindowFlags flags, QWidget* parent)
    : QWidget(parent, flags | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_DeleteOnClose);
    // On top, but the keyboard stays where the user is typing: a key meant for
    // another window must never dismiss an alert unseen.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("TimerAviso"));
    connect(m_timer, &QTimer::timeout, this, &AlertWindowBase::TimerAvisoTimer);
    m_archivo = Ajustes::openFile();
    AlertCount::raise();
}

AlertWindowBase::~AlertWindowBase() {
    // A window released without its close handling (a failed start) still leaves the count.
    if (m_counted) AlertCount::lower();
}

void AlertWindowBase::crearControles(QWidget* panel) {
    m_texto = new QPlainTextEdit(panel);
    m_texto->setObjectName(QStringLiteral("TextoAviso"));
    m_texto->setReadOnly(true);
    m_texto->setFocusPolicy(Qt::NoFocus);
    m_texto->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    m_boton = new QPushButton(panel);
    m_boton->setObjectName(QStringLiteral("BotonCerrar"));
    m_boton->setFocusPolicy(Qt::ClickFocus);
    connect(m_boton, &QPushButton::clicked, this, &AlertWindowBase::BotonCerrarClick);
    m_labelRepetir = new QLabel(panel);
    m_labelRepetir->setObjectName(QStringLiteral("LabelRepetir"));
    m_labelRepetir->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_spin = new QSpinBox(panel);
    m_spin->setObjectName(QStringLiteral("UpDownRepetir"));
    m_spin->setRange(0, 59);
    m_spin->setWrapping(true);
    m_spin->setValue(0);
    m_spin->setFocusPolicy(Qt::StrongFocus); // reachable with Tab too
    if (auto* edit = m_spin->findChild<QLineEdit*>()) edit->setMaxLength(2);
    m_labelRepetir->setBuddy(m_spin);
    m_labelMin = new QLabel(panel);
    m_labelMin->setObjectName(QStringLiteral("LabelMin"));
    m_posponer = new QToolButton(panel);
    m_posponer->setObjectName(QStringLiteral("BotonPosponer"));
    m_posponer->setArrowType(Qt::DownArrow);
    m_posponer->setPopupMode(QToolButton::InstantPopup);
    m_posponer->setFocusPolicy(Qt::ClickFocus);
    m_posponer->setMenu(new QMenu(m_posponer));
    connect(m_posponer->menu(), &QMenu::aboutToShow, this, &AlertWindowBase::rellenarMenuPosponer);
}

void AlertWindowBase::rellenarMenuPosponer() {
    QMenu* menu = m_posponer->menu();
    menu->clear();
    const QString last = Ajustes::lastSnooze();
    for (const SnoozePresets::Preset& p : SnoozePresets::all()) {
        QAction* a = menu->addAction(LeerTexto(p.textId));
        a->setObjectName(QStringLiteral("MPPosponer_") + p.key);
        a->setCheckable(true);
        a->setChecked(p.key == last);
        const QString key = p.key;
        connect(a, &QAction::triggered, this, [this, key] { posponer(key); });
        if (p.key == last) menu->setActiveAction(a);
    }
}

namespace {
// Asks for the moment an alert comes back; invalid when the user cancels.
QDateTime pedirMomento(QWidget* parent, const QDateTime& now) {
    QDialog dialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint);
    dialog.setObjectName(QStringLiteral("VPosponerHasta"));
    dialog.setWindowTitle(LeerTexto(20707));
    auto* edit = new QDateTimeEdit(now.addSecs(3600), &dialog);
    edit->setObjectName(QStringLiteral("SelectorMomento"));
    edit->setCalendarPopup(true);
    edit->setMinimumDateTime(now.addSecs(60));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(LeerTexto(5001), edit);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return {};
    return edit->dateTime();
}
} // namespace

void AlertWindowBase::posponer(const QString& presetKey) {
    const QDateTime now = Clock::current().now();
    const QDateTime back =
        presetKey == SnoozePresets::kUntil ? pedirMomento(this, now) : SnoozePresets::until(presetKey, now);
    if (!back.isValid()) return;
    Ajustes::setLastSnooze(presetKey);
    posponerHasta(back);
}

void AlertWindowBase::posponerHasta(const QDateTime& back) {
    const QDateTime now = Clock::current().now();
    if (!back.isValid() || back <= now) return;
    m_pausaElegida = true;
    pausar(SnoozePresets::delayMs(now, back, g_msPerMinute));
    recordarPausa(back);
    guardarPosicion();
    m_closedByUser = true;
    close();
}

void AlertWindowBase::descartar() {
    m_spin->setValue(0);
    if (paused()) {
        // Snoozed: it ends as closed by the user, without showing again.
        m_timer->stop();
        m_pausaElegida = false;
        m_closedByUser = true;
        close();
        return;
    }
    BotonCerrarClick();
}

void AlertWindowBase::reanudarPausa(const QDateTime& hasta, const QString& uid) {
    m_uid = uid;
    const QDateTime now = Clock::current().now();
    if (!hasta.isValid() || hasta <= now) {
        show();
        return;
    }
    m_pausaElegida = true;
    m_closedByUser = true;
    pausar(SnoozePresets::delayMs(now, hasta, g_msPerMinute));
    recordarPausa(hasta);
}

void AlertWindowBase::recordarPausa(const QDateTime& hasta) {
    auto& pospuestos = AvisosPospuestos::global();
    if (!hasta.isValid()) {
        pospuestos.quitar(m_pospuesto);
        m_pospuesto = 0;
        return;
    }
    AvisosPospuestos::Pospuesto p;
    p.archivo = m_archivo;
    p.uid = m_uid;
    p.numero = quint16(objectName().section(u'_', -1).toUInt() + 1);
    p.hasta = hasta;
    p.caption = windowTitle();
    p.text = m_texto->toPlainText();
    p.sound = m_soundFile;
    m_pospuesto = pospuestos.guardar(p, m_pospuesto);
    m_uid = pospuestos.uidDe(m_pospuesto);
}

void AlertWindowBase::pausar(int ms) {
    m_timer->stop();
    m_autoCloseArmed = false;
    m_timer->start(ms);
}

void AlertWindowBase::setContenido(const QString& caption, const QString& text, const QString& soundFile) {
    setWindowTitle(caption);
    m_texto->clear();
    m_texto->setPlainText(text);
    m_soundFile = soundFile;
}

bool AlertWindowBase::paused() const {
    return !isVisible() && !m_autoCloseArmed && m_timer->isActive();
}

void AlertWindowBase::armarCierreAutomatico() {
    m_timer->stop();
    const int minutes = MinutosCierreAvisos();
    m_autoCloseArmed = minutes > 0;
    if (m_autoCloseArmed) m_timer->start(minutes * g_msPerMinute);
}

void AlertWindowBase::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return; // restored from minimised: not a new showing
    // Each showing (a pause ended too) leaves the keyboard where it is, even
    // with window managers that give every new window the focus.
    if (QWindow* w = windowHandle()) w->setFlag(Qt::WindowDoesNotAcceptFocus, true);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    m_labelRepetir->setText(LeerTexto(5001));
    m_boton->setText(LeerTexto(5002));
    m_labelMin->setText(LeerTexto(20301));
    m_posponer->setToolTip(LeerTexto(20711));
    m_posponer->setAccessibleName(LeerTexto(20711));
    m_posponer->setAccessibleDescription(LeerTexto(20714));
    m_texto->setAccessibleName(LeerTexto(20367));
    AccessibleTexts::describe(this);
    aplicarDisposicion();
    armarCierreAutomatico();
    ReproducirSonidoAviso(m_soundFile);
    restaurarPosicion();
    mantenerEnPantalla();
    // The alert takes no focus, so a screen reader is told of it this way.
    QAccessibleEvent alerta(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alerta);
}

void AlertWindowBase::mantenerEnPantalla() {
    const QRect frame = frameGeometry().isValid() ? frameGeometry() : geometry();
    // Visible enough to grab: the top-left corner's area on some screen.
    const QRect grip(frame.topLeft(), QSize(qMin(frame.width(), 60), qMin(frame.height(), 30)));
    for (const QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().contains(grip)) return;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return;
    const QRect area = primary->availableGeometry();
    QPoint place = area.center() - QPoint(frame.width() / 2, frame.height() / 2);
    place.setX(qMax(area.left(), place.x()));
    place.setY(qMax(area.top(), place.y()));
    move(place);
}

void AlertWindowBase::aceptarFoco() {
    if (QWindow* w = windowHandle(); w && (w->flags() & Qt::WindowDoesNotAcceptFocus)) {
        w->setFlag(Qt::WindowDoesNotAcceptFocus, false);
        activateWindow();
    }
}

bool AlertWindowBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) aceptarFoco();
    return QWidget::eventFilter(watched, event);
}

void AlertWindowBase::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        BotonCerrarClick();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void AlertWindowBase::posponer(int minutos) {
    m_spin->setValue(qBound(0, minutos, m_spin->maximum()));
    BotonCerrarClick();
}

void AlertWindowBase::BotonCerrarClick() {
    const int minutes = m_spin->value();
    if (minutes > 0) {
        pausar(minutes * g_msPerMinute);
        recordarPausa(Clock::current().now().addSecs(minutes * 60));
    }
    guardarPosicion();
    m_closedByUser = true;
    close();
}

void AlertWindowBase::TimerAvisoTimer() {
    if (m_autoCloseArmed) {
        m_closedByUser = false;
        close();
        return;
    }
    armarCierreAutomatico();
    m_spin->setValue(0);
    m_pausaElegida = false;
    recordarPausa({});
    show();
}

void AlertWindowBase::closeEvent(QCloseEvent* event) {
    // A pause only when the pause timer really runs: a close request while the spinner
    // merely shows a number must not hide the window for good.
    if (!m_autoCloseArmed && (m_spin->value() != 0 || m_pausaElegida) && m_timer->isActive()) {
        event->ignore();
        hide();
        return;
    }
    m_timer->stop();
    m_counted = false;
    recordarPausa({});
    CerrarAvisoDefinitivamente(m_closedByUser, [this] { return RegistrarMensajeMostrado(*this); });
    event->accept();
}
