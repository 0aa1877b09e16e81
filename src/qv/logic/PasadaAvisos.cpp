#include "qv/logic/PasadaAvisos.h"

#include "core/Binary.h"
#include "core/DateTimeValue.h"
#include "store/OccurrenceRules.h"
#include "store/ReminderFile.h"
#include "store/ResumenesGuardados.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

using Fila = ResumenesAvisos::Fila;

bool pendiente(const Fila& f) {
    return f.tiene(Fila::Activo) && !f.tiene(Fila::Terminado);
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
    if (!std::is_sorted(m_momentos.begin(), m_momentos.end()))
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

bool MemoriaPasada::yaMostrado(qint64 momento, QByteArrayView descripcion, const QDateTime& ahora) const {
    if (ahora.toMSecsSinceEpoch() / 60000 != m_minutoMostrados) return false;
    for (const auto& [m, d] : m_mostrados)
        if (m == momento && QByteArrayView(d) == descripcion) return true;
    return false;
}

void MemoriaPasada::mostrado(qint64 momento, QByteArrayView descripcion, const QDateTime& ahora) {
    const qint64 minuto = ahora.toMSecsSinceEpoch() / 60000;
    if (minuto != m_minutoMostrados) {
        m_mostrados.clear();
        m_minutoMostrados = minuto;
    }
    m_mostrados.emplace_back(momento, descripcion.toByteArray());
}

void MemoriaPasada::desdeResumenes(const QString& archivo, const ResumenesAvisos& leidos) {
    empezar(archivo);
    m_momentos.reserve(size_t(leidos.size()));
    for (int i = 0; i < leidos.size(); ++i)
        if (pendiente(leidos[i])) anotar(leidos[i].momento());
    terminar();
    if (!leidos.sinEscrituras || m_identidad != leidos.identidad) olvidar();
}

bool MemoriaPasada::sinCambios(const QString& archivo, const QDateTime& ahora, const QDateTime& desde) const {
    if (!m_identidad || archivo != m_archivo || FileIdentity::of(archivo) != m_identidad) return false;
    const Ventana v = ventana(ahora, desde);
    // A pass takes the current minute and the moments after the previous pass before it.
    const qint64 desdeMomento = std::min(v.previa + 1, v.minutoActual);
    const auto primero = std::lower_bound(m_momentos.begin(), m_momentos.end(), desdeMomento);
    return primero == m_momentos.end() || *primero > v.minutoActual;
}

namespace {
// The summaries a pass gives: the file as the pass left it.
void cerrarLectura(ResumenesAvisos* leidos, const QString& archivo, const std::optional<FileIdentity>& antes,
                   bool escribio, bool compactado) {
    if (!leidos) return;
    if (compactado) {
        *leidos = LeerResumenes(archivo);
        return;
    }
    leidos->identidad = FileIdentity::of(archivo);
    leidos->sinEscrituras = !escribio && antes && antes == leidos->identidad;
}
} // namespace

ResultadoPasada PasadaDebidos(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              const QDateTime& desde, int workingDays, const AccionesPasada& acciones,
                              MemoriaPasada* memoria, ResumenesAvisos* leidos) {
    ResultadoPasada res;
    bool eliminar = false, escribio = false;
    const Ventana v = ventana(ahora, desde);
    if (memoria) memoria->empezar(archivo);
    // The whole pass is one step for other programs: nobody adds or rewrites
    // between the reading, the writes and the compaction.
    const ReminderFileLock bloqueo(archivo);
    const std::optional<FileIdentity> antes = leidos ? FileIdentity::of(archivo) : std::nullopt;
    ReminderFileCursor cursor(archivo);
    if (leidos) {
        *leidos = ResumenesAvisos();
        leidos->reservar(cursor.count());
    }
    while (cursor.next()) {
        // A quick look at the stored bytes; only candidates are decoded.
        Fila q = ResumenesAvisos::filaDe(cursor.raw());
        if (pendiente(q)) {
            const qint64 m = q.momento();
            bool escrito = false;
            if (q.dia == v.hoy && q.minuto == v.minutoAhora) {
                RegistroAviso r = cursor.read();
                const QByteArray descripcion(cursor.raw() + OffsetsAviso::Descripcion, 31);
                if (EsDebido(r, ahora) && !(memoria && memoria->yaMostrado(m, descripcion, ahora))) {
                    if (memoria) memoria->mostrado(m, descripcion, ahora);
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
            if (escrito) {
                escribio = true;
                q = ResumenesAvisos::filaDe(cursor.raw()); // the advanced record
            }
            if (memoria && pendiente(q)) memoria->anotar(q.momento());
        }
        if (leidos) leidos->anadir(cursor.raw(), q);
    }
    cursor.close();
    if (eliminar) res.compactado = CompactarAvisos(archivo, indice);
    if (memoria) {
        if (eliminar)
            memoria->olvidar(); // records moved: read afresh next time
        else
            memoria->terminar();
    }
    cerrarLectura(leidos, archivo, antes, escribio, res.compactado);
    return res;
}

namespace {
// The kept summaries stand for the reading when they describe the file as it
// is and hold no reminder unfinished on a day up to today: then nothing is past
// and the file need not be read.
bool sinPasadosGuardados(const QString& archivo, const FileIdentity& antes, qint64 hoy,
                         ResumenesAvisos& leidos) {
    std::optional<ResumenesAvisos> guardados = LeerResumenesGuardados(archivo, antes);
    if (!guardados) return false;
    for (int i = 0; i < guardados->size(); ++i) {
        const Fila& q = (*guardados)[i];
        if (!q.tiene(Fila::Terminado) && q.dia <= hoy) return false;
    }
    leidos = std::move(*guardados);
    leidos.identidad = FileIdentity::of(archivo);
    leidos.sinEscrituras = leidos.identidad == antes;
    return true;
}
} // namespace

ResultadoPasada PasadaPasados(const QString& archivo, const QString& indice, const QDateTime& ahora,
                              int workingDays, const AccionesPasada& acciones, ResumenesAvisos* leidos) {
    ResultadoPasada res;
    bool eliminar = false, escribio = false;
    const qint64 hoy = static_cast<qint64>(DateTimeValue::fromDate(ahora.date()));
    const ReminderFileLock bloqueo(archivo);
    const std::optional<FileIdentity> antes = leidos ? FileIdentity::of(archivo) : std::nullopt;
    if (antes && sinPasadosGuardados(archivo, *antes, hoy, *leidos)) return res;
    ReminderFileCursor cursor(archivo);
    if (leidos) {
        *leidos = ResumenesAvisos();
        leidos->reservar(cursor.count());
    }
    while (cursor.next()) {
        // Days before today are past; today's moments are compared to the millisecond.
        Fila q = ResumenesAvisos::filaDe(cursor.raw());
        const bool pasado =
            !q.tiene(Fila::Terminado) &&
            (q.dia < hoy || (q.dia == hoy && EsPasado(ResumenAviso::deBytes(cursor.raw(), false), ahora)));
        if (pasado) {
            RegistroAviso r = cursor.read();
            const RegistroAviso original = r;
            ++res.pasados;
            if (acciones.pasado) acciones.pasado(original);
            eliminar |= AvanzarAviso(r, ahora, workingDays);
            cursor.write(r);
            escribio = true;
            if (r.PorEmail && acciones.crearEmail) acciones.crearEmail(r);
            q = ResumenesAvisos::filaDe(cursor.raw()); // the advanced record
        }
        if (leidos) leidos->anadir(cursor.raw(), q);
    }
    cursor.close();
    if (eliminar) res.compactado = CompactarAvisos(archivo, indice);
    cerrarLectura(leidos, archivo, antes, escribio, res.compactado);
    if (leidos) GuardarResumenes(archivo, *leidos);
    return res;
}
