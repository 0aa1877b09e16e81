#include "qv/logic/PasadaAvisos.h"

#include "core/DateTimeValue.h"
#include "store/ReminderFile.h"
#include "store/OccurrenceRules.h"

namespace {

// The moment of a reminder's next occurrence, to the minute, in local wall time.
QDateTime momento(const RegistroAviso& r) {
    const QTime t = r.horaProx();
    return QDateTime(r.fechaProx(), QTime(t.hour(), t.minute()));
}

QDateTime inicioDelMinuto(const QDateTime& t) {
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute()));
}

} // namespace

ResultadoPasada PasadaDebidos(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              const QDateTime& desde, int workingDays, const AccionesPasada& acciones) {
    ResultadoPasada res;
    bool eliminar = false;
    const QDateTime minutoActual = inicioDelMinuto(ahora);
    ReminderFileCursor cursor(archivo);
    RegistroAviso r;
    while (cursor.next(r)) {
        const int posicion = cursor.position(); // 1-based
        if (EsDebido(r, ahora)) {
            eliminar |= AvanzarAviso(r, ahora, workingDays);
            cursor.writeBack(r);
            ++res.mostrados;
            if (acciones.mostrar) acciones.mostrar(posicion - 1, r);
            if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
            continue;
        }
        // A minute no pass saw: its moment lies after the previous pass and
        // before the current minute (a sleeping machine, a clock jump, a pass
        // held back while the editor was open).
        if (desde.isValid() && r.Activo && !r.Terminado) {
            const QDateTime m = momento(r);
            if (m > desde && m < minutoActual && EsPasado(r, ahora)) {
                const RegistroAviso original = r;
                eliminar |= AvanzarAviso(r, ahora, workingDays);
                cursor.writeBack(r);
                ++res.pasados;
                if (acciones.pasado) acciones.pasado(original);
                if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
            }
        }
    }
    cursor.close();
    if (eliminar) res.compactado = CompactarAvisos(archivo, indice);
    return res;
}

ResultadoPasada PasadaPasados(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              int workingDays, const AccionesPasada& acciones) {
    ResultadoPasada res;
    bool eliminar = false;
    ReminderFileCursor cursor(archivo);
    RegistroAviso r;
    while (cursor.next(r)) {
        if (!EsPasado(r, ahora)) continue;
        const RegistroAviso original = r;
        ++res.pasados;
        if (acciones.pasado) acciones.pasado(original);
        eliminar |= AvanzarAviso(r, ahora, workingDays);
        cursor.writeBack(r);
        if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
    }
    cursor.close();
    if (eliminar) res.compactado = CompactarAvisos(archivo, indice);
    return res;
}
