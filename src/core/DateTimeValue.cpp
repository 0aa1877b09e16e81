#include "core/DateTimeValue.h"

#include <algorithm>
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

qint64 dayNumber(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return 0;
    return static_cast<qint64>(std::trunc(value));
}

int msecsOfDay(double value) {
    if (!std::isfinite(value)) return 0;
    const double frac = std::fabs(value - std::trunc(value));
    const auto ms = static_cast<qint64>(std::llround(frac * 86400000.0));
    return static_cast<int>(std::min<qint64>(ms, 86400000 - 1));
}

QDate toDate(double value) {
    return epoch().addDays(dayNumber(value));
}

QTime toTime(double value) {
    return QTime::fromMSecsSinceStartOfDay(msecsOfDay(value));
}

int minuteOfDay(double value) {
    return msecsOfDay(value) / 60000;
}

} // namespace DateTimeValue
