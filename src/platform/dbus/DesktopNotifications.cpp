// Notifications through Qt D-Bus. Calls wait for the bus's own time-out at
// most, and a service that let one time out is not asked again, so a service
// that hangs holds the program up once.
#include "platform/dbus/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// Only a bus the session names: never one that libdbus would start on demand.
bool sessionBusNamed() {
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
           QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus"));
}
} // namespace

QDBusMessage DesktopNotifications::call(const QString& method, const QVariantList& args) {
    QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    m.setArguments(args);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(m, QDBus::Block);
    // A service that does not answer in the bus's time is not asked again this run.
    if (reply.type() == QDBusMessage::ErrorMessage &&
        (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
         reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout")))
        m_silent = true;
    return reply;
}

DesktopNotifications& DesktopNotifications::instance() {
    static DesktopNotifications* one = new DesktopNotifications;
    return *one;
}

DesktopNotifications::DesktopNotifications() {
    if (!sessionBusNamed()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // Signals of whichever program owns the name now or later.
    m_connected = bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                              SLOT(onActionInvoked(uint, QString))) &&
                  bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                              SLOT(onClosed(uint, uint)));
}

bool DesktopNotifications::offersActions(QString* why) {
    auto fail = [why](const QString& text) {
        if (why) *why = text;
        return false;
    };
    if (!sessionBusNamed()) return fail(QStringLiteral("no session bus"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return fail(QStringLiteral("no session bus"));
    if (!m_connected) return fail(QStringLiteral("cannot follow the notification service's signals"));
    if (m_silent) return fail(QStringLiteral("the notification service does not answer"));
    // A service that the bus starts on demand counts too.
    const QDBusReply<QStringList> activatable = bus.interface()->call(QStringLiteral("ListActivatableNames"));
    if (!bus.interface()->isServiceRegistered(kService) &&
        !(activatable.isValid() && activatable.value().contains(kService)))
        return fail(QStringLiteral("no notification service"));
    const QDBusMessage reply = call(QStringLiteral("GetCapabilities"), {});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return fail(reply.errorMessage().isEmpty() ? QStringLiteral("no answer from the notification service")
                                                   : reply.errorMessage());
    const QStringList capabilities = reply.arguments().first().toStringList();
    m_markup = capabilities.contains(QStringLiteral("body-markup"));
    if (!capabilities.contains(QStringLiteral("actions")))
        return fail(QStringLiteral("the notification service shows no actions"));
    return true;
}

uint DesktopNotifications::notify(const Notification& n, QString* error) {
    QStringList actions;
    for (const auto& [key, label] : n.actions)
        actions << key << label;
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(n.critical ? 2 : 1));
    if (!n.desktopEntry.isEmpty()) hints.insert(QStringLiteral("desktop-entry"), n.desktopEntry);
    if (n.silent) hints.insert(QStringLiteral("suppress-sound"), true);
    const QDBusMessage reply =
        call(QStringLiteral("Notify"), {QStringLiteral("Orbalinder"), uint(0), n.icon, n.summary,
                                        m_markup ? n.body.toHtmlEscaped() : n.body, actions, hints, int(0)});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        if (error) *error = reply.errorMessage();
        return 0;
    }
    return reply.arguments().first().toUInt();
}

void DesktopNotifications::close(uint id) {
    if (id == 0) return;
    QDBusMessage m =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
    m.setArguments({id});
    QDBusConnection::sessionBus().send(m);
}

void DesktopNotifications::onActionInvoked(uint id, const QString& key) {
    emit actionInvoked(id, key);
}

void DesktopNotifications::onClosed(uint id, uint reason) {
    const auto r = reason >= 1 && reason <= 4 ? static_cast<ClosedReason>(reason) : ClosedReason::Undefined;
    emit closed(id, r);
}
