#include "alerts/AvisoNotificacion.h"

#include "alerts/AlertHost.h"
#include "alerts/AlertWindowBase.h"
#include "alerts/RegistroMensajes.h"
#include "alerts/SnoozePresets.h"
#include "alerts/Sonido.h"
#include "alerts/TVAviso.h"
#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "platform/dbus/DesktopNotifications.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"

#include <QCoreApplication>
#include <QTimer>

const QString AvisoNotificacion::kDismiss = QStringLiteral("dismiss");

namespace {
QList<AvisoNotificacion*> g_todos;
const QString kSnoozePrefix = QStringLiteral("snooze-");

// The notification's buttons. Services that show only a few (GNOME shows
// three) show the first ones: the last snooze used, one hour, and "Dismiss".
QList<QPair<QString, QString>> acciones() {
    QStringList order;
    const QString last = Ajustes::lastSnooze();
    if (const auto* p = SnoozePresets::find(last); p && p->key != SnoozePresets::kUntil) order << p->key;
    for (const QString& key : {QStringLiteral("60"), QStringLiteral("10")})
        if (!order.contains(key)) order << key;
    QList<QPair<QString, QString>> list;
    for (const QString& key : order)
        list.append({kSnoozePrefix + key, LeerTexto(SnoozePresets::find(key)->textId)});
    list.append({AvisoNotificacion::kDismiss, LeerTexto(20708)});
    for (const SnoozePresets::Preset& p : SnoozePresets::all())
        if (p.key != SnoozePresets::kUntil && !order.contains(p.key))
            list.append({kSnoozePrefix + p.key, LeerTexto(p.textId)});
    return list;
}
} // namespace

AvisoNotificacion::AvisoNotificacion(quint16 index, const QString& caption, const QString& text,
                                     const QString& soundFile, const QString& archivo)
    : m_index(index), m_archivo(archivo.isEmpty() ? Ajustes::openFile() : archivo), m_caption(caption),
      m_text(text), m_soundFile(soundFile) {
    setObjectName(QStringLiteral("VAvisoNotificacion_") + QString::number(index));
    g_todos << this;
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &AvisoNotificacion::onTimer);
    auto& service = DesktopNotifications::instance();
    connect(&service, &DesktopNotifications::actionInvoked, this, &AvisoNotificacion::onAction);
    connect(&service, &DesktopNotifications::closed, this,
            [this](uint id, DesktopNotifications::ClosedReason r) { onClosed(id, uint(r)); });
    // A notification outliving the program would offer buttons nobody answers.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            [this] { DesktopNotifications::instance().close(m_id); });
    AlertCount::raise();
}

AvisoNotificacion::~AvisoNotificacion() {
    g_todos.removeOne(this);
    if (m_counted) AlertCount::lower();
}

bool AvisoNotificacion::mostrar(QString* error) {
    DesktopNotifications::Notification n;
    n.summary = m_caption;
    n.body = m_text;
    n.icon = QStringLiteral("org.norvo.Orbalinder");
    n.desktopEntry = QStringLiteral("org.norvo.Orbalinder");
    n.actions = acciones();
    n.critical = true;
    n.silent = true;
    m_id = DesktopNotifications::instance().notify(n, error);
    if (m_id == 0) return false;
    m_snoozed = false;
    armarCierreAutomatico();
    // Its own sound, or the classic one: the notification style has no sound of its own.
    if (SonidoReproducible(m_soundFile))
        ReproducirSonido(false, m_soundFile);
    else
        ReproducirSonido(true, SonidoIncorporado(1));
    return true;
}

void AvisoNotificacion::armarCierreAutomatico() {
    m_timer->stop();
    const int minutes = MinutosCierreAvisos();
    m_autoCloseArmed = minutes > 0;
    if (m_autoCloseArmed) m_timer->start(minutes * AlertWindowBase::millisecondsPerMinute());
}

void AvisoNotificacion::onAction(uint id, const QString& key) {
    if (id != m_id || m_id == 0 || m_ended) return;
    if (key == kDismiss) {
        descartar();
        return;
    }
    if (!key.startsWith(kSnoozePrefix)) return; // "default" (a click on it) and others: nothing
    const QString preset = key.mid(kSnoozePrefix.size());
    const QDateTime now = Clock::current().now();
    const QDateTime back = SnoozePresets::until(preset, now);
    if (!back.isValid()) return;
    Ajustes::setLastSnooze(preset);
    posponerHasta(back);
}

