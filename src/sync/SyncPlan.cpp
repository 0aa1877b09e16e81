#include "sync/SyncPlan.h"

#include <QHash>
#include <QSet>

QUrl EventAddress(const QUrl& calendar, const QString& uid) {
    // The UID as one path segment: anything but unreserved characters is encoded.
    QString safe = QString::fromLatin1(QUrl::toPercentEncoding(uid));
    safe.replace(QLatin1Char('%'), QLatin1Char('-')); // no encoded octets in our own names
    QUrl url = calendar;
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    url.setPath(path + safe + QStringLiteral(".ics"));
    return url;
}

SyncPlan PlanSync(const SyncInput& in) {
    SyncPlan plan;
    const CalendarLinks& links = *in.links;
    QHash<QString, const LocalReminder*> localByUid;
    for (const LocalReminder& l : in.local)
        localByUid.insert(l.uid, &l);
    QHash<QUrl, const EventLink*> linkByHref;
    for (const EventLink& l : links.byUid)
        linkByHref.insert(l.href, &l);
    QSet<QString> handled; // UIDs whose fate the server's changes decided

    auto changedHere = [&](const LocalReminder& l) {
        const auto it = links.byUid.constFind(l.uid);
        return it == links.byUid.constEnd() || it->fingerprint != l.fingerprint;
    };
    auto putOf = [&](const LocalReminder& l, const QUrl& href, const QString& ifMatch) {
        return SyncPlan::Put{l.uid, {href, in.eventOf(l.uid, l.aviso), ifMatch}, l.fingerprint, false, {},
                             -1};
    };

    for (const ServerEvent& e : in.changed) {
        const EventLink* old = linkByHref.value(e.href);
        if (!e.readable) {
            // Told once: a refused event is remembered by its address and ETag.
            if (!(old && old->fingerprint == EventLink::kRefused && old->etag == e.etag))
                plan.notes.push_back({SyncNote::Kind::Refused, e.summary, e.refusal});
            plan.linkOnly.push_back({e.uid, e.href, e.etag, EventLink::kRefused, {}, {}});
            continue;
        }
        if (old && old->etag == e.etag && old->fingerprint != EventLink::kRefused) continue; // our own write
        handled.insert(e.uid);
        const LocalReminder* here = localByUid.value(e.uid);
        const EventLink link{e.uid, e.href, e.etag, {}, {}, {}};
        if (!here) {
            // New on the server, or deleted here while changed there: the change wins.
            plan.appends.push_back({e.uid, e.aviso, link});
            continue;
        }
        if (FingerprintOf(e.aviso) == here->fingerprint) { // both sides already agree
            plan.linkOnly.push_back({e.uid, e.href, e.etag, here->fingerprint, {}, {}});
            continue;
        }
        if (!changedHere(*here)) {
            plan.updates.push_back({e.uid, here->fingerprint, e.aviso, link});
            continue;
        }
        // Changed on both sides. The server's change is newer when its event says
        // it was modified after this reminder changed here.
        const bool serverNewer =
            e.modified.isValid() && here->changed.isValid() && e.modified > here->changed;
        if (serverNewer) {
            plan.updates.push_back({e.uid, here->fingerprint, e.aviso, link});
            plan.appends.push_back({{}, here->aviso, {}});
            plan.notes.push_back({SyncNote::Kind::ConflictKeptServer, here->aviso.Descripcion, {}});
        } else {
            SyncPlan::Put put = putOf(*here, e.href, e.etag);
            put.conflictCopy = true;
            put.copy = e.aviso;
            put.note = int(plan.notes.size());
            plan.notes.push_back({SyncNote::Kind::ConflictKeptLocal, here->aviso.Descripcion, {}});
            plan.puts.push_back(put);
        }
    }

    for (const QUrl& href : in.removed) {
        const EventLink* old = linkByHref.value(href);
        if (!old) continue;
        if (old->fingerprint == EventLink::kRefused) {
            plan.unlink.push_back(href.toString());
            continue;
        }
        handled.insert(old->uid);
        const LocalReminder* here = localByUid.value(old->uid);
        if (!here) {
            plan.unlink.push_back(old->uid);
        } else if (changedHere(*here)) {
            plan.puts.push_back(putOf(*here, href, {})); // changed here, deleted there: made again
        } else {
            plan.removes.push_back({old->uid, here->fingerprint});
        }
    }

    // What changed only here.
    for (const LocalReminder& l : in.local) {
        if (handled.contains(l.uid)) continue;
        const auto it = links.byUid.constFind(l.uid);
        if (it == links.byUid.constEnd())
            plan.puts.push_back(putOf(l, EventAddress(in.calendar, l.uid), {}));
        else if (it->fingerprint != l.fingerprint)
            plan.puts.push_back(putOf(l, it->href, it->etag));
    }
    for (const EventLink& l : links.byUid) {
        if (l.fingerprint == EventLink::kRefused || handled.contains(l.uid) || localByUid.contains(l.uid))
            continue;
        plan.deletes.push_back({l.uid, {l.href, l.etag}});
    }
    return plan;
}
