#include "sync/CalendarSync.h"

#include "calendar/CalendarReader.h"
#include "calendar/CalendarWriter.h"
#include "platform/FileLock.h"
#include "store/ReminderFile.h"
#include "store/ReminderIdentities.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// LAST-MODIFIED, else DTSTAMP, of the first event, as UTC (RFC 5545 3.8.7).
QDateTime modifiedOf(const QByteArray& ics) {
    QByteArray text = ics;
    text.replace("\r\n ", "").replace("\r\n\t", "").replace("\n ", "").replace("\n\t", "");
    QDateTime stamp;
    bool inEvent = false;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line == "BEGIN:VEVENT") inEvent = true;
        if (line == "END:VEVENT") break;
        if (!inEvent) continue;
        for (const char* name : {"LAST-MODIFIED", "DTSTAMP"}) {
            const qsizetype length = qsizetype(qstrlen(name));
            if (!line.startsWith(name) || line.size() <= length ||
                (line[length] != ':' && line[length] != ';'))
                continue;
            const QString value = QString::fromLatin1(line.mid(line.indexOf(':') + 1));
            QDateTime t = QDateTime::fromString(value, QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
            t.setTimeSpec(Qt::UTC);
            if (t.isValid() && qstrcmp(name, "LAST-MODIFIED") == 0) return t;
            if (t.isValid() && !stamp.isValid()) stamp = t;
        }
    }
    return stamp;
}

ServerEvent readEvent(const CalDav::Event& e, const CalendarSettings& settings) {
    ServerEvent s;
    s.href = e.href;
    s.etag = e.etag;
    s.modified = modifiedOf(e.ics);
    const CalendarReading reading = ReadCalendar(e.ics, settings);
    if (!reading.reminders.isEmpty()) {
        s.readable = true;
        s.uid = reading.reminders.first().uid;
        s.aviso = reading.reminders.first().aviso;
        return s;
    }
    for (const CalendarNote& n : reading.notes)
        if (n.refused()) {
            s.uid = n.uid;
            s.summary = n.summary;
            s.refusal = englishText(n);
            break;
        }
    if (s.refusal.isEmpty()) s.refusal = QStringLiteral("it holds no event");
    if (s.summary.isEmpty()) s.summary = e.href.fileName();
    return s;
}

} // namespace

SyncSnapshot SnapshotForSync(const QString& remindersFile) {
    SyncSnapshot s;
    s.remindersFile = remindersFile;
    FileLock lock(remindersFile, FileLock::Mode::Exclusive);
    const QVector<RegistroAviso> records = LeerTodosLosAvisos(remindersFile);
    ReminderIdentities ids = ReminderIdentities::load(remindersFile);
    if (!s.links.load(remindersFile, &s.linksProblem)) s.links = CalendarLinks();
    const QDateTime fileChanged = QFileInfo(remindersFile).lastModified().toUTC();
    bool noted = false;
    for (int i = 0; i < records.size(); ++i) {
        if (records[i].Estado == 0) continue;
        LocalReminder l{i + 1, ids.uid(i + 1), records[i], FingerprintOf(records[i]), {}};
        l.changed = s.links.changedHere(l.uid, l.fingerprint, fileChanged, &noted);
        s.local.push_back(l);
    }
    ids.save();
    // Saved again by the apply step, which tells a failure.
    if (noted && s.linksProblem.isEmpty()) s.links.save();
    return s;
}

