#pragma once
// What the calendar writer and reader share around libical: owners of its
// objects, texts, times and the local time zone.
#include <libical/ical.h>

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

namespace Ical {

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

inline QString text(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}
inline QByteArray utf8(const QString& s) {
    return s.toUtf8();
}

// The system's zone as libical knows it (null: unknown, or UTC), and its name.
icaltimezone* localZone();
QString localZoneId();
// True when `zone` is the system's zone.
bool isLocalZone(const icaltimezone* zone);

// A wall-clock moment (see ReminderRules) as a floating iCalendar time.
icaltimetype wallTime(const QDateTime& wall);
// A wall-clock moment of the local zone as UTC.
icaltimetype utcTime(const QDateTime& wall);
// An iCalendar time as a local wall-clock moment: a time of the system's zone
// or a floating one as it stands, another zone's or UTC converted.
QDateTime wallOf(icaltimetype t);

// The value of an X- property of `c`, empty when it has none.
QString xValue(icalcomponent* c, const char* name);

} // namespace Ical
