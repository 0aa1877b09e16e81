#pragma once
// Date-times as stored by the files: an IEEE double counting days since
// 30 December 1899, the fraction being the time of day, in local wall time.
// Conversions go through calendar dates and times of day, never through
// seconds since the epoch, so daylight-saving changes cannot shift a value.
#include <QDate>
#include <QDateTime>
#include <QTime>

namespace DateTimeValue {

QDate epoch(); // 1899-12-30

double fromDate(QDate date); // whole days
double fromTime(QTime time); // fraction of a day
double fromDateTime(QDate date, QTime time);
QDate toDate(double value); // whole-day part (trunc toward the epoch)
QTime toTime(double value); // fraction, rounded to the millisecond
// Whole minutes of the day held in the fraction (rounded to the nearest millisecond first).
int minuteOfDay(double value);
// What toDate and toTime read of a value, without building a QDate or QTime
// (a listing of 65535 reminders reads three per reminder): the days after
// the epoch, and the milliseconds of the day (0..86399999).
qint64 dayNumber(double value);
int msecsOfDay(double value);

} // namespace DateTimeValue