SyncExchange ExchangeWithServer(const SyncSnapshot& snapshot, CalDav::Client& client, const QUrl& calendar,
                                const CalendarSettings& settings) {
    SyncExchange x;
    CalendarLinks links = snapshot.links;
    if (links.calendar != calendar) { // another calendar: nothing of the old links holds
        links.byUid.clear();
        links.syncToken.clear();
    }
    QHash<QUrl, QString> knownEtag;
    for (const EventLink& l : links.byUid)
        knownEtag.insert(l.href, l.etag);

    // What changed on the server: through the sync token where the server
    // keeps one, else a full listing compared by ETag.
    QList<CalDav::EventRef> refs;
    QVector<QUrl> removed;
    bool listed = false;
    bool refused = false;
    CalDav::Changes changes;
    if (!links.syncToken.isEmpty() && client.changesSince(calendar, links.syncToken, changes, &refused)) {
        refs = changes.changed;
        removed = changes.removed;
        x.syncToken = changes.syncToken;
        x.tokenValid = true;
    } else if (!links.syncToken.isEmpty() && !refused) {
        x.error = client.lastError();
        return x;
    } else {
        CalDav::CalendarInfo info;
        if (!client.calendarInfo(calendar, info)) {
            x.error = client.lastError();
            return x;
        }
        if (info.syncCollection && client.changesSince(calendar, {}, changes, nullptr)) {
            refs = changes.changed;
            x.syncToken = changes.syncToken;
            x.tokenValid = true;
        } else if (!info.syncCollection && client.listEvents(calendar, refs)) {
            x.tokenValid = true; // no token: the next sync lists again
        } else {
            x.error = client.lastError();
            return x;
        }
        listed = true;
    }
    QList<QUrl> wanted;
    QSet<QUrl> present;
    for (const CalDav::EventRef& r : refs) {
        present.insert(r.href);
        const auto it = knownEtag.constFind(r.href);
        if (it == knownEtag.constEnd() || *it != r.etag || r.etag.isEmpty()) wanted << r.href;
    }
    if (listed) // a full listing: what we knew and it no longer holds is gone
        for (auto it = knownEtag.constBegin(); it != knownEtag.constEnd(); ++it)
            if (!present.contains(it.key())) removed << it.key();
    QList<CalDav::Event> events;
    if (!wanted.isEmpty() && !client.fetch(calendar, wanted, events)) {
        x.error = client.lastError();
        return x;
    }

    SyncInput in;
    in.local = snapshot.local;
    in.links = &links;
    in.calendar = calendar;
    in.removed = removed;
    for (const CalDav::Event& e : events)
        in.changed << readEvent(e, settings);
    in.eventOf = [&settings](const QString& uid, const RegistroAviso& r) {
        return CalendarOf({CalendarReminder{uid, r}}, settings);
    };
    SyncPlan plan = PlanSync(in);

    // What changed here goes to the server; a 412 means the event changed
    // there meanwhile, which the next sync meets as a change of the server.
    QList<CalDav::PutItem> putItems;
    for (const SyncPlan::Put& p : plan.puts)
        putItems << p.item;
    const QList<CalDav::PutResult> putResults = client.put(putItems);
    QSet<int> untold; // conflicts whose winner did not reach the server: met again next time
    for (int i = 0; i < plan.puts.size(); ++i) {
        const SyncPlan::Put& p = plan.puts[i];
        const CalDav::PutResult& r = putResults[i];
        if (r.error && p.note >= 0) untold.insert(p.note);
        if (r.error.kind == CalDav::ErrorKind::Precondition) {
            ++x.preconditionFailed;
        } else if (r.error) {
            if (!x.error) x.error = r.error;
        } else {
            ++x.sent;
            x.linked.push_back({p.uid, p.item.href, r.etag, p.fingerprint, {}, {}});
            if (p.conflictCopy) x.copies.push_back(p.copy);
        }
    }
    QList<CalDav::DeleteItem> deleteItems;
    for (const SyncPlan::Delete& d : plan.deletes)
        deleteItems << d.item;
    const QList<CalDav::Error> deleteResults = client.remove(deleteItems);
    for (int i = 0; i < plan.deletes.size(); ++i) {
        const CalDav::Error& e = deleteResults[i];
        if (e.kind == CalDav::ErrorKind::Precondition) {
            ++x.preconditionFailed;
        } else if (e) {
            if (!x.error) x.error = e;
        } else {
            ++x.deletedThere;
            x.unlinked.push_back(plan.deletes[i].uid);
        }
    }
    QVector<SyncNote> told;
    for (int i = 0; i < plan.notes.size(); ++i)
        if (!untold.contains(i)) told << plan.notes[i];
    plan.notes = told;
    if (x.error) {
        // Nothing changes here; what reached the server stays linked.
        x.tokenValid = false;
        x.copies.clear();
        plan = {};
    }
    x.plan = plan;
    return x;
}

