#pragma once
// What the reminders list shows for one record: the five column texts and the
// row icon's resource name.
#include "store/RegistroAviso.h"

#include <QLocale>

namespace RowTexts {
QString repeticion(int codigo); // name of the code, or the weekday names of its set
QString estado(const ResumenAviso& r);
QString icono(const ResumenAviso& r);
QString texto(const ResumenAviso& r, int column, const QLocale& locale = QLocale());
} // namespace RowTexts
