#pragma once
// The decisions of one sync, without the network or the file: given the
// reminders as they are, the links of the last sync and what the server says
// changed, what goes to the server and what changes here.
//
// Rules: a change on one side only goes to the other; a reminder changed on
// both sides to different contents is a conflict, which the newer change wins
// (the event's LAST-MODIFIED against when this reminder's change was first seen
// here) while the other is kept as a copy (a new reminder) and told; a deletion
// meets a change: the change wins. A change that would make both sides equal
// is no conflict.
#include "caldav/CalDavClient.h"
#include "store/RegistroAviso.h"
#include "sync/CalendarLinks.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>

// One reminder of the file as the sync saw it.
struct LocalReminder {
    int numero = 0;
    QString uid;
    RegistroAviso aviso;
    QByteArray fingerprint;
    QDateTime changed; // when it changed here since it last matched its event (UTC); invalid: it did not
};

// One event the server reported as new or changed, read as a reminder.
struct ServerEvent {
    QUrl href;
    QString etag;
    QString uid;
    bool readable = false; // false: the reminders cannot hold it (refusal)
    RegistroAviso aviso;
    QDateTime modified; // LAST-MODIFIED (or DTSTAMP) in UTC; invalid when it has none
    QString summary;    // to name an event that was refused
    QString refusal;    // why, in English
};

struct SyncNote {
    enum class Kind {
        ConflictKeptServer, // both changed, the server's was newer: ours kept as a copy
        ConflictKeptLocal,  // both changed, ours was newer: the server's kept as a copy
        Refused,            // an event of the calendar the reminders cannot hold
    };
    Kind kind;
    QString description; // the reminder's (or the event's summary)
    QString detail;      // Refused: why
};

struct SyncPlan {
    // Sent to the server; `uid` names the link the answer updates.
    struct Put {
        QString uid;
        CalDav::PutItem item;
        QByteArray fingerprint;    // of the local reminder sent
        bool conflictCopy = false; // a copy of the server's version is appended once this PUT landed
        RegistroAviso copy;
        int note = -1; // the conflict's note, told only once this PUT landed
    };
    struct Delete {
        QString uid;
        CalDav::DeleteItem item;
    };
    QVector<Put> puts;
    QVector<Delete> deletes;

    // Changes here, each checked against the reminder as it was seen.
    struct Update {
        QString uid;
        QByteArray expected; // the reminder's fingerprint when seen; it is left alone if it changed since
        RegistroAviso aviso;
        EventLink link; // fingerprint filled in when written
    };
    struct Append {
        QString uid; // empty: a copy, which gets a new UID and goes to the server at the next sync
        RegistroAviso aviso;
        EventLink link;
    };
    struct Remove {
        QString uid;
        QByteArray expected;
    };
    QVector<Update> updates;
    QVector<Append> appends;
    QVector<Remove> removes;

    QVector<QString> unlink;     // links dropped (the event and the reminder are both gone)
    QVector<EventLink> linkOnly; // both sides already agree
    QVector<SyncNote> notes;
};

struct SyncInput {
    QVector<LocalReminder> local; // live reminders with their UIDs
    const CalendarLinks* links = nullptr;
    QUrl calendar;
    QVector<ServerEvent> changed; // new or changed on the server
    QVector<QUrl> removed;        // gone from the server
    // The event text of a reminder (the iCalendar layer).
    std::function<QByteArray(const QString& uid, const RegistroAviso&)> eventOf;
};

SyncPlan PlanSync(const SyncInput& in);

// Where a new reminder's event goes: the calendar's address + its UID + ".ics".
QUrl EventAddress(const QUrl& calendar, const QString& uid);
