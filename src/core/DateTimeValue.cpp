#include "core/DateTimeValue.h"

#include <cmath>

namespace DateTimeValue {

QDate epoch() {
    static const QDate e(1899, 12, 30);
    return e;
}

double fromDate(QDate date) {
    return date.isValid() ? static_cast<double>(epoch().daysTo(date)) : 0.0;
}

double fromTime(QTime time) {
    if (!time.isValid()) return 0.0;
    return time.msecsSinceStartOfDay() / 86400000.0;
}

double fromDateTime(QDate date, QTime time) {
    // Dates before the epoch keep the time as a positive fraction away from zero,
    // as the stored format does: -1.25 is 29 December 1899, 06:00.
    const double days = fromDate(date);
    const double frac = fromTime(time);
    return days < 0 ? days - frac : days + frac;
}

QDate toDate(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return epoch();
    return epoch().addDays(static_cast<qint64>(std::trunc(value)));
}

QTime toTime(double value) {
    if (!std::isfinite(value)) return QTime(0, 0);
    double frac = std::fabs(value - std::trunc(value));
    auto ms = static_cast<qint64>(std::llround(frac * 86400000.0));
    if (ms >= 86400000) ms = 86400000 - 1;
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
}

int minuteOfDay(double value) {
    // toTime's rounding, without building a QTime: lists of 65535 reminders use it.
    if (!std::isfinite(value)) return 0;
    const double frac = std::fabs(value - std::trunc(value));
    auto ms = static_cast<qint64>(std::llround(frac * 86400000.0));
    if (ms >= 86400000) ms = 86400000 - 1;
    return static_cast<int>(ms / 60000);
}

} // namespace DateTimeValue
