#pragma once
// File -> Export calendar... and Import calendar...: the open reminders file
// to and from an iCalendar file (src/calendar), told in the catalogue's
// language; the import ends with a summary that names every event that could
// not be carried over, with its reason.
#include "calendar/CalendarTypes.h"

#include <QString>

class QWidget;

namespace CalendarCommands {

// Asks where to write (unless `icsPath` is given) and exports every reminder.
void exportar(QWidget* parent, const QString& archivoAvisos, QString icsPath = {});
// Asks for the calendar (unless `icsPath` is given), imports it into the
// reminders file and shows the summary. True when reminders were added.
bool importar(QWidget* parent, const QString& archivoAvisos, const QString& indice, QString icsPath = {});

// A file given to the program that is a calendar rather than a reminders file.
bool esCalendario(const QString& path);
// The catalogue's sentence for what an import could not carry over.
QString textoNota(const CalendarNote& note);

} // namespace CalendarCommands
