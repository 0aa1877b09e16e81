#pragma once
// What the program keeps about each reminder of a file beyond its 836-byte
// record: a stable identity (the UID calendars know it by) and named values
// that other features attach to it (a calendar server's address and version
// tag, a snoozed time, ...). They live in a companion file beside the
// reminders file (FILE + ".ids"), so the reminders file keeps its exact format.
//
// Each entry also keeps what identifies its reminder (description,
// repetition, expiry, removal and e-mail flags) and its number. Loading aligns
// the entries with the reminders file as it is now, the way the list follows
// reminders across a change (AlignInOrder): renumbering after a removal,
// reminders added or removed by another program, and a reminder changed in
// place (same position, no match elsewhere) keep their identities; a reminder
// that is new gets none until one is asked for. No widgets.
#include "store/RegistroAviso.h"
#include "store/ResumenesAvisos.h"

#include <QMap>
#include <QString>
#include <QVector>

class ReminderIdentities {
public:
    // FILE + ".ids".
    static QString pathFor(const QString& remindersFile);

    // Reads the companion file (none yet: no identities) and aligns it with
    // the reminders file. Throws ReminderFileError when the reminders file
    // cannot be read. A companion file that cannot be read or understood is
    // taken as empty and problem() says why; the next save() replaces it.
    static ReminderIdentities load(const QString& remindersFile);
    // The same, aligned with the file's summaries the caller has just read
    // (nothing is read of the reminders file itself).
    static ReminderIdentities load(const QString& remindersFile, const ResumenesAvisos& now);

    int count() const { return int(m_entries.size()); } // the reminders of the file
    // The reminder's UID; one is made (and kept by the next save) when it has none.
    QString uid(int numero);
    // The reminder that has this UID, 0 when none.
    int numberOf(const QString& uid) const;
    void setUid(int numero, const QString& uid);
    // A named value of the reminder; empty when it has none. Setting an empty
    // value removes it.
    QString value(int numero, const QString& key) const;
    void setValue(int numero, const QString& key, const QString& value);

    // A record was appended to the reminders file after loading: it is number count() + 1.
    void appended(const RegistroAviso& r);
    // Reads the reminders file again and aligns the entries with it.
    void realign();

    // Writes the companion file when it differs from what was read, replacing
    // it in one step. Throws ReminderFileError when it cannot be written.
    void save();

    QString problem() const { return m_problem; }

private:
    struct Entry {
        QString description;
        quint8 repeat = 0;
        quint8 flags = 0; // 1 expires, 2 removed at expiry, 4 by e-mail
        QString uid;
        QMap<QString, QString> values;
        bool sameReminder(const Entry& o) const {
            return description == o.description && repeat == o.repeat && flags == o.flags;
        }
    };
    static ReminderIdentities readCompanion(const QString& remindersFile);
    static Entry entryOf(const ResumenesAvisos& s, int i);
    static QVector<Entry> fingerprints(const ResumenesAvisos& s);
    void alignWith(QVector<Entry> now);
    QByteArray serialized() const;
    Entry* at(int numero);
    const Entry* at(int numero) const;

    QString m_remindersFile;
    QVector<Entry> m_entries; // index numero - 1
    QByteArray m_read;        // the companion file's bytes as read
    QString m_problem;
};
