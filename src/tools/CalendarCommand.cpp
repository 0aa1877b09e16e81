// qvtool export|import: a reminders file to and from an iCalendar file, with
// the same calendar code QV uses. What an import cannot hold is named on
// standard error, one line per event, and the rest is imported.
#include "calendar/CalendarFiles.h"
#include "profiles/ArchivoPerfiles.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"
#include "tools/Commands.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString option(const QStringList& args, const QString& name) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

int usage() {
    printErr(QStringLiteral("usage: qvtool export FILE.QVM OUT.ics [--profiles QV.PFL]\n"
                            "       qvtool import FILE.QVM IN.ics [--now \"YYYY-MM-DD HH:MM:SS\"] "
                            "[--all-day-time HH:MM] [--profiles QV.PFL]"));
    return 2;
}

} // namespace

int calendarCommand(const QStringList& args) {
    const QString command = args.value(0), file = args.value(1), ics = args.value(2);
    if (file.isEmpty() || ics.isEmpty() || ics.startsWith(QLatin1String("--"))) return usage();
    QString profiles = option(args, QStringLiteral("--profiles"));
    CalendarSettings settings = CurrentCalendarSettings(ObtenerDirPrograma());
    if (!profiles.isEmpty()) {
        if (!QFileInfo::exists(profiles)) {
            printErr(QStringLiteral("qvtool: %1: no such file").arg(profiles));
            return 1;
        }
        const RegistroPerfiles perfiles = LeerPerfilesParaUso(profiles);
        for (int k = 1; k <= 255; ++k)
            settings.addressBook[k - 1] = perfiles.direccion(k);
    }
    try {
        if (command == QLatin1String("export")) {
            if (!QFileInfo::exists(file)) {
                printErr(QStringLiteral("qvtool: %1: no such file").arg(file));
                return 1;
            }
            const CalendarExport out = ExportReminders(file, settings);
            QFile f(ics);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(out.ics) != out.ics.size() ||
                !f.flush()) {
                printErr(QStringLiteral("qvtool: cannot write %1: %2").arg(ics, f.errorString()));
                return 1;
            }
            printOut(QStringLiteral("%1 reminders exported").arg(out.reminders));
            return 0;
        }
        if (args.contains(QStringLiteral("--now")) && !parseNow(args, settings.now)) return 2;
        if (args.contains(QStringLiteral("--all-day-time"))) {
            settings.allDayTime =
                QTime::fromString(option(args, QStringLiteral("--all-day-time")), QStringLiteral("HH:mm"));
            if (!settings.allDayTime.isValid()) return usage();
        }
        QFile in(ics);
        if (!in.open(QIODevice::ReadOnly)) {
            printErr(QStringLiteral("qvtool: cannot read %1: %2").arg(ics, in.errorString()));
            return 1;
        }
        const QByteArray bytes = in.readAll();
        if (!QFileInfo::exists(file)) CrearArchivoAvisos(file);
        const QString index = prepareTemp();
        CrearIndice(index, ContarAvisos(file));
        const CalendarImport result = ImportReminders(file, index, bytes, settings);
        if (!result.identitiesProblem.isEmpty())
            printErr(
                QStringLiteral("qvtool: warning: %1; it was written anew").arg(result.identitiesProblem));
        int refused = 0;
        for (const CalendarNote& note : result.notes) {
            printErr(QStringLiteral("qvtool: %1: %2").arg(ics, englishText(note)));
            if (note.refused()) ++refused;
        }
        printOut(QStringLiteral("%1 events: %2 imported, %3 already in the file, %4 not imported")
                     .arg(result.events)
                     .arg(result.added)
                     .arg(result.alreadyThere)
                     .arg(refused));
        const bool notCalendar =
            !result.notes.isEmpty() && result.notes.first().kind == CalendarNote::Kind::NotICalendar;
        return notCalendar ? 1 : 0;
    } catch (const ReminderFileError& e) {
        printErr(QStringLiteral("qvtool: ") + QString::fromUtf8(e.what()));
        return 1;
    }
}
