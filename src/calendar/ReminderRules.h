#pragma once
// A reminder's repetition in iCalendar's words (RRULE), and the moments it
// falls due by the program's own rules, which both the writer (to find the
// last occurrence before its expiry) and the reader (to check that a rule it
// maps gives the same dates) go by.
//
// Moments are wall-clock values: a QDateTime in Qt::UTC stands for the local
// date and time as the reminder stores them, so a time that a daylight-saving
// change skips stays as it is.
#include "store/RegistroAviso.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <optional>

// The rule of an unfinished repeating reminder, without UNTIL
// ("FREQ=MONTHLY;BYMONTHDAY=-1"); empty for a once-only or finished one.
QString RepetitionRule(const RegistroAviso& r, int workingDays);

// The weekday mask (Monday 1 ... Sunday 64) of the working days of `workingDays`.
int WorkingDaysMask(int workingDays);
// The repetition code of a set of weekdays: daily for all seven, working days
// for the working week, otherwise 127 + mask.
int CodeOfWeekdays(int mask, int workingDays);
// iCalendar's weekday list of a mask: "MO,WE,FR".
QString WeekdayList(int mask);

// The wall-clock moment of a reminder's next occurrence.
QDateTime WallMoment(const RegistroAviso& r);
QDateTime WallMoment(QDate d, QTime t);

// The moments the reminder falls due from its next occurrence on, shown each
// time at its minute: at most `limit`, fewer when it finishes first.
QVector<QDateTime> ReminderMoments(RegistroAviso r, int workingDays, int limit);

// The moment after which the reminder is finished by its expiry; none when
// it does not expire or its rule never reaches its expiry day.
std::optional<QDateTime> LastMoment(const RegistroAviso& r, int workingDays);
