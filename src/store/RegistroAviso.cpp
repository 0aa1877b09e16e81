#include "store/RegistroAviso.h"

#include "core/Binary.h"
#include "core/DateTimeValue.h"

#include <cstring>

namespace O = OffsetsAviso;

RegistroAviso RegistroAviso::nuevo(const QDateTime& ahora) {
    RegistroAviso r;
    r.setFechaProx(ahora.date());
    r.HoraProx = DateTimeValue::fromTime(ahora.time());
    r.setFechaUlt(ahora.date());
    return r;
}

QDate RegistroAviso::fechaProx() const {
    return DateTimeValue::toDate(FechaProx);
}
QTime RegistroAviso::horaProx() const {
    return DateTimeValue::toTime(HoraProx);
}
QDate RegistroAviso::fechaUlt() const {
    return DateTimeValue::toDate(FechaUlt);
}
void RegistroAviso::setFechaProx(QDate d) {
    FechaProx = DateTimeValue::fromDate(d);
}
void RegistroAviso::setHoraProx(QTime t) {
    HoraProx = DateTimeValue::fromTime(t);
}
void RegistroAviso::setFechaUlt(QDate d) {
    FechaUlt = DateTimeValue::fromDate(d);
}

void RegistroAviso::toBytes(char* p) const {
    std::memset(p, 0, kTamano);
    Binary::putU16(p + O::Estado, Estado);
    p[O::Activo] = Activo ? 1 : 0;
    p[O::Terminado] = Terminado ? 1 : 0;
    Binary::putU16(p + O::Numero, Numero);
    Binary::putShortString(p + O::Descripcion, 30, Descripcion);
    p[O::DiaElegido] = static_cast<char>(DiaElegido);
    Binary::putF64(p + O::FechaProx, FechaProx);
    Binary::putF64(p + O::HoraProx, HoraProx);
    p[O::Repetir] = static_cast<char>(Repetir);
    Binary::putShortString(p + O::Texto, 255, Texto);
    Binary::putShortString(p + O::Sonido, 255, Sonido);
    p[O::Caduca] = Caduca ? 1 : 0;
    p[O::BorrarAlCaducar] = BorrarAlCaducar ? 1 : 0;
    Binary::putF64(p + O::FechaUlt, FechaUlt);
    p[O::PorEmail] = PorEmail ? 1 : 0;
    std::memcpy(p + O::Destinatarios, Destinatarios.data(), Destinatarios.size());
}

QByteArray RegistroAviso::toBytes() const {
    QByteArray out(kTamano, '\0');
    toBytes(out.data());
    return out;
}

RegistroAviso RegistroAviso::fromBytes(const char* p) {
    RegistroAviso r;
    r.Estado = Binary::getU16(p + O::Estado);
    r.Activo = p[O::Activo] != 0;
    r.Terminado = p[O::Terminado] != 0;
    r.Numero = Binary::getU16(p + O::Numero);
    r.Descripcion = Binary::getShortString(p + O::Descripcion, 30);
    r.FechaProx = Binary::getF64(p + O::FechaProx);
    r.HoraProx = Binary::getF64(p + O::HoraProx);
    r.Repetir = static_cast<uint8_t>(p[O::Repetir]);
    r.Texto = Binary::getShortString(p + O::Texto, 255);
    r.Sonido = Binary::getShortString(p + O::Sonido, 255);
    r.Caduca = p[O::Caduca] != 0;
    r.BorrarAlCaducar = p[O::BorrarAlCaducar] != 0;
    r.FechaUlt = Binary::getF64(p + O::FechaUlt);
    r.PorEmail = p[O::PorEmail] != 0;
    std::memcpy(r.Destinatarios.data(), p + O::Destinatarios, r.Destinatarios.size());
    // The chosen day is kept only while the date is the last day of a month
    // shorter than it; anything else in that byte (other programs leave junk
    // there) reads as 0, the date's own day.
    const int dia = static_cast<uint8_t>(p[O::DiaElegido]);
    const QDate fecha = r.fechaProx();
    if (dia <= 31 && fecha.isValid() && fecha.day() == fecha.daysInMonth() && dia > fecha.day())
        r.DiaElegido = static_cast<uint8_t>(dia);
    return r;
}

ResumenAviso ResumenAviso::deBytes(const char* p, bool conDescripcion) {
    ResumenAviso r;
    r.Numero = Binary::getU16(p + O::Numero);
    r.Activo = p[O::Activo] != 0;
    r.Terminado = p[O::Terminado] != 0;
    r.Caduca = p[O::Caduca] != 0;
    r.BorrarAlCaducar = p[O::BorrarAlCaducar] != 0;
    r.PorEmail = p[O::PorEmail] != 0;
    r.Repetir = static_cast<uint8_t>(p[O::Repetir]);
    r.FechaProx = Binary::getF64(p + O::FechaProx);
    r.HoraProx = Binary::getF64(p + O::HoraProx);
    if (conDescripcion) r.Descripcion = Binary::getShortString(p + O::Descripcion, 30);
    return r;
}

ResumenAviso ResumenAviso::de(const RegistroAviso& a) {
    ResumenAviso r;
    r.Numero = a.Numero;
    r.Activo = a.Activo;
    r.Terminado = a.Terminado;
    r.Caduca = a.Caduca;
    r.BorrarAlCaducar = a.BorrarAlCaducar;
    r.PorEmail = a.PorEmail;
    r.Repetir = a.Repetir;
    r.FechaProx = a.FechaProx;
    r.HoraProx = a.HoraProx;
    r.Descripcion = a.Descripcion;
    return r;
}

QDate ResumenAviso::fechaProx() const {
    return DateTimeValue::toDate(FechaProx);
}
QTime ResumenAviso::horaProx() const {
    return DateTimeValue::toTime(HoraProx);
}
