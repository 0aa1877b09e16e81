#pragma once
// One pass over a reminders file: the due-check cycle's pass and the
// past-reminders pass share it. No widgets: what a pass shows or queues goes
// out through the callbacks.
#include "store/RegistroAviso.h"

#include <QDateTime>
#include <QString>

#include <functional>

struct AccionesPasada {
    // A reminder due now, already advanced and written back; `indice` is its
    // 0-based position in the file.
    std::function<void(int indice, const RegistroAviso& avanzado)> mostrar;
    // A reminder missed since `desde` (or, at start, ever), already advanced and
    // written back; `original` is the record before advancing.
    std::function<void(const RegistroAviso& original)> pasado;
    // Queue the outgoing mail of a reminder with recipients (the advanced record).
    std::function<void(const RegistroAviso& avanzado)> crearEmail;
};

struct ResultadoPasada {
    int mostrados = 0;
    int pasados = 0;
    bool compactado = false;
};

// The due-check pass at `ahora`: every due reminder is advanced, written back,
// shown and mailed, in file order. When `desde` is valid, reminders whose moment
// lies after `desde` and before this minute were missed (no pass saw their
// minute): they are caught up like the start-up pass does, and reported
// through `pasado`. Compacts the file when a reminder was removed.
// Throws ReminderFileError when the file cannot be read or written; what was
// written before stays.
ResultadoPasada PasadaDebidos(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              const QDateTime& desde, int workingDays, const AccionesPasada& acciones);

// The start-up pass: every past reminder (switched off ones too) is reported,
// advanced, written back and mailed; compacts when needed.
ResultadoPasada PasadaPasados(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              int workingDays, const AccionesPasada& acciones);
