#pragma once
// The calendar account of a reminders file (server address, user, trusted
// certificates; the password lives in the keyring) and what its last sync
// left: the calendar it was synced with, the server's sync token, and per event its UID, address, ETag and
// the fingerprint of the reminder as it stood then, and for a reminder changed here since, when the
// sync first saw that change. Kept beside the reminders file (FILE + ".caldav"), so the
// reminders file keeps its exact format; the UIDs themselves live with the reminders' identities
// (ReminderIdentities).
#include "store/RegistroAviso.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QUrl>

struct EventLink {
    QString uid;
    QUrl href;
    QString etag;
    QByteArray fingerprint; // of the reminder when it last matched the event; kRefused: never imported
    // A change here not yet on the server: the reminder's fingerprint when a sync first saw it
    // changed, and the time of that change (UTC); empty and invalid while it matches the event.
    QByteArray seen;
    QDateTime changed;
    static inline const QByteArray kRefused = QByteArrayLiteral("refused");
};

class CalendarLinks {
public:
    static QString pathFor(const QString& remindersFile);

    // A missing file gives no links (true); an unreadable or damaged one false with the reason.
    bool load(const QString& remindersFile, QString* error = nullptr);
    // Replaces the file in one step. False with the reason.
    bool save(QString* error = nullptr) const;

    // The account. An empty server: the file is not synced.
    QUrl server;
    QString user;
    QString caFile;
    int minutes = 5; // between background syncs; 0: at start and after changes only

    QUrl calendar;
    QString syncToken;
    QHash<QString, EventLink> byUid; // refused events are keyed by their address

    const EventLink* byHref(const QUrl& href) const;

    // When the linked reminder `uid`, whose fingerprint is now `fingerprint`, changed here since it
    // last matched its event: the time kept since a sync first saw this version, else `now`, which is
    // kept from then on (`*noted` set). Invalid when it did not change or has no link.
    QDateTime changedHere(const QString& uid, const QByteArray& fingerprint, const QDateTime& now,
                          bool* noted);

private:
    QString m_path;
};

// What a reminder looks like to the sync: its stored bytes, whatever its number.
QByteArray FingerprintOf(const RegistroAviso& r);
