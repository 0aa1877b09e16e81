#include "qv/logic/PasadaAvisos.h"

#include "store/OccurrenceRules.h"
#include "store/ReminderFile.h"

namespace {

// Wall-clock moments as seconds on a plain calendar count (no time zone, so a
// daylight-saving gap or repeat changes nothing): a reminder's moment to the minute.
qint64 segundos(QDate d, int secsOfDay) { return d.toJulianDay() * 86400 + secsOfDay; }
qint64 momento(const ResumenAviso& r) {
    const QTime t = r.horaProx();
    return segundos(r.fechaProx(), t.hour() * 3600 + t.minute() * 60);
}
qint64 segundos(const QDateTime& t) { return segundos(t.date(), t.time().msecsSinceStartOfDay() / 1000); }

} // namespace

ResultadoPasada PasadaDebidos(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              const QDateTime& desde, int workingDays, const AccionesPasada& acciones) {
    ResultadoPasada res;
    bool eliminar = false;
    const qint64 minutoActual = segundos(ahora) - ahora.time().second();
    const qint64 previa = desde.isValid() ? segundos(desde) : 0;
    ReminderFileCursor cursor(archivo);
    for (int i = 0; i < cursor.count(); ++i) {
        // The quick test reads only the fields it needs from the stored bytes.
        const ResumenAviso q = ResumenAviso::deBytes(cursor.raw(i), /*conDescripcion=*/false);
        if (EsDebido(q, ahora)) {
            RegistroAviso r = cursor.read(i);
            eliminar |= AvanzarAviso(r, ahora, workingDays);
            cursor.write(i, r);
            ++res.mostrados;
            if (acciones.mostrar) acciones.mostrar(i, r);
            if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
            continue;
        }
        // A minute no pass saw: its moment lies after the previous pass and
        // before the current minute (a sleeping machine, a clock jump, a pass
        // held back while the editor was open).
        if (desde.isValid() && q.Activo && !q.Terminado) {
            const qint64 m = momento(q);
            if (m > previa && m < minutoActual && EsPasado(q, ahora)) {
                RegistroAviso r = cursor.read(i);
                const RegistroAviso original = r;
                eliminar |= AvanzarAviso(r, ahora, workingDays);
                cursor.write(i, r);
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
    for (int i = 0; i < cursor.count(); ++i) {
        if (!EsPasado(ResumenAviso::deBytes(cursor.raw(i), false), ahora)) continue;
        RegistroAviso r = cursor.read(i);
        const RegistroAviso original = r;
        ++res.pasados;
        if (acciones.pasado) acciones.pasado(original);
        eliminar |= AvanzarAviso(r, ahora, workingDays);
        cursor.write(i, r);
        if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
    }
    cursor.close();
    if (eliminar) res.compactado = CompactarAvisos(archivo, indice);
    return res;
}
