#pragma once
// Alerts snoozed and not back yet. Each reminders file keeps its own beside it
// ("FILE.snoozed"), rewritten whole at every change, so a snooze outlives a
// restart of the program; the reminder records are not touched. A snooze
// belongs to its reminder by the reminder's identity (ReminderIdentities,
// "FILE.ids"), not by its number: a removal that renumbers the file, or
// another program that rewrites it, leaves it with the same reminder. The
// main window asks which reminders have an alert snoozed.
#include "store/ResumenesAvisos.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class AvisosPospuestos : public QObject {
    Q_OBJECT
public:
    struct Pospuesto {
        QString archivo;    // the reminders file the reminder belongs to
        quint16 numero = 0; // the reminder's 1-based place in it when last known (0: gone)
        QDateTime hasta;    // when the alert comes back
        QString caption, text, sound;
        QString uid; // the reminder's identity; empty when it could not be had
        bool operator==(const Pospuesto&) const = default;
    };

    static AvisosPospuestos& global();
    static QString rutaDe(const QString& remindersFile);

    // Keeps `p` (a new entry when `id` is 0, else replaces that one); returns
    // its id. Without a UID the reminder's identity is found (made when it has
    // none) for its number; where the file's identities cannot be had the
    // entry is kept by number alone.
    quint64 guardar(const Pospuesto& p, quint64 id = 0);
    // The identity entry `id` was kept under; empty when none.
    QString uidDe(quint64 id) const;
    // The alert came back or ended.
    void quitar(quint64 id);
    // Forgets what memory holds for `remindersFile` (the file stays as it is):
    // its entries are about to come back from the file.
    void olvidarArchivo(const QString& remindersFile);
    // The earliest return of an alert of every snoozed reminder of
    // `remindersFile`, by its number now: `ahora` are the file's summaries as
    // the caller read them, with which the identities are aligned.
    QHash<quint16, QDateTime> porNumero(const QString& remindersFile, const ResumenesAvisos& ahora) const;
    // The same, reading the reminders file for it.
    QHash<quint16, QDateTime> porNumero(const QString& remindersFile) const;
    QDateTime hasta(const QString& remindersFile, quint16 numero) const {
        return porNumero(remindersFile).value(numero);
    }

    // What the file beside `remindersFile` holds (a previous run's snoozes).
    // Damaged lines are skipped, never fatal.
    static QList<Pospuesto> leer(const QString& remindersFile);
    // Gives each entry the number its reminder has now in `remindersFile`
    // (0 when it is gone), and an identity to the entries that carry only a
    // number (written before snoozes followed identities), taken by that number.
    static void identificar(const QString& remindersFile, QList<Pospuesto>& entries);
    // The bytes of the file for these entries, and back.
    static QByteArray codificar(const QList<Pospuesto>& entries);
    static QList<Pospuesto> decodificar(const QByteArray& bytes, const QString& remindersFile);

signals:
    void cambiado();

private:
    friend int ReanudarAvisosPospuestos(const QString&, int);
    bool escribir(const QString& remindersFile);
    // porNumero with the summaries given, or (none) read from the file.
    QHash<quint16, QDateTime> numerados(const QString& remindersFile, const ResumenesAvisos* ahora) const;
    QMap<quint64, Pospuesto> m_items;
    quint64 m_siguiente = 1;
};

// Brings back, in the alert style `formato`, the alerts a previous run left
// snoozed for `remindersFile`: each waits for its moment again (one whose
// moment passed comes at once), as the alert of the reminder that has its
// identity now (one whose reminder is gone still comes, with its own texts).
// The file is then written again with what still waits. Returns how many
// there were.
int ReanudarAvisosPospuestos(const QString& remindersFile, int formato);
