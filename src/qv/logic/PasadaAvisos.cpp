#include "qv/logic/PasadaAvisos.h"

#include "core/Binary.h"
#include "core/DateTimeValue.h"
#include "store/OccurrenceRules.h"
#include "store/ReminderFile.h"

#include <cmath>

namespace {

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
    // Moments as seconds on the stored day count (wall time, no time zone).
    auto segundosDe = [](const QDateTime& t) {
        return static_cast<qint64>(DateTimeValue::fromDate(t.date())) * 86400 + t.time().msecsSinceStartOfDay() / 1000;
    };
    const qint64 hoy = static_cast<qint64>(DateTimeValue::fromDate(ahora.date()));
    const int minutoAhora = ahora.time().hour() * 60 + ahora.time().minute();
    const qint64 minutoActual = hoy * 86400 + minutoAhora * 60;
    const qint64 previa = desde.isValid() ? segundosDe(desde) : minutoActual;
    ReminderFileCursor cursor(archivo);
    while (cursor.next()) {
        // A quick look at the stored bytes; only candidates are decoded.
        const Rapido q = rapido(cursor.raw());
        if (!q.activo || q.terminado) continue;
        if (q.dia == hoy && q.minuto == minutoAhora) {
            RegistroAviso r = cursor.read();
            if (!EsDebido(r, ahora)) continue;
            eliminar |= AvanzarAviso(r, ahora, workingDays);
            cursor.write(r);
            ++res.mostrados;
            if (acciones.mostrar) acciones.mostrar(cursor.index(), r);
            if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
            continue;
        }
        // A minute no pass saw: its moment lies after the previous pass and
        // before the current minute (a sleeping machine, a clock jump, a pass
        // held back while the editor was open).
        const qint64 m = q.dia * 86400 + q.minuto * 60;
        if (m > previa && m < minutoActual) {
            RegistroAviso r = cursor.read();
            if (!EsPasado(r, ahora)) continue;
            const RegistroAviso original = r;
            eliminar |= AvanzarAviso(r, ahora, workingDays);
            cursor.write(r);
            ++res.pasados;
            if (acciones.pasado) acciones.pasado(original);
            if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
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
