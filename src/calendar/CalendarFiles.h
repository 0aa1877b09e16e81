#pragma once
// A reminders file to and from an iCalendar file: the calendar writer and
// reader with the identities kept beside the reminders file
// (ReminderIdentities), so that every export gives a reminder the same UID and
// importing the same events twice adds nothing twice. Used by qvtool and QV.
#include "calendar/CalendarTypes.h"

#include <QByteArray>
#include <QString>

// The settings as the program has them now: WorkingDays, the all-day time,
// the address book of the profiles file in `dirPrograma`, the current time.
CalendarSettings CurrentCalendarSettings(const QString& dirPrograma);

// Every live reminder of the file as one event. The UIDs made for reminders
// that had none are saved beside the file first. Throws ReminderFileError.
struct CalendarExport {
    QByteArray ics;
    int reminders = 0;
};
CalendarExport ExportReminders(const QString& remindersFile, const CalendarSettings& settings);

// Appends a reminder for every event that the file does not hold yet (by UID)
// and the reminders can hold; `index` is the display-order index the new
// reminders are appended to. Throws ReminderFileError when the reminders file
// or its identities cannot be written (what was added before stays, with its
// identities).
struct CalendarImport {
    int events = 0;       // events in the calendar
    int added = 0;        // reminders appended
    int alreadyThere = 0; // events the file already holds
    QVector<CalendarNote> notes;
    QString identitiesProblem; // the companion file was damaged and has been replaced
};
CalendarImport ImportReminders(const QString& remindersFile, const QString& index, const QByteArray& ics,
                               const CalendarSettings& settings);
