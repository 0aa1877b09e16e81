#pragma once
// One pass over a reminders file: the due-check cycle's pass and the
// past-reminders pass share it. No widgets: what a pass shows or queues goes
// out through the callbacks.
#include "platform/FileIdentity.h"
#include "store/RegistroAviso.h"
#include "store/ResumenesAvisos.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>
#include <vector>

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

// What the due-check pass keeps between passes so that a pass whose result
// cannot change is skipped: the file's identity after the last pass and the
// moment (seconds on the stored day count) of every reminder that can fall
// due, which is eight bytes per reminder instead of the whole file.
class MemoriaPasada {
public:
    // True when `archivo` is exactly as the last pass left it and none of the
    // kept moments lies in the minutes a pass at `ahora` would look at (this
    // minute, and with a valid `desde` the minutes after it). Then the pass
    // would show, advance and write nothing.
    bool sinCambios(const QString& archivo, const QDateTime& ahora, const QDateTime& desde) const;
    void olvidar();
    // Filled from the summaries of the whole file (read once at opening, so the
    // first pass need not read it again); a reading without the file's identity
    // (it changed meanwhile), or a file changed since, is not trusted.
    void desdeResumenes(const QString& archivo, const ResumenesAvisos& leidos);

    // Reminders shown in the current real minute (their moment and stored
    // description): where the clock goes back, the hourly rule sends a
    // reminder shown in the first 02:30 to the second one, the same wall
    // minute, which the later passes of the first must not show again.
    bool yaMostrado(qint64 momento, QByteArrayView descripcion, const QDateTime& ahora) const;
    void mostrado(qint64 momento, QByteArrayView descripcion, const QDateTime& ahora);

    // Filled by PasadaDebidos.
    void empezar(const QString& archivo);
    void anotar(qint64 momento) { m_momentos.push_back(momento); }
    // Ends the filling with the file's identity, trusted only when its last
    // change is older than margenRecienteMs: a later write could otherwise
    // carry the same times.
    void terminar();
    static inline int margenRecienteMs = 2000;

private:
    QString m_archivo;
    std::optional<FileIdentity> m_identidad;
    std::vector<qint64> m_momentos; // sorted once filled
    qint64 m_minutoMostrados = -1;  // real minutes since the epoch
    std::vector<std::pair<qint64, QByteArray>> m_mostrados;
};

// The due-check pass at `ahora`: every due reminder is advanced, written back,
// shown and mailed, in file order. When `desde` is valid, reminders whose moment
// lies after `desde` and before this minute were missed (no pass saw their
// minute): they are caught up like the start-up pass does, and reported
// through `pasado`. Compacts the file when a reminder was removed.
// Throws ReminderFileError when the file cannot be read or written; what was
// written before stays. With `memoria`, fills it for the next pass (and
// empties it when the pass fails). With `leidos`, gives the summaries of the
// file as the pass left it, from the same reading (read again after a compaction).
ResultadoPasada PasadaDebidos(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              const QDateTime& desde, int workingDays, const AccionesPasada& acciones,
                              MemoriaPasada* memoria = nullptr, ResumenesAvisos* leidos = nullptr);

// The start-up pass: every past reminder (switched off ones too) is reported,
// advanced, written back and mailed; compacts when needed. With `leidos`, as above.
ResultadoPasada PasadaPasados(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              int workingDays, const AccionesPasada& acciones,
                              ResumenesAvisos* leidos = nullptr);
