#include "qv/logic/PasadaAvisos.h"

#include "core/Binary.h"
#include "core/DateTimeValue.h"
#include "store/OccurrenceRules.h"
#include "store/ReminderFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

// What the pass needs of a stored record, straight from its bytes: no text,
// no calendar objects, so testing 65535 records costs little more than reading them.
struct Rapido {
    bool activo, terminado;
    qint64 dia; // whole days of FechaProx
    int minuto; // minute of the day of HoraProx
};
Rapido rapido(bool activo, bool terminado, double fecha, double hora) {
    Rapido q;
    q.activo = activo;
    q.terminado = terminado;
    q.dia = std::isfinite(fecha) && std::fabs(fecha) < 3.0e6 ? static_cast<qint64>(std::trunc(fecha)) : 0;
    q.minuto = DateTimeValue::minuteOfDay(hora);
    return q;
}
Rapido rapido(const char* raw) {
    return rapido(raw[OffsetsAviso::Activo] != 0, raw[OffsetsAviso::Terminado] != 0,
                  Binary::getF64(raw + OffsetsAviso::FechaProx), Binary::getF64(raw + OffsetsAviso::HoraProx));
}

qint64 momento(const Rapido& q) {
    return q.dia * 86400 + q.minuto * 60;
}

// The minutes a due-check pass looks at, as moments on the stored day count:
// the current minute, and the minutes after the previous pass before it.
struct Ventana {
    qint64 hoy;
    int minutoAhora;
    qint64 minutoActual; // moment of the current minute's start
    qint64 previa;       // moment of the previous pass (the current minute without one)
};
Ventana ventana(const QDateTime& ahora, const QDateTime& desde) {
    auto segundosDe = [](const QDateTime& t) {
        return static_cast<qint64>(DateTimeValue::fromDate(t.date())) * 86400 +
               t.time().msecsSinceStartOfDay() / 1000;
    };
    Ventana v;
    v.hoy = static_cast<qint64>(DateTimeValue::fromDate(ahora.date()));
    v.minutoAhora = ahora.time().hour() * 60 + ahora.time().minute();
    v.minutoActual = v.hoy * 86400 + v.minutoAhora * 60;
    v.previa = desde.isValid() ? segundosDe(desde) : v.minutoActual;
    return v;
}

} // namespace

void MemoriaPasada::olvidar() {
    m_archivo.clear();
    m_identidad.reset();
    m_momentos.clear();
}

void MemoriaPasada::empezar(const QString& archivo) {
    olvidar();
    m_archivo = archivo;
}

void MemoriaPasada::terminar() {
    std::sort(m_momentos.begin(), m_momentos.end());
    m_identidad = FileIdentity::of(m_archivo);
    // A write in the same clock tick as the last change may leave every time
    // as it was: a file changed so recently is read again at the next pass.
    const qint64 relojNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
    if (m_identidad && relojNs - m_identidad->changedNs < qint64(margenRecienteMs) * 1000000)
        m_identidad.reset();
}

void MemoriaPasada::desdeResumenes(const QString& archivo, const QVector<ResumenAviso>& filas,
                                   const std::optional<FileIdentity>& antesDeLeer) {
    empezar(archivo);
    for (const ResumenAviso& r : filas) {
        const Rapido q = rapido(r.Activo, r.Terminado, r.FechaProx, r.HoraProx);
        if (q.activo && !q.terminado) anotar(momento(q));
    }
    terminar();
    if (!antesDeLeer || m_identidad != antesDeLeer) olvidar();
}

bool MemoriaPasada::sinCambios(const QString& archivo, const QDateTime& ahora, const QDateTime& desde) const {
    if (!m_identidad || archivo != m_archivo || FileIdentity::of(archivo) != m_identidad) return false;
    const Ventana v = ventana(ahora, desde);
    // A pass takes the current minute and the moments after the previous pass before it.
    const qint64 desdeMomento = std::min(v.previa + 1, v.minutoActual);
    const auto primero = std::lower_bound(m_momentos.begin(), m_momentos.end(), desdeMomento);
    return primero == m_momentos.end() || *primero > v.minutoActual;
}

ResultadoPasada PasadaDebidos(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              const QDateTime& desde, int workingDays, const AccionesPasada& acciones,
                              MemoriaPasada* memoria) {
    ResultadoPasada res;
    bool eliminar = false;
    const Ventana v = ventana(ahora, desde);
    if (memoria) memoria->empezar(archivo);
    ReminderFileCursor cursor(archivo);
    while (cursor.next()) {
        // A quick look at the stored bytes; only candidates are decoded.
        Rapido q = rapido(cursor.raw());
        if (!q.activo || q.terminado) continue;
        const qint64 m = momento(q);
        bool escrito = false;
        if (q.dia == v.hoy && q.minuto == v.minutoAhora) {
            RegistroAviso r = cursor.read();
            if (EsDebido(r, ahora)) {
                eliminar |= AvanzarAviso(r, ahora, workingDays);
                cursor.write(r);
                escrito = true;
                ++res.mostrados;
                if (acciones.mostrar) acciones.mostrar(cursor.index(), r);
                if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
            }
        } else if (m > v.previa && m < v.minutoActual) {
            // A minute no pass saw: its moment lies after the previous pass and
            // before the current minute (a sleeping machine, a clock jump, a
            // pass held back while the editor was open).
            RegistroAviso r = cursor.read();
            if (EsPasado(r, ahora)) {
                const RegistroAviso original = r;
                eliminar |= AvanzarAviso(r, ahora, workingDays);
                cursor.write(r);
                escrito = true;
                ++res.pasados;
                if (acciones.pasado) acciones.pasado(original);
                if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
            }
        }
        if (!memoria) continue;
        if (escrito) q = rapido(cursor.raw()); // the advanced record
        if (q.activo && !q.terminado) memoria->anotar(momento(q));
    }
    cursor.close();
    if (eliminar) res.compactado = CompactarAvisos(archivo, indice);
    if (memoria) {
        if (eliminar)
            memoria->olvidar(); // records moved: read afresh next time
        else
            memoria->terminar();
    }
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