QList<AvisoNotificacion*> AvisoNotificacion::todos() {
    return g_todos;
}

void AvisoNotificacion::posponerHasta(const QDateTime& back) {
    const QDateTime now = Clock::current().now();
    if (m_ended || !back.isValid() || back <= now) return;
    DesktopNotifications::instance().close(m_id);
    m_id = 0;
    pausar(now, back);
}

void AvisoNotificacion::descartar() {
    if (m_ended) return;
    DesktopNotifications::instance().close(m_id);
    m_id = 0;
    terminar(true);
}

void AvisoNotificacion::pausar(const QDateTime& now, const QDateTime& hasta) {
    m_snoozed = true;
    m_autoCloseArmed = false;
    m_timer->start(SnoozePresets::delayMs(now, hasta, AlertWindowBase::millisecondsPerMinute()));
    AvisosPospuestos::Pospuesto p;
    p.archivo = m_archivo;
    p.uid = m_uid;
    p.numero = quint16(m_index + 1);
    p.hasta = hasta;
    p.caption = m_caption;
    p.text = m_text;
    p.sound = m_soundFile;
    m_pospuesto = AvisosPospuestos::global().guardar(p, m_pospuesto);
    m_uid = AvisosPospuestos::global().uidDe(m_pospuesto);
}

void AvisoNotificacion::olvidarPausa() {
    AvisosPospuestos::global().quitar(m_pospuesto);
    m_pospuesto = 0;
}

bool AvisoNotificacion::reanudar(const QDateTime& hasta, const QString& uid) {
    m_uid = uid;
    const QDateTime now = Clock::current().now();
    if (!hasta.isValid() || hasta <= now) return mostrar();
    pausar(now, hasta);
    return true;
}

void AvisoNotificacion::onClosed(uint id, uint reason) {
    if (id != m_id || m_id == 0 || m_ended) return;
    m_id = 0;
    // Gone from the screen without the user (expired, or taken by another
    // program): the alert still waits, and its auto-close timer ends it.
    if (reason == uint(DesktopNotifications::ClosedReason::Dismissed)) terminar(true);
}

void AvisoNotificacion::onTimer() {
    if (m_snoozed) {
        olvidarPausa();
        QString error;
        if (!mostrar(&error)) {
            // The service went away meanwhile: the alert comes back as a window.
            MostrarAviso(m_index, m_caption, m_text, m_soundFile, m_archivo);
            m_ended = true;
            deleteLater();
        }
        return;
    }
    if (m_autoCloseArmed) {
        DesktopNotifications::instance().close(m_id);
        terminar(false);
    }
}

void AvisoNotificacion::terminar(bool closedByUser) {
    if (m_ended) return;
    m_ended = true;
    m_timer->stop();
    m_counted = false;
    olvidarPausa();
    CerrarAvisoDefinitivamente(closedByUser, [this] {
        const QString path = ProgramFolders::global().dirMail + QLatin1String(kArchivoMensajesMostrados);
        return EscribirMensajeMostrado(path, Clock::current().now(), m_caption,
                                       m_text.split(QLatin1Char('\n')));
    });
    deleteLater();
}

bool NotificacionesDisponibles(QString* why) {
    return DesktopNotifications::instance().offersActions(why);
}

bool MostrarAvisoNotificacion(quint16 index, const QString& caption, const QString& text,
                              const QString& soundFile, QString* why, const QString& archivo) {
    if (!NotificacionesDisponibles(why)) return false;
    auto* alert = new AvisoNotificacion(index, caption, text, soundFile, archivo);
    if (!alert->mostrar(why)) {
        delete alert;
        return false;
    }
    return true;
}

bool ReanudarAvisoNotificacion(quint16 index, const AvisosPospuestos::Pospuesto& p) {
    if (!NotificacionesDisponibles()) return false;
    auto* alert = new AvisoNotificacion(index, p.caption, p.text, p.sound, p.archivo);
    if (!alert->reanudar(p.hasta, p.uid)) {
        delete alert;
        return false;
    }
    return true;
}
