// qvtool export|import: a reminders file to and from an iCalendar file, with
// the same calendar code QV uses. What an import cannot hold is named on
// standard error, one line per event, and the rest is imported.
#include "calendar/CalendarFiles.h"
#include "platform/DurableFile.h"
#include "profiles/ArchivoPerfiles.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"
#include "tools/Commands.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kUsage = QStringLiteral("usage: qvtool export FILE.QVM OUT.ics [--profiles QV.PFL]\n"
                                      "       qvtool import FILE.QVM IN.ics [--now \"YYYY-MM-DD HH:MM:SS\"] "
                                      "[--all-day-time HH:MM] [--profiles QV.PFL]");

} // namespace

int calendarCommand(const QStringList& args) {
    QCommandLineParser p;
    const QCommandLineOption now("now", "", "YYYY-MM-DD HH:MM:SS"), allDay("all-day-time", "", "HH:MM"),
        profilesOption("profiles", "", "QV.PFL");
    p.addOptions({now, allDay, profilesOption});
    if (!p.parse(QStringList{QStringLiteral("qvtool")} + args) || p.positionalArguments().size() != 3) {
        printErr(p.errorText().isEmpty() ? kUsage
                                         : QStringLiteral("qvtool: ") + p.errorText() + '\n' + kUsage);
        return 2;
    }
    const QString command = p.positionalArguments()[0], file = p.positionalArguments()[1],
                  ics = p.positionalArguments()[2];
    CalendarSettings settings = CurrentCalendarSettings(ObtenerDirPrograma());
    if (p.isSet(profilesOption)) {
        const QString profiles = p.value(profilesOption);
        if (!QFileInfo::exists(profiles)) {
            printErr(QStringLiteral("qvtool: %1: no such file").arg(profiles));
            return 1;
        }
        const RegistroPerfiles perfiles = LeerPerfilesParaUso(profiles);
        for (int k = 1; k <= 255; ++k)
            settings.addressBook[k - 1] = perfiles.direccion(k);
    }
    if (p.isSet(now) && !parseNow({QStringLiteral("--now"), p.value(now)}, settings.now)) return 2;
    if (p.isSet(allDay)) {
        settings.allDayTime = QTime::fromString(p.value(allDay), QStringLiteral("HH:mm"));
        if (!settings.allDayTime.isValid()) {
            printErr(QStringLiteral("qvtool: bad --all-day-time: %1 (expected HH:MM)").arg(p.value(allDay)));
            return 2;
        }
    }
    try {
        if (command == QLatin1String("export")) {
            if (!QFileInfo::exists(file)) {
                printErr(QStringLiteral("qvtool: %1: no such file").arg(file));
                return 1;
            }
            const CalendarExport out = ExportReminders(file, settings);
            QString error;
            if (!DurableFile::save(ics, out.ics, &error)) {
                printErr(QStringLiteral("qvtool: ") + error);
                return 1;
            }
            printOut(QStringLiteral("%1 reminders exported").arg(out.reminders));
            return 0;
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
