#pragma once
// One two-way sync of a reminders file with a CalDAV calendar, in three steps
// so that only the middle one waits for the network:
//  1. SnapshotForSync, where the file is used (QV's user-interface thread):
//     the reminders with their UIDs (new ones get theirs) and the last links;
//  2. ExchangeWithServer, on any thread: what changed on the server, the
//     decisions (SyncPlan), and the PUTs and DELETEs of what changed here;
//  3. ApplyExchange, where the file is used again: the server's changes
//     written to the file under its lock, each only if its reminder is still
//     as the snapshot saw it (a reminder changed meanwhile waits for the next
//     sync), then the links saved.
// A failure of the server (unreachable, refused password, 5xx) changes nothing
// here; what was sent before it is remembered, and the next sync catches up.
#include "caldav/CalDavClient.h"
#include "calendar/CalendarTypes.h"
#include "sync/CalendarLinks.h"
#include "sync/SyncPlan.h"

#include <QDateTime>
#include <QString>
#include <QVector>

struct SyncSnapshot {
    QString remindersFile;
    QVector<LocalReminder> local;
    CalendarLinks links;
    QString linksProblem; // the links file was damaged: this sync starts afresh
};

struct SyncExchange {
    CalDav::Error error;           // the first failure that was not a 412
    SyncPlan plan;                 // only what is to change here; empty after a failure
    QVector<EventLink> linked;     // events written or confirmed by the server
    QVector<QString> unlinked;     // UIDs (or addresses of refused events) whose link goes
    QVector<RegistroAviso> copies; // conflict copies of server versions, to append
    QString syncToken;
    bool tokenValid = false; // false: keep the old token
    int sent = 0, deletedThere = 0, preconditionFailed = 0;
};

struct SyncOutcome {
    CalDav::Error error;
    QVector<SyncNote> notes;
    int sent = 0, deletedThere = 0;                       // on the server
    int added = 0, updated = 0, removed = 0, skipped = 0; // here; skipped: changed here meanwhile
    int preconditionFailed = 0;
    QString fileProblem; // the reminders file or its companions could not be written (English)
};

// Throws ReminderFileError when the reminders file cannot be read or its identities saved.
SyncSnapshot SnapshotForSync(const QString& remindersFile);
SyncExchange ExchangeWithServer(const SyncSnapshot& snapshot, CalDav::Client& client, const QUrl& calendar,
                                const CalendarSettings& settings);
// `index` is the display-order index the program keeps for the file.
// The account (server, user, trusted certificates) is kept with the links.
SyncOutcome ApplyExchange(const SyncSnapshot& snapshot, const SyncExchange& exchange, const QUrl& calendar,
                          const QString& index, const CalDav::Account& account);

// The English sentence of a note, naming the reminder.
QString SyncNoteText(const SyncNote& note);
