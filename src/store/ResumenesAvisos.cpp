#include "store/ResumenesAvisos.h"

#include "core/Binary.h"
#include "core/Cp1252.h"
#include "core/DateTimeValue.h"
#include "store/RegistroAviso.h"

#include <cmath>
#include <cstring>

namespace O = OffsetsAviso;

static_assert(sizeof(ResumenesAvisos::Fila) == 16);

QDate ResumenesAvisos::Fila::fechaProx() const {
    return DateTimeValue::epoch().addDays(dia);
}
QTime ResumenesAvisos::Fila::horaProx() const {
    return QTime(minuto / 60, minuto % 60);
}

void ResumenesAvisos::reservar(int n) {
    m_filas.reserve(size_t(n));
    m_textos.reserve(size_t(n) * 16);
}

ResumenesAvisos::Fila ResumenesAvisos::filaDe(const char* p) {
    Fila f;
    const double fecha = Binary::getF64(p + O::FechaProx);
    // As DateTimeValue::toDate reads it: a value that is no day is the epoch.
    f.dia = std::isfinite(fecha) && std::fabs(fecha) <= 3.0e6 ? int32_t(std::trunc(fecha)) : 0;
    f.minuto = uint16_t(DateTimeValue::minuteOfDay(Binary::getF64(p + O::HoraProx)));
    f.Numero = Binary::getU16(p + O::Numero);
    f.Repetir = uint8_t(p[O::Repetir]);
    f.banderas =
        uint8_t((p[O::Activo] ? Fila::Activo : 0) | (p[O::Terminado] ? Fila::Terminado : 0) |
                (p[O::Caduca] ? Fila::Caduca : 0) | (p[O::BorrarAlCaducar] ? Fila::BorrarAlCaducar : 0) |
                (p[O::PorEmail] ? Fila::PorEmail : 0));
    return f;
}

void ResumenesAvisos::anadir(const char* p) {
    anadir(p, filaDe(p));
}

void ResumenesAvisos::anadir(const char* p, Fila f) {
    const size_t at = m_textos.size();
    const int len =
        std::min<int>(uint8_t(p[O::Descripcion]), 30); // a length byte past the field is cut to it
    m_textos.push_back(char(len));
    m_textos.insert(m_textos.end(), p + O::Descripcion + 1, p + O::Descripcion + 1 + len);
    f.texto = uint32_t(at);
    m_filas.push_back(f);
}

QByteArrayView ResumenesAvisos::descripcionGuardada(int i) const {
    const char* p = m_textos.data() + m_filas[i].texto;
    return QByteArrayView(p + 1, uint8_t(p[0]));
}

QString ResumenesAvisos::descripcion(int i) const {
    const QByteArrayView b = descripcionGuardada(i);
    return Cp1252::decode(b.data(), b.size());
}

bool ResumenesAvisos::mismoAviso(const ResumenesAvisos& a, int i, const ResumenesAvisos& b, int j) {
    constexpr uint8_t kIdentidad = Fila::Caduca | Fila::BorrarAlCaducar | Fila::PorEmail;
    const Fila &x = a.m_filas[i], &y = b.m_filas[j];
    return x.Repetir == y.Repetir && (x.banderas & kIdentidad) == (y.banderas & kIdentidad) &&
           a.descripcionGuardada(i) == b.descripcionGuardada(j);
}
