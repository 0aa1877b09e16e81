#include "qv/RowTexts.h"

#include "core/Cp1252.h"
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

QString estado(const RegistroAviso& r) {
    QString s(3, QLatin1Char(' '));
    if (r.Caduca) s[0] = QLatin1Char('X');
    if (r.BorrarAlCaducar) s[1] = QLatin1Char('D');
    if (r.PorEmail) s[2] = QLatin1Char('E');
    return s;
}

QString icono(const RegistroAviso& r) {
    if (r.Terminado) return QStringLiteral("ICN_EXEC");
    if (r.Activo) return r.PorEmail ? QStringLiteral("ICN_GOMAIL") : QStringLiteral("ICN_ACTIVADO");
    return r.PorEmail ? QStringLiteral("ICN_STOPMAIL") : QStringLiteral("ICN_DESACTIVADO");
}

FilaAviso fila(const RegistroAviso& r, const QLocale& locale) {
    FilaAviso f;
    f.numero = r.Numero;
    f.texto[0] = QString::number(r.Numero);
    f.texto[1] = r.Descripcion;
    f.texto[2] = DisplayFormats::listDate(r.fechaProx(), locale) + QStringLiteral("   ") +
                 DisplayFormats::amPmTime(r.horaProx(), locale);
    f.texto[3] = repeticion(r.Repetir);
    f.texto[4] = estado(r);
    for (int c = 0; c < 5; ++c) f.clave[c] = Cp1252::encode(f.texto[c]);
    f.icono = icono(r);
    return f;
}

} // namespace RowTexts
