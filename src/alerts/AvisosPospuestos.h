#pragma once
// Alerts snoozed and not back yet. Each reminders file keeps its own beside it
// ("FILE.snoozed"), rewritten whole at every change, so a snooze outlives a
// restart of the program; the reminder records are not touched. The main
// window asks when a reminder's alert comes back.
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
        quint16 numero = 0; // the reminder's 1-based place in it
        QDateTime hasta;    // when the alert comes back
        QString caption, text, sound;
        bool operator==(const Pospuesto&) const = default;
    };

    static AvisosPospuestos& global();
    static QString rutaDe(const QString& remindersFile);

    // Keeps `p` (a new entry when `id` is 0, else replaces that one); returns its id.
    quint64 guardar(const Pospuesto& p, quint64 id = 0);
    // The alert came back or ended.
    void quitar(quint64 id);
    // Forgets what memory holds for `remindersFile` (the file stays as it is):
    // its entries are about to come back from the file.
    void olvidarArchivo(const QString& remindersFile);
    // The earliest return of an alert of reminder `numero` of `remindersFile`; invalid when none.
    QDateTime hasta(const QString& remindersFile, quint16 numero) const;
    // The same for every snoozed reminder of `remindersFile`, by number.
    QHash<quint16, QDateTime> porNumero(const QString& remindersFile) const;

    // What the file beside `remindersFile` holds (a previous run's snoozes).
    // Damaged lines are skipped, never fatal.
    static QList<Pospuesto> leer(const QString& remindersFile);
    // The bytes of the file for these entries, and back.
    static QByteArray codificar(const QList<Pospuesto>& entries);
    static QList<Pospuesto> decodificar(const QByteArray& bytes, const QString& remindersFile);

signals:
    void cambiado();

private:
    bool escribir(const QString& remindersFile);
    QMap<quint64, Pospuesto> m_items;
    quint64 m_siguiente = 1;
};

// Brings back, in the alert style `formato`, the alerts a previous run left
// snoozed for `remindersFile`: each waits for its moment again (one whose
// moment passed comes at once). Returns how many there were.
int ReanudarAvisosPospuestos(const QString& remindersFile, int formato);
