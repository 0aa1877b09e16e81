#include "store/ReminderIdentities.h"

#include "platform/DurableFile.h"
#include "store/FollowReminders.h"
#include "store/ReminderFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

namespace {

constexpr const char* kFormat = "orbalinder-reminder-identities";

quint8 flagsOf(const RegistroAviso& r) {
    return quint8((r.Caduca ? 1 : 0) | (r.BorrarAlCaducar ? 2 : 0) | (r.PorEmail ? 4 : 0));
}

// Replaced whole, durably: a crash or a full disk leaves the old file or the new one.
void writeReplacing(const QString& path, const QByteArray& bytes) {
    QString error;
    if (!DurableFile::save(path, bytes, &error))
        throw ReminderFileError(ReminderFileError::Operacion::Escribir, path,
                                ReminderFileError::Causa::Sistema, 0, 0, error);
}

} // namespace

QString ReminderIdentities::pathFor(const QString& remindersFile) {
    return remindersFile + QStringLiteral(".ids");
}

ReminderIdentities::Entry ReminderIdentities::entryOf(const ResumenesAvisos& s, int i) {
    using F = ResumenesAvisos::Fila;
    Entry e;
    e.description = s.descripcion(i);
    e.repeat = s[i].Repetir;
    e.flags = quint8((s[i].tiene(F::Caduca) ? 1 : 0) | (s[i].tiene(F::BorrarAlCaducar) ? 2 : 0) |
                     (s[i].tiene(F::PorEmail) ? 4 : 0));
    return e;
}

QVector<ReminderIdentities::Entry> ReminderIdentities::fingerprints(const ResumenesAvisos& s) {
    QVector<Entry> now;
    now.reserve(s.size());
    for (int i = 0; i < s.size(); ++i)
        now << entryOf(s, i);
    return now;
}

ReminderIdentities ReminderIdentities::load(const QString& remindersFile) {
    ReminderIdentities ids = readCompanion(remindersFile);
    ids.realign();
    return ids;
}

ReminderIdentities ReminderIdentities::load(const QString& remindersFile, const ResumenesAvisos& now) {
    ReminderIdentities ids = readCompanion(remindersFile);
    ids.alignWith(fingerprints(now));
    return ids;
}

ReminderIdentities ReminderIdentities::readCompanion(const QString& remindersFile) {
    ReminderIdentities ids;
    ids.m_remindersFile = remindersFile;
    QFile f(pathFor(remindersFile));
    if (f.exists()) {
        if (!f.open(QIODevice::ReadOnly)) {
            ids.m_problem = QStringLiteral("%1 cannot be read: %2").arg(f.fileName(), f.errorString());
        } else {
            ids.m_read = f.readAll();
            QJsonParseError error{};
            const QJsonObject top = QJsonDocument::fromJson(ids.m_read, &error).object();
            if (error.error != QJsonParseError::NoError ||
                top.value("format").toString() != QLatin1String(kFormat)) {
                ids.m_problem = QStringLiteral("%1 is not a file of reminder identities").arg(f.fileName());
            } else {
                for (const QJsonValue& v : top.value("reminders").toArray()) {
                    const QJsonObject o = v.toObject();
                    Entry e;
                    e.description = o.value("description").toString();
                    e.repeat = quint8(o.value("repeat").toInt());
                    e.flags = quint8(o.value("flags").toInt());
                    e.uid = o.value("uid").toString();
                    const QJsonObject values = o.value("values").toObject();
                    for (auto it = values.begin(); it != values.end(); ++it)
                        e.values.insert(it.key(), it.value().toString());
                    ids.m_entries << e;
                }
            }
        }
    }
    return ids;
}

void ReminderIdentities::realign() {
    alignWith(fingerprints(LeerResumenes(m_remindersFile)));
}

void ReminderIdentities::alignWith(QVector<Entry> now) {
    const QVector<int> aligned = AlignInOrder(int(m_entries.size()), int(now.size()), [&](int i, int j) {
        return m_entries[i].sameReminder(now[j]);
    });
    QVector<bool> taken(m_entries.size(), false);
    for (int j = 0; j < now.size(); ++j)
        if (aligned[j] >= 0) taken[aligned[j]] = true;
    for (int j = 0; j < now.size(); ++j) {
        int from = aligned[j];
        // Changed in place: the entry of the same position that nothing else took.
        if (from < 0 && j < m_entries.size() && !taken[j]) {
            from = j;
            taken[j] = true;
        }
        if (from < 0) continue;
        now[j].uid = m_entries[from].uid;
        now[j].values = m_entries[from].values;
    }
    // One reminder per UID: a copy made outside keeps its UID only on the first.
    QSet<QString> seen;
    for (Entry& e : now) {
        if (e.uid.isEmpty()) continue;
        if (seen.contains(e.uid)) {
            e.uid.clear();
            e.values.clear();
        }
        seen.insert(e.uid);
    }
    m_entries = std::move(now);
}

ReminderIdentities::Entry* ReminderIdentities::at(int numero) {
    return numero >= 1 && numero <= m_entries.size() ? &m_entries[numero - 1] : nullptr;
}
const ReminderIdentities::Entry* ReminderIdentities::at(int numero) const {
    return numero >= 1 && numero <= m_entries.size() ? &m_entries[numero - 1] : nullptr;
}

QString ReminderIdentities::uid(int numero) {
    Entry* e = at(numero);
    if (!e) return {};
    if (e->uid.isEmpty())
        e->uid = QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("@orbalinder");
    return e->uid;
}

int ReminderIdentities::numberOf(const QString& uid) const {
    if (uid.isEmpty()) return 0;
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].uid == uid) return i + 1;
    return 0;
}

void ReminderIdentities::setUid(int numero, const QString& uid) {
    Entry* e = at(numero);
    if (!e) return;
    if (const int other = numberOf(uid); other != 0 && other != numero) m_entries[other - 1].uid.clear();
    e->uid = uid;
}

QString ReminderIdentities::value(int numero, const QString& key) const {
    const Entry* e = at(numero);
    return e ? e->values.value(key) : QString();
}

void ReminderIdentities::setValue(int numero, const QString& key, const QString& value) {
    Entry* e = at(numero);
    if (!e) return;
    if (value.isEmpty())
        e->values.remove(key);
    else
        e->values.insert(key, value);
}

void ReminderIdentities::appended(const RegistroAviso& r) {
    Entry e;
    e.description = r.Descripcion.left(30);
    e.repeat = r.Repetir;
    e.flags = flagsOf(r);
    m_entries << e;
}

QByteArray ReminderIdentities::serialized() const {
    QJsonArray reminders;
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        QJsonObject o{{"number", i + 1},
                      {"description", e.description},
                      {"repeat", e.repeat},
                      {"flags", e.flags},
                      {"uid", e.uid}};
        if (!e.values.isEmpty()) {
            QJsonObject values;
            for (auto it = e.values.begin(); it != e.values.end(); ++it)
                values.insert(it.key(), it.value());
            o.insert("values", values);
        }
        reminders.append(o);
    }
    return QJsonDocument(QJsonObject{{"format", kFormat}, {"version", 1}, {"reminders", reminders}})
        .toJson(QJsonDocument::Indented);
}

void ReminderIdentities::save() {
    const QByteArray bytes = serialized();
    if (bytes == m_read) return;
    writeReplacing(pathFor(m_remindersFile), bytes);
    m_read = bytes;
    m_problem.clear();
}
