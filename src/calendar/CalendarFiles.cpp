#include "calendar/CalendarFiles.h"

#include "calendar/CalendarReader.h"
#include "calendar/CalendarWriter.h"
#include "core/Clock.h"
#include "platform/SettingsStore.h"
#include "profiles/ArchivoPerfiles.h"
#include "settings/Ajustes.h"
#include "store/ReminderFile.h"
#include "store/ReminderIdentities.h"

CalendarSettings CurrentCalendarSettings(const QString& dirPrograma) {
    CalendarSettings s;
    if (Ajustes::abrirClave(false)->keyExists()) { // before the program's first start: the defaults
        s.workingDays = Ajustes::workingDays();
        s.allDayTime = Ajustes::allDayTime();
    }
    s.now = Clock::current().now();
    const RegistroPerfiles perfiles = LeerPerfilesParaUso(RutaArchivoPerfiles(dirPrograma));
    for (int k = 1; k <= 255; ++k)
        s.addressBook[k - 1] = perfiles.direccion(k);
    return s;
}

CalendarExport ExportReminders(const QString& remindersFile, const CalendarSettings& settings) {
    const QVector<RegistroAviso> records = LeerTodosLosAvisos(remindersFile);
    ReminderIdentities ids = ReminderIdentities::load(remindersFile);
    QVector<CalendarReminder> reminders;
    for (int i = 0; i < records.size(); ++i)
        if (records[i].Estado != 0) reminders << CalendarReminder{ids.uid(i + 1), records[i]};
    ids.save();
    return {CalendarOf(reminders, settings), int(reminders.size())};
}

CalendarImport ImportReminders(const QString& remindersFile, const QString& index, const QByteArray& ics,
                               const CalendarSettings& settings) {
    const CalendarReading reading = ReadCalendar(ics, settings);
    CalendarImport result;
    result.events = reading.events;
    result.notes = reading.notes;
    ReminderIdentities ids = ReminderIdentities::load(remindersFile);
    result.identitiesProblem = ids.problem();
    try {
        for (const CalendarReminder& entry : reading.reminders) {
            if (ids.numberOf(entry.uid) != 0) {
                ++result.alreadyThere;
                continue;
            }
            const int numero = AnadirAviso(remindersFile, index, entry.aviso);
            if (numero == 0) throw ReminderFileError("The reminders file already holds 65535 reminders");
            ids.appended(entry.aviso);
            ids.setUid(numero, entry.uid);
            ++result.added;
        }
    } catch (const ReminderFileError&) {
        try { // what was appended keeps its identity
            ids.save();
        } catch (const ReminderFileError&) {
        }
        throw;
    }
    ids.save();
    return result;
}
