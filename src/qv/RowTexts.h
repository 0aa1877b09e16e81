#pragma once
// What the reminders list shows for one reminder: the five column texts and
// the row icon's resource name.
#include "store/ResumenesAvisos.h"

#include <QLocale>

namespace RowTexts {
QString repeticion(int codigo); // name of the code, or the weekday names of its set
QString estado(const ResumenesAvisos::Fila& r);
QString icono(const ResumenesAvisos::Fila& r);
// Column `column` of reminder `i` (0-based place in the file) of `leidos`.
QString texto(const ResumenesAvisos& leidos, int i, int column, const QLocale& locale = QLocale());
} // namespace RowTexts
