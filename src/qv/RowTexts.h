#pragma once
// What the reminders list shows for one record: the five column texts, the
// sort keys in the stored code page, and the row icon.
#include "store/RegistroAviso.h"
#include "qv/ReminderListModel.h"

#include <QLocale>

namespace RowTexts {
QString repeticion(int codigo); // name of the code, or the weekday names of its set
QString estado(const RegistroAviso& r);
QString icono(const RegistroAviso& r);
FilaAviso fila(const RegistroAviso& r, const QLocale& locale = QLocale());
} // namespace RowTexts
