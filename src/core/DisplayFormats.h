#pragma once
// Date and time texts shown by the reminder program, with the user's locale
// for weekday and month names and the time separator. Every window shows one
// family: the list's date and time, the status bar with the short weekday
// before it. Stored logs keep their own formats (logStamp, shortDate, longTime).
//   "dd-mmm-yyyy"        day, short month, year (list, editor, missed reminders)
//   "ddd dd-mmm-yyyy"    short weekday, then the same (status bar)
//   listTime             the catalogue's time pattern (text 20809, Qt's time
//                        pattern letters): "hh:mm ap" (12-hour clock, 12 for
//                        noon and midnight) when the catalogue has none
//   "hh:mm am/pm"        the logs' 12-hour clock
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

namespace DisplayFormats {
QString listDate(QDate d, const QLocale& l = QLocale());    // dd-mmm-yyyy
QString weekdayDate(QDate d, const QLocale& l = QLocale()); // ddd dd-mmm-yyyy
QString listTime(QTime t, const QLocale& l = QLocale());    // text 20809
QString amPmTime(QTime t, const QLocale& l = QLocale());    // hh:mm am/pm
// The same forms as patterns for Qt's date and time editors.
QString listDatePattern();
QString listTimePattern();
constexpr int kTextoFormatoHora = 20809;
QString timeSeparator(const QLocale& l = QLocale());
QString dateSeparator(const QLocale& l = QLocale());
// "dd/mmm/yyyy hh:mm am/pm" with the locale's date and time separators (log entries).
QString logStamp(const QDateTime& t, const QLocale& l = QLocale());
// The system's short date and long time formats (logs, mail files).
QString shortDate(QDate d, const QLocale& l = QLocale());
QString longTime(QTime t, const QLocale& l = QLocale());
} // namespace DisplayFormats