SyncOutcome ApplyExchange(const SyncSnapshot& snapshot, const SyncExchange& x, const QUrl& calendar,
                          const QString& index, const CalDav::Account& account) {
    SyncOutcome out;
    out.error = x.error;
    out.sent = x.sent;
    out.deletedThere = x.deletedThere;
    out.preconditionFailed = x.preconditionFailed;
    const QString& file = snapshot.remindersFile;
    CalendarLinks links = snapshot.links;
    if (links.calendar != calendar) {
        links.byUid.clear();
        links.syncToken.clear();
    }
    links.calendar = calendar;
    links.server = account.url;
    links.user = account.user;
    links.caFile = account.caFile;
    const SyncPlan& plan = x.plan;
    QVector<SyncNote> notes = plan.notes;
    try {
        FileLock lock(file, FileLock::Mode::Exclusive);
        ReminderIdentities ids = ReminderIdentities::load(file);
        QVector<RegistroAviso> records = LeerTodosLosAvisos(file);
        auto stillAsSeen = [&](const QString& uid, const QByteArray& expected) {
            const int n = ids.numberOf(uid);
            return n >= 1 && n <= records.size() && FingerprintOf(records[n - 1]) == expected ? n : 0;
        };
        QSet<QString> skippedUids;
        for (const SyncPlan::Update& u : plan.updates) {
            const int n = stillAsSeen(u.uid, u.expected);
            if (n == 0) {
                ++out.skipped;
                skippedUids.insert(u.uid);
                continue;
            }
            RegistroAviso r = u.aviso;
            r.Numero = static_cast<uint16_t>(n);
            r.Estado = 2;
            EscribirAviso(file, n, r);
            records[n - 1] = r;
            EventLink link = u.link;
            link.fingerprint = FingerprintOf(r);
            links.byUid.insert(u.uid, link);
            ++out.updated;
        }
        QVector<int> doomed;
        for (const SyncPlan::Remove& rm : plan.removes) {
            const int n = stillAsSeen(rm.uid, rm.expected);
            if (n == 0) {
                ++out.skipped;
                skippedUids.insert(rm.uid);
                continue;
            }
            doomed << n;
            links.byUid.remove(rm.uid);
        }
        std::sort(doomed.begin(), doomed.end(), std::greater<int>());
        for (int n : doomed) {
            if (!EliminarAviso(file, index, n)) throw ReminderFileError("the reminder could not be removed");
            ++out.removed;
        }
        if (!doomed.isEmpty()) ids.realign();
        auto append = [&](const RegistroAviso& aviso, const QString& uid, const EventLink* link) {
            RegistroAviso r = aviso;
            r.Estado = 2;
            const int n = AnadirAviso(file, index, r);
            if (n == 0) throw ReminderFileError("the reminders file already holds 65535 reminders");
            r.Numero = static_cast<uint16_t>(n);
            ids.appended(r);
            if (!uid.isEmpty()) ids.setUid(n, uid);
            if (link) {
                EventLink l = *link;
                l.fingerprint = FingerprintOf(r);
                links.byUid.insert(uid, l);
            }
            ++out.added;
        };
        for (const SyncPlan::Append& a : plan.appends)
            append(a.aviso, a.uid, a.uid.isEmpty() ? nullptr : &a.link);
        for (const RegistroAviso& copy : x.copies)
            append(copy, {}, nullptr);
        ids.save();
    } catch (const ReminderFileError& e) {
        out.fileProblem = QString::fromUtf8(e.what());
    }
    // Links: what the server confirmed, what agrees already, what is gone.
    for (const EventLink& l : x.linked)
        links.byUid.insert(l.uid, l);
    for (const EventLink& l : plan.linkOnly)
        links.byUid.insert(l.fingerprint == EventLink::kRefused ? l.href.toString() : l.uid, l);
    for (const QString& key : x.unlinked)
        links.byUid.remove(key);
    for (const QString& key : plan.unlink)
        links.byUid.remove(key);
    if (x.tokenValid && out.fileProblem.isEmpty() && out.skipped == 0) links.syncToken = x.syncToken;
    // A reminder changed meanwhile is met again by the next sync: keep the server's old ETag for it.
    QString error;
    if (!links.save(&error) && out.fileProblem.isEmpty()) out.fileProblem = error;
    out.notes = notes;
    return out;
}

QString SyncNoteText(const SyncNote& note) {
    switch (note.kind) {
    case SyncNote::Kind::ConflictKeptServer:
        return QStringLiteral(
                   "\"%1\" was changed here and on the calendar; the calendar's change is newer and "
                   "was kept, this one is kept as a copy")
            .arg(note.description);
    case SyncNote::Kind::ConflictKeptLocal:
        return QStringLiteral(
                   "\"%1\" was changed here and on the calendar; this change is newer and was kept, "
                   "the calendar's is kept as a copy")
            .arg(note.description);
    case SyncNote::Kind::Refused:
        return QStringLiteral("The calendar's event \"%1\" cannot be a reminder: %2")
            .arg(note.description, note.detail);
    }
    return {};
}
