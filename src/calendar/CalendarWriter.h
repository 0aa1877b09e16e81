#pragma once
// Reminders as iCalendar events (RFC 5545), through libical.
//
// One VEVENT per reminder: its UID; SUMMARY the description, DESCRIPTION the
// text; DTSTART its next occurrence in local time with the system's TZID and
// that zone's VTIMEZONE; a DISPLAY alarm at the start; the repetition as an
// RRULE (ReminderRules), its expiry as UNTIL (the last occurrence the
// program's rules give); the recipients as ATTENDEEs with an EMAIL alarm; a
// switched-off reminder with STATUS:CANCELLED. What iCalendar has no word for
// travels in X-ORBALINDER-* properties, so that CalendarReader gives back the
// same record: the repetition code, the chosen day, the sound file, removal at
// expiry, the expiry date, the finished flag, the recipients' entry numbers.
#include "calendar/CalendarTypes.h"

#include <QByteArray>

// A VCALENDAR holding one event per reminder.
QByteArray CalendarOf(const QVector<CalendarReminder>& reminders, const CalendarSettings& settings);
