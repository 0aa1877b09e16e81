#pragma once
// Date and time texts shown by the reminder program, with the user's locale
// for weekday and month names and the time separator.
//   "dddd dd-mmmm-yyyy"  full weekday, day, full month, year (status bar at start)
//   "ddd dd-mmmm-yyyy"   short weekday, day, full month, year (status bar after a pass)
//   "dd-mmm-yyyy"        day, short month, year (list)
//   "hh:mm am/pm"        12-hour clock, 12 for noon and midnight
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

namespace DisplayFormats {
QString fullDate(QDate d, const QLocale& l = QLocale());      // dddd dd-mmmm-yyyy
QString shortDayDate(QDate d, const QLocale& l = QLocale());  // ddd dd-mmmm-yyyy
QString listDate(QDate d, const QLocale& l = QLocale());      // dd-mmm-yyyy
QString amPmTime(QTime t, const QLocale& l = QLocale());      // hh:mm am/pm
QString timeSeparator(const QLocale& l = QLocale());
QString dateSeparator(const QLocale& l = QLocale());
// "dd/mmm/yyyy hh:mm am/pm" with the locale's date and time separators (log entries).
QString logStamp(const QDateTime& t, const QLocale& l = QLocale());
// The system's short date and long time formats (logs, mail files).
QString shortDate(QDate d, const QLocale& l = QLocale());
QString longTime(QTime t, const QLocale& l = QLocale());
} // namespace DisplayFormats
