#include "calendar/Ical.h"

#include <QTimeZone>

namespace Ical {

QString localZoneId() {
    return QString::fromUtf8(QTimeZone::systemTimeZoneId());
}

icaltimezone* localZone() {
    const QByteArray id = QTimeZone::systemTimeZoneId();
    if (id.isEmpty()) return nullptr;
    icaltimezone* zone = icaltimezone_get_builtin_timezone(id.constData());
    if (!zone || zone == icaltimezone_get_utc_timezone() || !icaltimezone_get_component(zone)) return nullptr;
    return zone;
}

bool isLocalZone(const icaltimezone* zone) {
    if (!zone) return false;
    auto* z = const_cast<icaltimezone*>(zone);
    const QString id = localZoneId();
    if (id.isEmpty()) return false;
    const QString location = text(icaltimezone_get_location(z)), tzid = text(icaltimezone_get_tzid(z));
    return location == id || tzid == id || tzid.endsWith(QLatin1Char('/') + id);
}

icaltimetype wallTime(const QDateTime& wall) {
    icaltimetype t = icaltime_null_time();
    t.year = wall.date().year();
    t.month = wall.date().month();
    t.day = wall.date().day();
    t.hour = wall.time().hour();
    t.minute = wall.time().minute();
    t.second = wall.time().second();
    t.is_date = 0;
    return t;
}

icaltimetype utcTime(const QDateTime& wall) {
    const QDateTime utc = QDateTime(wall.date(), wall.time()).toUTC();
    icaltimetype t = wallTime(QDateTime(utc.date(), utc.time(), Qt::UTC));
    t.zone = icaltimezone_get_utc_timezone();
    return t;
}

QDateTime wallOf(icaltimetype t) {
    const QDate d(t.year, t.month, t.day);
    if (t.is_date) return QDateTime(d, QTime(0, 0), Qt::UTC);
    const QDateTime asWritten(d, QTime(t.hour, t.minute, t.second), Qt::UTC);
    if (!t.zone || isLocalZone(t.zone)) return asWritten; // floating, or already local
    const QDateTime local =
        QDateTime::fromSecsSinceEpoch(icaltime_as_timet_with_zone(t, t.zone), Qt::UTC).toLocalTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

QString xValue(icalcomponent* c, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY))
        if (qstricmp(icalproperty_get_x_name(p), name) == 0) return text(icalproperty_get_x(p));
    return {};
}

} // namespace Ical
