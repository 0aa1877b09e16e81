#pragma once
// iCalendar events (RFC 5545) as reminders, through libical.
//
// Each event whose rule the reminders can hold becomes a reminder at its next
// occurrence from settings.now on: the moment of its alarm (an alarm 15
// minutes before a 10:00 event gives 09:45; no alarm: the start), an all-day
// event at settings.allDayTime (whole days of its alarm's offset move the
// day), the time converted from the event's zone to local time. Hourly,
// daily, weekly, chosen weekdays, monthly on a day (the 29th-31st or the last
// day: the chosen day or the month's last) and yearly rules are held; UNTIL
// and COUNT give the expiry date; STATUS:CANCELLED switches it off; the
// e-mail alarm's attendees found in the address book are its recipients.
//
// Nothing is approximated: an event whose rule the reminders cannot follow
// (every 2 weeks, the 2nd Tuesday, exceptions from now on, several alarms, an
// occurrence pattern that our rules would place on other days) is left out
// with a note that says why; what an imported reminder could not keep (a cut
// description, an address not in the address book) is noted too. Every rule
// mapped is checked against libical's own expansion of the event before it is
// taken.
//
// An event that CalendarWriter wrote comes back as the same record: the
// X-ORBALINDER-* properties restore what iCalendar has no word for, as long
// as the event's dates still agree with them.
#include "calendar/CalendarTypes.h"

#include <QByteArray>

CalendarReading ReadCalendar(const QByteArray& ics, const CalendarSettings& settings);
