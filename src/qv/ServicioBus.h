#pragma once
// QV's own interface on the session bus, "org.norvo.Orbalinder" at
// /org/norvo/Orbalinder: show the main window, add a reminder to the open
// file, list the next reminders, and list, snooze or dismiss the alerts on
// screen. Scripts and other programs use it while QV runs.
#include <QDBusContext>
#include <QObject>
#include <QStringList>

class TVPrincipal;

class ServicioBus : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.norvo.Orbalinder")
public:
    explicit ServicioBus(TVPrincipal& principal);
    // Takes the name and the object on the session bus; false (and `why`) when it cannot.
    bool registrar(QString* why = nullptr);

public slots:
    Q_SCRIPTABLE void ShowWindow();
    // The new reminder's number in the open file; DATE "yyyy-MM-dd", TIME "HH:mm".
    Q_SCRIPTABLE int AddReminder(const QString& description, const QString& date, const QString& time,
                                 const QString& text);
    // "yyyy-MM-dd HH:mm<TAB>description<TAB>file name" of the next active
    // reminders of every active file, soonest first.
    Q_SCRIPTABLE QStringList NextReminders(uint count);
    // "name<TAB>caption<TAB>shown|snoozed" of every alert that exists.
    Q_SCRIPTABLE QStringList Alerts();
    Q_SCRIPTABLE bool SnoozeAlert(const QString& name, uint minutes);
    Q_SCRIPTABLE bool DismissAlert(const QString& name);

private:
    void fallar(const QString& text);
    TVPrincipal& m_principal;
};
