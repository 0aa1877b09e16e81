#include "calendar/CalendarReader.h"

#include "calendar/Ical.h"
#include "calendar/ReminderRules.h"
#include "core/Cp1252.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <variant>

namespace {

using namespace Ical;
using Kind = CalendarNote::Kind;

constexpr int kMaxOccurrences = 200000; // how far a series is followed to find its end

template <size_t N> QVector<int> values(const short (&array)[N]) {
    QVector<int> out;
    for (size_t i = 0; i < N && array[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        out << array[i];
    return out;
}

int weekdayBit(QDate d) {
    return 1 << (d.dayOfWeek() - 1);
}

struct Refusal {
    Kind kind;
    QString detail;
};

// The alarms of an event, which must all fall at one moment.
struct Alarms {
    bool absolute = false;
    qint64 offset = 0; // seconds after the start (negative: before)
    QDateTime at;      // an absolute alarm's wall moment
    QStringList recipients;
    std::optional<Refusal> refusal;
};

QString addressOf(icalproperty* attendee) {
    QString a = text(icalproperty_get_attendee(attendee)).trimmed();
    if (a.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) a = a.mid(7);
    return a.trimmed();
}

qint64 durationOf(icalcomponent* ev) {
    const icaltimetype start = icalcomponent_get_dtstart(ev), end = icalcomponent_get_dtend(ev);
    if (icaltime_is_null_time(start) || icaltime_is_null_time(end)) return start.is_date ? 86400 : 0;
    return qint64(icaltime_as_timet_with_zone(end, end.zone)) -
           qint64(icaltime_as_timet_with_zone(start, start.zone));
}

Alarms alarmsOf(icalcomponent* ev) {
    Alarms out;
    QSet<QString> moments;
    for (icalcomponent* a = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(ev, ICAL_VALARM_COMPONENT)) {
        icalproperty* trigger = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        if (!trigger) continue;
        const icaltriggertype t = icalproperty_get_trigger(trigger);
        if (!icaltime_is_null_time(t.time)) {
            out.absolute = true;
            out.at = wallOf(t.time);
            moments.insert(QStringLiteral("at ") + out.at.toString(Qt::ISODate));
        } else {
            qint64 offset = icaldurationtype_as_int(t.duration);
            icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
            if (related && icalparameter_get_related(related) == ICAL_RELATED_END) offset += durationOf(ev);
            out.offset = offset;
            moments.insert(QStringLiteral("offset %1").arg(offset));
        }
        icalproperty* action = icalcomponent_get_first_property(a, ICAL_ACTION_PROPERTY);
        if (action && icalproperty_get_action(action) == ICAL_ACTION_EMAIL)
            for (icalproperty* p = icalcomponent_get_first_property(a, ICAL_ATTENDEE_PROPERTY); p;
                 p = icalcomponent_get_next_property(a, ICAL_ATTENDEE_PROPERTY))
                if (const QString address = addressOf(p);
                    !address.isEmpty() && !out.recipients.contains(address))
                    out.recipients << address;
    }
    if (moments.size() > 1) out.refusal = Refusal{Kind::SeveralAlarms, QString::number(moments.size())};
    return out;
}

// The event's occurrences in order, from its start: its rule's, or the start alone.
class Occurrences {
public:
    Occurrences(icalcomponent* ev, const icalrecurrencetype* rule) : m_start(icalcomponent_get_dtstart(ev)) {
        if (rule) m_it = icalrecur_iterator_new(*rule, m_start);
        m_single = !rule;
    }
    ~Occurrences() {
        if (m_it) icalrecur_iterator_free(m_it);
    }
    Occurrences(const Occurrences&) = delete;
    Occurrences& operator=(const Occurrences&) = delete;
    std::optional<icaltimetype> next() {
        if (m_single) {
            if (m_done) return std::nullopt;
            m_done = true;
            return m_start;
        }
        if (!m_it) return std::nullopt;
        icaltimetype t = icalrecur_iterator_next(m_it);
        if (icaltime_is_null_time(t)) return std::nullopt;
        t.zone = m_start.zone;
        return t;
    }

private:
    icaltimetype m_start;
    icalrecur_iterator* m_it = nullptr;
    bool m_single = false, m_done = false;
};

// The day of the month a monthly or yearly rule keeps; 0 when the reminders
// have no such rule.
int chosenDayOf(QVector<int> monthDays, const QVector<int>& setPos, int startDay) {
    std::sort(monthDays.begin(), monthDays.end());
    if (monthDays.isEmpty()) return setPos.isEmpty() ? startDay : 0;
    if (setPos.isEmpty()) {
        if (monthDays == QVector<int>{-1}) return 31;
        return monthDays.size() == 1 && monthDays[0] >= 1 ? monthDays[0] : 0;
    }
    if (setPos != QVector<int>{-1}) return 0;
    if (monthDays == QVector<int>{-1}) return 31;
    if (monthDays == QVector<int>{28, 29}) return 29;
    if (monthDays == QVector<int>{28, 29, 30}) return 30;
    if (monthDays == QVector<int>{28, 29, 30, 31}) return 31;
    return 0;
}

class EventReader {
public:
    EventReader(icalcomponent* ev, const QVector<icalcomponent*>& moved, const CalendarSettings& s,
                CalendarReading& out)
        : m_ev(ev), m_moved(moved), m_s(s), m_out(out) {
        const QDateTime now = s.now.isValid() ? s.now : QDateTime::currentDateTime();
        m_now = WallMoment(now.date(), QTime(now.time().hour(), now.time().minute()));
        m_summary = text(icalcomponent_get_summary(ev));
        m_summary.replace(QStringLiteral("\r\n"), QStringLiteral(" "))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
    }

    void read(const QString& uid) {
        m_uid = uid;
        const auto restored = restore();
        if (restored) {
            take(*restored);
            return;
        }
        const auto mapped = mapForeign();
        if (const auto* r = std::get_if<RegistroAviso>(&mapped))
            take(*r);
        else {
            m_notes.clear(); // nothing of it is imported: its refusal says all
            note(std::get<Refusal>(mapped).kind, std::get<Refusal>(mapped).detail);
            m_out.notes << m_notes;
        }
    }

private:
    void note(Kind kind, const QString& detail = {}) {
        m_notes << CalendarNote{kind, m_uid, m_summary, detail};
    }

    void take(const RegistroAviso& r) {
        m_out.reminders << CalendarReminder{m_uid, r};
        m_out.notes << m_notes;
    }

    // Texts, state and recipients, the same for both ways of reading.
    void fillCommon(RegistroAviso& r, const Alarms& alarms) {
        QString summary = m_summary;
        QString description = text(icalcomponent_get_description(m_ev));
        description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
            .replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        const QString bad = Cp1252::unrepresentable(summary + description);
        if (!bad.isEmpty()) note(Kind::Characters, bad);
        if (summary.size() > 30) note(Kind::DescriptionCut);
        if (description.size() > 255) note(Kind::TextCut);
        if (const QString exact = xValue(m_ev, "X-ORBALINDER-SUMMARY");
            !exact.isEmpty()) // blanks at its ends
            summary = QString::fromUtf8(QByteArray::fromPercentEncoding(exact.toLatin1()));
        r.Descripcion = summary.left(30);
        r.Texto = description.left(255);
        r.Activo = icalcomponent_get_status(m_ev) != ICAL_STATUS_CANCELLED;
        r.Sonido = xValue(m_ev, "X-ORBALINDER-SOUND").left(255);
        r.BorrarAlCaducar = xValue(m_ev, "X-ORBALINDER-DELETE-AT-EXPIRY")
                                .compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;

        // Recipients: the entries this program wrote when they still name the
        // same addresses, otherwise each address looked up in the address book.
        r.Destinatarios.fill(0);
        QVector<int> entryNumbers;
        for (const QString& n :
             xValue(m_ev, "X-ORBALINDER-RECIPIENTS").split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (const int k = n.toInt(); k >= 1 && k <= 255) entryNumbers << k;
        QStringList named;
        for (int k : entryNumbers)
            if (const QString a = m_s.addressBook[k - 1].trimmed(); !a.isEmpty()) named << a;
        const bool sameBook =
            !entryNumbers.isEmpty() &&
            named.join('\n').compare(alarms.recipients.join('\n'), Qt::CaseInsensitive) == 0;
        if (!sameBook) {
            entryNumbers.clear();
            for (const QString& address : alarms.recipients) {
                int found = 0;
                for (int k = 1; k <= 255 && !found; ++k)
                    if (m_s.addressBook[k - 1].trimmed().compare(address, Qt::CaseInsensitive) == 0)
                        found = k;
                if (found)
                    entryNumbers << found;
                else
                    note(Kind::UnknownRecipient, address);
            }
        }
        if (entryNumbers.size() > 255) note(Kind::TooManyRecipients);
        for (int i = 0; i < entryNumbers.size() && i < 255; ++i)
            r.Destinatarios[i] = static_cast<uint8_t>(entryNumbers[i]);
        r.PorEmail = !entryNumbers.isEmpty();
    }

    static int limitFor(icalrecurrencetype_frequency freq, bool weekdays) {
        switch (freq) {
        case ICAL_HOURLY_RECURRENCE:
            return 1; // by the wall clock here, by real hours in libical: only the start
        case ICAL_DAILY_RECURRENCE:
            return 400;
        case ICAL_WEEKLY_RECURRENCE:
            return weekdays ? 400 : 60;
        case ICAL_MONTHLY_RECURRENCE:
            return 60;
        default:
            return 30;
        }
    }

    QDateTime momentOf(icaltimetype occurrence, const Alarms& alarms) const {
        if (alarms.absolute) return alarms.at;
        if (occurrence.is_date) {
            const QDate d =
                QDate(occurrence.year, occurrence.month, occurrence.day).addDays(alarms.offset / 86400);
            return WallMoment(d, m_s.allDayTime);
        }
        return wallOf(occurrence).addSecs(alarms.offset);
    }

    // The alarm moments from `from` on: at most `limit`; with `toEnd`, the
    // series is followed to its end for `last`.
    struct Series {
        QVector<QDateTime> moments;
        std::optional<QDateTime> last;
        bool complete = true; // the end was reached (or not looked for)
    };
    Series series(const icalrecurrencetype* rule, const Alarms& alarms, const QDateTime& from, int limit,
                  bool toEnd) const {
        Series s;
        Occurrences occurrences(m_ev, rule);
        int steps = 0;
        while (const auto occurrence = occurrences.next()) {
            if (++steps > kMaxOccurrences) {
                s.complete = false;
                break;
            }
            const QDateTime m = momentOf(*occurrence, alarms);
            if (m < from) continue;
            if (s.moments.size() < limit) s.moments << m;
            s.last = m;
            if (!toEnd && s.moments.size() >= limit) break;
        }
        return s;
    }

    // Dates taken out of the series or moved, from `from` on.
    bool exceptionsFrom(const QDateTime& from) const {
        for (icalproperty* p = icalcomponent_get_first_property(m_ev, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(m_ev, ICAL_EXDATE_PROPERTY)) {
            icaltimetype t = icalproperty_get_exdate(p);
            if (!t.zone) t.zone = icalcomponent_get_dtstart(m_ev).zone;
            if (wallOf(t).addDays(1) >= from) return true;
        }
        for (icalcomponent* c : m_moved) {
            icaltimetype t = icalcomponent_get_recurrenceid(c);
            if (wallOf(t).addDays(1) >= from || wallOf(icalcomponent_get_dtstart(c)).addDays(1) >= from)
                return true;
        }
        return false;
    }

    std::optional<icalrecurrencetype> ruleOf(std::optional<Refusal>& refusal) const {
        int rules = 0;
        std::optional<icalrecurrencetype> rule;
        for (icalproperty* p = icalcomponent_get_first_property(m_ev, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(m_ev, ICAL_RRULE_PROPERTY)) {
            ++rules;
            rule = icalproperty_get_rrule(p);
        }
        if (rules > 1 || icalcomponent_get_first_property(m_ev, ICAL_RDATE_PROPERTY))
            refusal = Refusal{Kind::SeveralRules, {}};
        return rule;
    }

    // An event this program wrote, read back as the record it came from.
    std::optional<RegistroAviso> restore() {
        const QString code = xValue(m_ev, "X-ORBALINDER-REPEAT");
        bool ok = false;
        const int repetir = code.toInt(&ok);
        const icaltimetype start = icalcomponent_get_dtstart(m_ev);
        if (!ok || repetir < 0 || repetir > 255 || icaltime_is_null_time(start) || start.is_date)
            return std::nullopt;
        const Alarms alarms = alarmsOf(m_ev);
        std::optional<Refusal> refusal;
        const auto rule = ruleOf(refusal);
        if (alarms.refusal || alarms.absolute || alarms.offset != 0 || refusal) return std::nullopt;

        const QList<CalendarNote> before = m_notes;
        RegistroAviso r;
        r.Repetir = static_cast<uint8_t>(repetir);
        const QDateTime moment = wallOf(start);
        r.setFechaProx(moment.date());
        r.setHoraProx(moment.time());
        r.DiaElegido = static_cast<uint8_t>(xValue(m_ev, "X-ORBALINDER-DAY").toInt());
        r = RegistroAviso::fromBytes(r.toBytes().constData()); // the chosen day as the file would keep it
        r.Terminado =
            xValue(m_ev, "X-ORBALINDER-FINISHED").compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
        r.Caduca =
            xValue(m_ev, "X-ORBALINDER-EXPIRES").compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
        const QDate last =
            QDate::fromString(xValue(m_ev, "X-ORBALINDER-LAST-DAY"), QStringLiteral("yyyyMMdd"));
        r.setFechaUlt(last.isValid() ? last : moment.date());
        fillCommon(r, alarms);

        // The event's dates must still be the record's.
        const bool repeats = !r.Terminado && r.Repetir != 0;
        bool same = repeats == rule.has_value() && !exceptionsFrom(moment);
        if (same && repeats) {
            const int limit = limitFor(rule->freq, true);
            same = series(&*rule, alarms, moment, limit, false).moments ==
                   ReminderMoments(r, m_s.workingDays, limit);
            const bool ends = rule->count > 0 || !icaltime_is_null_time(rule->until);
            if (same && ends != LastMoment(r, m_s.workingDays).has_value()) same = false;
        }
        if (!same) {
            m_notes = before;
            return std::nullopt;
        }
        return r;
    }

    std::variant<RegistroAviso, Refusal> mapForeign() {
        const icaltimetype start = icalcomponent_get_dtstart(m_ev);
        if (icaltime_is_null_time(start)) return Refusal{Kind::NoStart, {}};
        const Alarms alarms = alarmsOf(m_ev);
        if (alarms.refusal) return *alarms.refusal;
        std::optional<Refusal> refusal;
        const auto rule = ruleOf(refusal);
        if (refusal) return *refusal;
        if (rule && alarms.absolute) return Refusal{Kind::FixedAlarm, {}};
        if (exceptionsFrom(m_now)) return Refusal{Kind::Exceptions, {}};

        int repetir = 0, chosenDay = 0;
        bool weekdays = false;
        if (rule) {
            char* ruleText = icalrecurrencetype_as_string_r(const_cast<icalrecurrencetype*>(&*rule));
            const QString ruleName = text(ruleText);
            std::free(ruleText);
            if (rule->interval > 1) return Refusal{Kind::Interval, QString::number(rule->interval)};
            const QVector<int> days = values(rule->by_day), monthDays = values(rule->by_month_day),
                               months = values(rule->by_month), setPos = values(rule->by_set_pos);
            for (int day : days)
                if (icalrecurrencetype_day_position(short(day)) != 0)
                    return Refusal{Kind::NthWeekday, ruleName};
            const bool unsupported = !values(rule->by_second).isEmpty() ||
                                     !values(rule->by_minute).isEmpty() || !values(rule->by_hour).isEmpty() ||
                                     !values(rule->by_year_day).isEmpty() ||
                                     !values(rule->by_week_no).isEmpty();
            if (unsupported) return Refusal{Kind::UnsupportedRule, ruleName};
            const QDateTime startWall = wallOf(start);
            switch (rule->freq) {
            case ICAL_HOURLY_RECURRENCE:
                if (!days.isEmpty() || !monthDays.isEmpty() || !months.isEmpty() || !setPos.isEmpty())
                    return Refusal{Kind::UnsupportedRule, ruleName};
                repetir = 1;
                break;
            case ICAL_DAILY_RECURRENCE:
            case ICAL_WEEKLY_RECURRENCE:
                if (!monthDays.isEmpty() || !months.isEmpty() || !setPos.isEmpty())
                    return Refusal{Kind::UnsupportedRule, ruleName};
                weekdays = !days.isEmpty();
                repetir = weekdays                              ? 128
                          : rule->freq == ICAL_DAILY_RECURRENCE ? 3
                                                                : 5; // the set comes from the dates
                break;
            case ICAL_MONTHLY_RECURRENCE:
            case ICAL_YEARLY_RECURRENCE: {
                if (!days.isEmpty()) return Refusal{Kind::NthWeekday, ruleName};
                const bool yearly = rule->freq == ICAL_YEARLY_RECURRENCE;
                if ((!yearly && !months.isEmpty()) || months.size() > 1 ||
                    (months.size() == 1 && months[0] != start.month))
                    return Refusal{Kind::UnsupportedRule, ruleName};
                chosenDay = chosenDayOf(monthDays, setPos, start.day);
                if (chosenDay == 0) return Refusal{Kind::UnsupportedRule, ruleName};
                repetir = yearly ? 7 : 6;
                Q_UNUSED(startWall);
                break;
            }
            default:
                return Refusal{Kind::UnsupportedRule, ruleName};
            }
        }

        const int limit = rule ? limitFor(rule->freq, weekdays) : 1;
        const bool ends = !rule || rule->count > 0 || !icaltime_is_null_time(rule->until);
        const Series upcoming = series(rule ? &*rule : nullptr, alarms, m_now, limit, ends && rule);
        if (upcoming.moments.isEmpty()) return Refusal{Kind::NothingLeft, {}};
        if (!upcoming.complete) return Refusal{Kind::UnsupportedRule, {}};
        const QDateTime first = upcoming.moments.first();

        RegistroAviso r = RegistroAviso::nuevo(first);
        r.setHoraProx(first.time());
        if (weekdays) {
            int mask = 0;
            for (const QDateTime& m : upcoming.moments)
                if (m < first.addDays(7)) mask |= weekdayBit(m.date());
            repetir = CodeOfWeekdays(mask, m_s.workingDays);
        }
        r.Repetir = static_cast<uint8_t>(repetir);
        if (chosenDay > first.date().day() && first.date().day() == first.date().daysInMonth())
            r.DiaElegido = static_cast<uint8_t>(chosenDay);
        if (rule && ends && upcoming.last) {
            r.Caduca = true;
            r.setFechaUlt(upcoming.last->date());
        }
        fillCommon(r, alarms);
        if (rule && upcoming.moments != ReminderMoments(r, m_s.workingDays, limit))
            return Refusal{Kind::OccurrencesDiffer, {}};
        return r;
    }

    icalcomponent* m_ev;
    QVector<icalcomponent*> m_moved;
    const CalendarSettings& m_s;
    CalendarReading& m_out;
    QDateTime m_now;
    QString m_summary, m_uid;
    QList<CalendarNote> m_notes;
};

QString uidOf(icalcomponent* ev) {
    const QString uid = text(icalcomponent_get_uid(ev)).trimmed();
    if (!uid.isEmpty()) return uid;
    // An event without one gets the same made-up UID at every import.
    char* all = icalcomponent_as_ical_string_r(ev);
    const QByteArray hash = QCryptographicHash::hash(QByteArray(all), QCryptographicHash::Sha1).toHex();
    std::free(all);
    return QString::fromLatin1(hash) + QStringLiteral("@imported.orbalinder");
}

} // namespace

CalendarReading ReadCalendar(const QByteArray& ics, const CalendarSettings& settings) {
    CalendarReading out;
    const QByteArray trimmed = ics.trimmed();
    Component root(trimmed.startsWith("BEGIN:VCALENDAR") ? icalparser_parse_string(trimmed.constData())
                                                         : nullptr);
    QVector<icalcomponent*> calendars;
    if (root && icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) calendars << root.get();
    if (root && icalcomponent_isa(root.get()) == ICAL_XROOT_COMPONENT)
        for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            calendars << c;
    if (calendars.isEmpty()) {
        out.notes << CalendarNote{Kind::NotICalendar, {}, {}, QStringLiteral("no VCALENDAR")};
        return out;
    }
    for (icalcomponent* cal : calendars) {
        // A series and the instances moved out of it share one UID.
        QStringList order;
        QHash<QString, icalcomponent*> masters;
        QHash<QString, QVector<icalcomponent*>> moved;
        for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
             ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
            const QString uid = uidOf(ev);
            if (icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY)) {
                moved[uid] << ev;
                if (!order.contains(uid)) order << uid;
                continue;
            }
            if (masters.contains(uid)) continue; // the same event twice: once is enough
            masters.insert(uid, ev);
            if (!order.contains(uid)) order << uid;
        }
        for (const QString& uid : order) {
            ++out.events;
            if (icalcomponent* ev = masters.value(uid)) {
                EventReader(ev, moved.value(uid), settings, out).read(uid);
            } else {
                for (icalcomponent* instance :
                     moved.value(uid)) // moved instances alone: each stands for itself
                    EventReader(instance, {}, settings, out).read(uid);
            }
        }
    }
    return out;
}

QString englishText(const CalendarNote& n) {
    const QString who = n.summary.isEmpty() ? n.uid : QStringLiteral("\"%1\"").arg(n.summary);
    switch (n.kind) {
    case Kind::NotICalendar:
        return QStringLiteral("the file is not an iCalendar file (%1)").arg(n.detail);
    case Kind::NoStart:
        return who + QStringLiteral(": not imported: the event has no start");
    case Kind::Interval:
        return who +
               QStringLiteral(": not imported: it repeats at an interval of %1 (every %1 days, weeks, ...)")
                   .arg(n.detail);
    case Kind::NthWeekday:
        return who +
               QStringLiteral(": not imported: it falls on a numbered weekday of the month or year (%1)")
                   .arg(n.detail);
    case Kind::UnsupportedRule:
        return who + QStringLiteral(": not imported: its repetition rule cannot be held (%1)").arg(n.detail);
    case Kind::SeveralRules:
        return who + QStringLiteral(": not imported: it has more than one repetition rule or extra dates");
    case Kind::Exceptions:
        return who + QStringLiteral(": not imported: dates of its series are left out or moved");
    case Kind::SeveralAlarms:
        return who + QStringLiteral(": not imported: it has alarms at %1 different moments").arg(n.detail);
    case Kind::FixedAlarm:
        return who + QStringLiteral(": not imported: it repeats but its alarm is at one fixed date");
    case Kind::NothingLeft:
        return who + QStringLiteral(": not imported: all its occurrences are over");
    case Kind::OccurrencesDiffer:
        return who + QStringLiteral(": not imported: its dates do not follow a rule the reminders have (for "
                                    "example the 31st of the months that have one)");
    case Kind::DescriptionCut:
        return who + QStringLiteral(": its summary was cut to 30 characters");
    case Kind::TextCut:
        return who + QStringLiteral(": its description was cut to 255 characters");
    case Kind::Characters:
        return who + QStringLiteral(": characters that cannot be stored became '?': %1").arg(n.detail);
    case Kind::UnknownRecipient:
        return who +
               QStringLiteral(": recipient %1 is not in the address book and was left out").arg(n.detail);
    case Kind::TooManyRecipients:
        return who + QStringLiteral(": only its first 255 recipients were kept");
    }
    return who;
}
