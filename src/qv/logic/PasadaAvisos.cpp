#include "qv/logic/PasadaAvisos.h"

#include "core/Binary.h"
#include "core/DateTimeValue.h"
#include "store/OccurrenceRules.h"

#include <cmath>
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

// What the pass needs of a stored record, straight from its bytes: no text,
// no calendar objects, so testing 65535 records costs little more than reading them.
struct Rapido {
    bool activo, terminado;
    qint64 dia;   // whole days of FechaProx
    int minuto;   // minute of the day of HoraProx
};
Rapido rapido(const char* raw) {
    const double fecha = Binary::getF64(raw + OffsetsAviso::FechaProx);
    const double hora = Binary::getF64(raw + OffsetsAviso::HoraProx);
    Rapido q;
    q.activo = raw[OffsetsAviso::Activo] != 0;
    q.terminado = raw[OffsetsAviso::Terminado] != 0;
    q.dia = std::isfinite(fecha) && std::fabs(fecha) < 3.0e6 ? static_cast<qint64>(std::trunc(fecha)) : 0;
    q.minuto = DateTimeValue::minuteOfDay(hora);
    return q;
}

} // namespace

ResultadoPasada PasadaDebidos(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              const QDateTime& desde, int workingDays, const AccionesPasada& acciones) {
    ResultadoPasada res;
    bool eliminar = false;
    const qint64 minutoActual = segundos(ahora) - ahora.time().second();
    const qint64 previa = desde.isValid() ? segundos(desde) : 0;
    const qint64 hoy = static_cast<qint64>(DateTimeValue::fromDate(ahora.date()));
    const qint64 diaPrevio = desde.isValid() ? static_cast<qint64>(DateTimeValue::fromDate(desde.date())) : hoy;
    const int minutoAhora = ahora.time().hour() * 60 + ahora.time().minute();
    ReminderFileCursor cursor(archivo);
    while (cursor.next()) {
        const int i = cursor.index();
        // A quick look first; only candidates are decoded and tested in full.
        const Rapido r0 = rapido(cursor.raw());
        if (!r0.activo || r0.terminado || r0.dia < diaPrevio || r0.dia > hoy) continue;
        if (!desde.isValid() && (r0.dia != hoy || r0.minuto != minutoAhora)) continue;
        const ResumenAviso q = ResumenAviso::deBytes(cursor.raw(), /*conDescripcion=*/false);
        if (EsDebido(q, ahora)) {
            RegistroAviso r = cursor.read();
            eliminar |= AvanzarAviso(r, ahora, workingDays);
            cursor.write(r);
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
                RegistroAviso r = cursor.read();
                const RegistroAviso original = r;
                eliminar |= AvanzarAviso(r, ahora, workingDays);
                cursor.write(r);
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
    while (cursor.next()) {
        if (!EsPasado(ResumenAviso::deBytes(cursor.raw(), false), ahora)) continue;
        RegistroAviso r = cursor.read();
        const RegistroAviso original = r;
        ++res.pasados;
        if (acciones.pasado) acciones.pasado(original);
        eliminar |= AvanzarAviso(r, ahora, workingDays);
        cursor.write(r);
        if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
    }
    cursor.close();
    if (eliminar) res.compactado = CompactarAvisos(archivo, indice);
    return res;
}
