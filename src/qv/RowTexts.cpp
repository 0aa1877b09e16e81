#include "qv/RowTexts.h"

#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"

namespace RowTexts {

QString repeticion(int codigo) {
    const NameLists& names = NameLists::global();
    if (codigo < 128) return names.repeticiones.value(codigo);
    QString out;
    const int mask = codigo - 127;
    for (int i = 0; i < 7; ++i)
        if (mask & (1 << i)) out += names.diasSemana.value(i) + QLatin1Char(' ');
    return out;
}

using Fila = ResumenesAvisos::Fila;

QString estado(const Fila& r) {
    const QString& letras = NameLists::global().letrasEstado;
    QString s(3, QLatin1Char(' '));
    if (r.tiene(Fila::Caduca)) s[0] = letras[0];
    if (r.tiene(Fila::BorrarAlCaducar)) s[1] = letras[1];
    if (r.tiene(Fila::PorEmail)) s[2] = letras[2];
    return s;
}

QString icono(const Fila& r) {
    const bool correo = r.tiene(Fila::PorEmail);
    if (r.tiene(Fila::Terminado)) return QStringLiteral("ICN_EXEC");
    if (r.tiene(Fila::Activo)) return correo ? QStringLiteral("ICN_GOMAIL") : QStringLiteral("ICN_ACTIVADO");
    return correo ? QStringLiteral("ICN_STOPMAIL") : QStringLiteral("ICN_DESACTIVADO");
}

QString texto(const ResumenesAvisos& leidos, int i, int column, const QLocale& locale) {
    const Fila& r = leidos[i];
    switch (column) {
    case 0:
        return QString::number(r.Numero);
    case 1:
        return leidos.descripcion(i);
    case 2:
        return DisplayFormats::listDate(r.fechaProx(), locale) + QStringLiteral("   ") +
               DisplayFormats::listTime(r.horaProx(), locale);
    case 3:
        return repeticion(r.Repetir);
    case 4:
        return estado(r);
    }
    return {};
}

} // namespace RowTexts
