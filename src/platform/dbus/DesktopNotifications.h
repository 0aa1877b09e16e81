#pragma once
// The desktop's notification service on the session bus
// (org.freedesktop.Notifications): capabilities, showing and closing a
// notification, and what became of it (an action the user chose, or why it closed).
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    // Why a notification closed, as the service tells it.
    enum class ClosedReason : uint { Expired = 1, Dismissed = 2, ClosedByCall = 3, Undefined = 4 };

    struct Notification {
        QString summary;
        QString body;         // plain text, escaped for services that read markup
        QString icon;         // an icon name of the theme
        QString desktopEntry; // the program's desktop entry, without ".desktop"
        // Pairs of key and label, in the order the user should meet them.
        QList<QPair<QString, QString>> actions;
        bool critical = false;
        bool silent = false; // the program plays its own sound
    };

    // The one connection to the session bus's service, made at the first use.
    static DesktopNotifications& instance();

    // Whether a service runs on the session bus and shows action buttons;
    // `why` names what is missing otherwise.
    bool offersActions(QString* why = nullptr);
    // Shows a notification that stays until it is closed; 0 when the service refused it.
    uint notify(const Notification& n, QString* error = nullptr);
    // Asks the service to take a notification away.
    void close(uint id);

signals:
    void actionInvoked(uint id, const QString& key);
    void closed(uint id, DesktopNotifications::ClosedReason reason);

private slots:
    void onActionInvoked(uint id, const QString& key);
    void onClosed(uint id, uint reason);

private:
    DesktopNotifications();
    QDBusMessage call(const QString& method, const QVariantList& args);
    bool m_connected = false;
    bool m_markup = false; // the service reads markup in bodies
    bool m_silent = false; // a call timed out: not asked again
};
