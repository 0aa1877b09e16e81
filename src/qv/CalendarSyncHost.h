#pragma once
// QV's side of the calendar sync: the background sync of the open reminders
// file with the calendar account kept beside it, the password from the
// keyring, and its failures and conflicts told in the catalogue's language.
// Writing waits while a modal dialog (the editor, the preferences) is open.
#include "caldav/CalDavError.h"
#include "sync/SyncPlan.h"

#include <QObject>
#include <QString>

#include <functional>

class BackgroundSync;

class CalendarSyncHost : public QObject {
    Q_OBJECT
public:
    explicit CalendarSyncHost(std::function<QString()> remindersFile, QObject* parent = nullptr);
    ~CalendarSyncHost() override;

    BackgroundSync& sync() { return *m_sync; }

    // The sentences shown for a failure and for the notes of one sync.
    static QString failureText(const CalDav::Error& error);
    static QString noteText(const SyncNote& note);

private:
    std::unique_ptr<BackgroundSync> m_sync;
};
