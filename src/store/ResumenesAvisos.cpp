#include "store/ResumenesAvisos.h"

#include "core/Binary.h"
#include "core/Cp1252.h"
#include "core/DateTimeValue.h"
#include "store/RegistroAviso.h"

#include <cmath>
#include <cstdlib>
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

// Per row, little-endian: day (4), description's place (4), Numero (2),
// minute (2), Repetir (1), flags (1); then the description store.
QByteArray ResumenesAvisos::guardados() const {
    constexpr int kFila = 14;
    QByteArray out(qsizetype(8 + m_filas.size() * kFila + m_textos.size()), Qt::Uninitialized);
    char* p = out.data();
    Binary::putI32(p, int32_t(m_filas.size()));
    Binary::putI32(p + 4, int32_t(m_textos.size()));
    p += 8;
    for (const Fila& f : m_filas) {
        Binary::putI32(p, int32_t(f.dia));
        Binary::putI32(p + 4, int32_t(f.texto));
        Binary::putU16(p + 8, f.Numero);
        Binary::putU16(p + 10, f.minuto);
        p[12] = char(f.Repetir);
        p[13] = char(f.banderas);
        p += kFila;
    }
    if (!m_textos.empty()) std::memcpy(p, m_textos.data(), m_textos.size());
    return out;
}

std::optional<ResumenesAvisos> ResumenesAvisos::deGuardados(QByteArrayView bytes) {
    constexpr int kFila = 14;
    if (bytes.size() < 8) return std::nullopt;
    const char* p = bytes.data();
    const uint64_t filas = uint32_t(Binary::getI32(p)), textos = uint32_t(Binary::getI32(p + 4));
    if (filas > uint64_t(RegistroAviso::kMaxAvisos) || uint64_t(bytes.size()) != 8 + filas * kFila + textos)
        return std::nullopt;
    ResumenesAvisos out;
    const char* t = p + 8 + filas * kFila;
    out.m_textos.assign(t, t + textos);
    out.m_filas.resize(size_t(filas));
    p += 8;
    uint64_t siguiente = 0; // descriptions follow each other in file order
    for (Fila& f : out.m_filas) {
        f.dia = Binary::getI32(p);
        f.texto = uint32_t(Binary::getI32(p + 4));
        f.Numero = Binary::getU16(p + 8);
        f.minuto = Binary::getU16(p + 10);
        f.Repetir = uint8_t(p[12]);
        f.banderas = uint8_t(p[13]);
        p += kFila;
        if (f.texto != siguiente || siguiente >= textos || f.minuto >= 1440 || std::abs(f.dia) > 3000000 ||
            (f.banderas & ~0x1f) != 0)
            return std::nullopt;
        const uint8_t len = uint8_t(t[siguiente]);
        siguiente += 1 + len;
        if (len > 30 || siguiente > textos) return std::nullopt;
    }
    if (siguiente != textos) return std::nullopt;
    return out;
}
