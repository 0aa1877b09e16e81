#include "sync/CalendarLinks.h"

#include "platform/DurableFile.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

QByteArray field(const QString& s) {
    return QUrl::toPercentEncoding(s);
}
QString unfield(const QByteArray& b) {
    return QUrl::fromPercentEncoding(b);
}

} // namespace

QString CalendarLinks::pathFor(const QString& remindersFile) {
    return remindersFile + QStringLiteral(".caldav");
}

bool CalendarLinks::load(const QString& remindersFile, QString* error) {
    m_path = pathFor(remindersFile);
    server = QUrl();
    user.clear();
    caFile.clear();
    minutes = 5;
    calendar = QUrl();
    syncToken.clear();
    byUid.clear();
    QFile f(m_path);
    if (!f.exists()) return true;
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("%1: %2").arg(m_path, f.errorString());
        return false;
    }
    int lineNumber = 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        ++lineNumber;
        if (line.isEmpty()) continue;
        const QList<QByteArray> parts = line.split('\t');
        if (parts[0] == "server" && parts.size() == 2) {
            server = QUrl(unfield(parts[1]));
        } else if (parts[0] == "user" && parts.size() == 2) {
            user = unfield(parts[1]);
        } else if (parts[0] == "every" && parts.size() == 2) {
            minutes = qBound(0, parts[1].toInt(), 24 * 60);
        } else if (parts[0] == "ca-file" && parts.size() == 2) {
            caFile = unfield(parts[1]);
        } else if (parts[0] == "calendar" && parts.size() == 2) {
            calendar = QUrl(unfield(parts[1]));
        } else if (parts[0] == "token" && parts.size() == 2) {
            syncToken = unfield(parts[1]);
        } else if (parts[0] == "event" && (parts.size() == 5 || parts.size() == 7)) {
            // A change here not yet sent adds its fingerprint and time to the line.
            EventLink l{unfield(parts[1]), QUrl(unfield(parts[2])), unfield(parts[3]), parts[4], {}, {}};
            if (parts.size() == 7) {
                l.seen = parts[5];
                l.changed = QDateTime::fromString(QString::fromLatin1(parts[6]), Qt::ISODateWithMs);
                if (l.seen.isEmpty() || !l.changed.isValid()) {
                    l.seen.clear();
                    l.changed = QDateTime();
                }
            }
            byUid.insert(l.fingerprint == EventLink::kRefused ? l.href.toString() : l.uid, l);
        } else {
            if (error) *error = QStringLiteral("%1: line %2 is damaged").arg(m_path).arg(lineNumber);
            calendar = QUrl();
            syncToken.clear();
            byUid.clear();
            return false;
        }
    }
    return true;
}

bool CalendarLinks::save(QString* error) const {
    QByteArray out = "server\t" + field(server.toString()) + "\nuser\t" + field(user) + "\nca-file\t" +
                     field(caFile) + "\nevery\t" + QByteArray::number(minutes) + "\ncalendar\t" +
                     field(calendar.toString()) + "\ntoken\t" + field(syncToken) + '\n';
    // In key order, so that a sync that changed nothing writes the same bytes.
    QStringList keys = byUid.keys();
    keys.sort();
    for (const QString& key : keys) {
        const EventLink& l = *byUid.constFind(key);
        out += "event\t" + field(l.uid) + '\t' + field(l.href.toString()) + '\t' + field(l.etag) + '\t' +
               l.fingerprint;
        if (!l.seen.isEmpty() && l.changed.isValid() && l.seen != l.fingerprint)
            out += '\t' + l.seen + '\t' + l.changed.toUTC().toString(Qt::ISODateWithMs).toLatin1();
        out += '\n';
    }
    return DurableFile::save(m_path, out, error);
}

const EventLink* CalendarLinks::byHref(const QUrl& href) const {
    for (const EventLink& l : byUid)
        if (l.href == href) return &l;
    return nullptr;
}

QDateTime CalendarLinks::changedHere(const QString& uid, const QByteArray& fingerprint, const QDateTime& now,
                                     bool* noted) {
    const auto it = byUid.find(uid);
    if (it == byUid.end() || it->fingerprint == EventLink::kRefused) return {};
    if (it->fingerprint == fingerprint) { // changed back, or never changed
        if (!it->seen.isEmpty() && noted) *noted = true;
        it->seen.clear();
        it->changed = QDateTime();
        return {};
    }
    if (it->seen != fingerprint || !it->changed.isValid()) {
        it->seen = fingerprint;
        it->changed = now.toUTC();
        if (noted) *noted = true;
    }
    return it->changed;
}

QByteArray FingerprintOf(const RegistroAviso& r) {
    RegistroAviso copy = r;
    copy.Numero = 0;
    return QCryptographicHash::hash(copy.toBytes(), QCryptographicHash::Sha1).toHex();
}
