#include "calendar/CalendarWriter.h"

#include "calendar/Ical.h"
#include "calendar/ReminderRules.h"

#include <cstdlib>

namespace {

using namespace Ical;

void addX(icalcomponent* c, const char* name, const QString& value) {
    icalproperty* p = icalproperty_new_x(utf8(value).constData());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(c, p);
}

icalproperty* startProperty(const QDateTime& wall, icaltimezone* zone) {
    if (!zone) return icalproperty_new_dtstart(utcTime(wall)); // a system in UTC, or a zone libical lacks
    icalproperty* p = icalproperty_new_dtstart(wallTime(wall));
    icalproperty_add_parameter(p, icalparameter_new_tzid(utf8(localZoneId()).constData()));
    return p;
}

icalcomponent* alarm(icalproperty_action action, const QString& summary, const QString& description) {
    icalcomponent* a = icalcomponent_new_valarm();
    icalcomponent_add_property(a, icalproperty_new_action(action));
    icalcomponent_add_property(a, icalproperty_new_trigger(icaltriggertype_from_int(0)));
    if (action == ICAL_ACTION_EMAIL)
        icalcomponent_add_property(a, icalproperty_new_summary(utf8(summary).constData()));
    icalcomponent_add_property(a, icalproperty_new_description(utf8(description).constData()));
    return a;
}

icalcomponent* eventOf(const CalendarReminder& entry, const CalendarSettings& settings, icaltimezone* zone) {
    const RegistroAviso& r = entry.aviso;
    icalcomponent* ev = icalcomponent_new_vevent();
    icalcomponent_add_property(ev, icalproperty_new_uid(utf8(entry.uid).constData()));
    icalcomponent_add_property(
        ev, icalproperty_new_dtstamp(utcTime(
                WallMoment(QDateTime::currentDateTime().date(), QDateTime::currentDateTime().time()))));
    icalcomponent_add_property(ev, icalproperty_new_summary(utf8(r.Descripcion).constData()));
    QString text = r.Texto;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!text.isEmpty()) icalcomponent_add_property(ev, icalproperty_new_description(utf8(text).constData()));
    icalcomponent_add_property(ev, startProperty(WallMoment(r), zone));

    const QString rule = RepetitionRule(r, settings.workingDays);
    if (!rule.isEmpty()) {
        QString full = rule;
        if (const auto last = LastMoment(r, settings.workingDays)) {
            // The last occurrence's own moment for the hourly rule; for the
            // others, which fall once a day, the end of its day, so that a
            // reader need not get the zone's offset on that day exactly right.
            const icaltimetype until =
                utcTime(r.Repetir == 1 ? *last : WallMoment(last->date(), QTime(23, 59, 59)));
            full += QStringLiteral(";UNTIL=%1").arg(QString::fromLatin1(icaltime_as_ical_string(until)));
        }
        icalcomponent_add_property(
            ev, icalproperty_new_rrule(icalrecurrencetype_from_string(utf8(full).constData())));
    }
    if (!r.Activo) icalcomponent_add_property(ev, icalproperty_new_status(ICAL_STATUS_CANCELLED));

    QStringList entryNumbers;
    QStringList addresses;
    for (uint8_t k : r.Destinatarios) {
        if (k == 0) continue;
        entryNumbers << QString::number(k);
        const QString address = settings.addressBook[k - 1].trimmed();
        if (!address.isEmpty()) addresses << address;
    }
    for (const QString& address : addresses)
        icalcomponent_add_property(
            ev, icalproperty_new_attendee(utf8(QStringLiteral("mailto:") + address).constData()));

    icalcomponent_add_component(ev, alarm(ICAL_ACTION_DISPLAY, r.Descripcion, r.Descripcion));
    if (!addresses.isEmpty()) {
        icalcomponent* mail = alarm(ICAL_ACTION_EMAIL, r.Descripcion, text.isEmpty() ? r.Descripcion : text);
        for (const QString& address : addresses)
            icalcomponent_add_property(
                mail, icalproperty_new_attendee(utf8(QStringLiteral("mailto:") + address).constData()));
        icalcomponent_add_component(ev, mail);
    }

    addX(ev, "X-ORBALINDER-REPEAT", QString::number(r.Repetir));
    if (r.Descripcion.trimmed() != r.Descripcion) // iCalendar readers drop blanks at the ends of a value
        addX(ev, "X-ORBALINDER-SUMMARY", QString::fromLatin1(utf8(r.Descripcion).toPercentEncoding()));
    if (r.DiaElegido != 0) addX(ev, "X-ORBALINDER-DAY", QString::number(r.DiaElegido));
    if (!r.Sonido.isEmpty()) addX(ev, "X-ORBALINDER-SOUND", r.Sonido);
    if (r.Caduca) addX(ev, "X-ORBALINDER-EXPIRES", QStringLiteral("TRUE"));
    if (r.BorrarAlCaducar) addX(ev, "X-ORBALINDER-DELETE-AT-EXPIRY", QStringLiteral("TRUE"));
    addX(ev, "X-ORBALINDER-LAST-DAY", r.fechaUlt().toString(QStringLiteral("yyyyMMdd")));
    if (r.Terminado) addX(ev, "X-ORBALINDER-FINISHED", QStringLiteral("TRUE"));
    if (!entryNumbers.isEmpty()) addX(ev, "X-ORBALINDER-RECIPIENTS", entryNumbers.join(QLatin1Char(',')));
    return ev;
}

} // namespace

QByteArray CalendarOf(const QVector<CalendarReminder>& reminders, const CalendarSettings& settings) {
    Component cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//Norvo//Orbalinder 2.0//EN"));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));

    icaltimezone* zone = localZone();
    if (zone) {
        // The zone's rules from a year before the earliest reminder on.
        QDate earliest = QDate::currentDate();
        for (const CalendarReminder& entry : reminders)
            if (entry.aviso.fechaProx().isValid()) earliest = std::min(earliest, entry.aviso.fechaProx());
        icalcomponent* vtz = icalcomponent_new_clone(icaltimezone_get_component(zone));
        icaltimezone_truncate_vtimezone(
            vtz, utcTime(WallMoment(QDate(earliest.year() - 1, 1, 1), QTime(0, 0))), icaltime_null_time(), 0);
        if (icalproperty* tzid = icalcomponent_get_first_property(vtz, ICAL_TZID_PROPERTY))
            icalproperty_set_tzid(tzid, utf8(localZoneId()).constData());
        icalcomponent_add_component(cal.get(), vtz);
    }
    for (const CalendarReminder& entry : reminders)
        icalcomponent_add_component(cal.get(), eventOf(entry, settings, zone));

    char* text = icalcomponent_as_ical_string_r(cal.get());
    QByteArray out(text);
    std::free(text);
    return out;
}
