// Finding the calendars from the address a user types (RFC 6764 section 6,
// RFC 4791 sections 6.2.1 and 5.2): the address itself, or the host's
// /.well-known/caldav, gives the user's principal; the principal gives the
// calendar home; the home lists the calendars.
#include "caldav/CalDavClient.h"

namespace CalDav {

namespace {

QString where(const QUrl& url) {
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

const QStringList& calendarProps() {
    static const QStringList props{
        propName(Dav::kDav, "resourcetype"),
        propName(Dav::kDav, "displayname"),
        propName(Dav::kDav, "supported-report-set"),
        propName(Dav::kDav, "sync-token"),
        propName(Dav::kDav, "current-user-principal"),
        propName(Dav::kCalDav, "calendar-home-set"),
        propName(Dav::kCalDav, "supported-calendar-component-set"),
        propName(Dav::kCalServer, "getctag"),
    };
    return props;
}

bool holdsEvents(const Dav::Response& r) {
    const Dav::Property* type = r.prop(Dav::kDav, QStringLiteral("resourcetype"));
    if (!type || !type->children.contains(propName(Dav::kCalDav, "calendar"))) return false;
    const Dav::Property* comps = r.prop(Dav::kCalDav, QStringLiteral("supported-calendar-component-set"));
    return !comps || comps->components.isEmpty() || comps->components.contains(QLatin1String("VEVENT"));
}

CalendarInfo infoOf(const Dav::Response& r) {
    CalendarInfo c;
    c.url = r.href;
    if (!c.url.path().endsWith(QLatin1Char('/'))) c.url.setPath(c.url.path() + QLatin1Char('/'));
    if (const auto* p = r.prop(Dav::kDav, QStringLiteral("displayname"))) c.displayName = p->text.trimmed();
    if (const auto* p = r.prop(Dav::kDav, QStringLiteral("sync-token"))) c.syncToken = p->text.trimmed();
    if (const auto* p = r.prop(Dav::kCalServer, QStringLiteral("getctag"))) c.ctag = p->text.trimmed();
    if (const auto* p = r.prop(Dav::kDav, QStringLiteral("supported-report-set")))
        c.syncCollection = p->children.contains(propName(Dav::kDav, "sync-collection"));
    if (c.displayName.isEmpty()) c.displayName = c.url.path().section(QLatin1Char('/'), -2, -2);
    return c;
}

QUrl firstHref(const Dav::Multistatus& ms, const QString& ns, const char* local) {
    for (const Dav::Response& r : ms.responses)
        if (const auto* p = r.prop(ns, QLatin1String(local)); p && !p->hrefs.isEmpty())
            return p->hrefs.first();
    return {};
}

bool fatal(const Error& e) {
    return e.kind == ErrorKind::Credentials || e.kind == ErrorKind::Tls || e.kind == ErrorKind::TrustFile ||
           e.kind == ErrorKind::Unreachable || e.kind == ErrorKind::InsecureUrl;
}

} // namespace

bool Client::calendarInfo(const QUrl& calendar, CalendarInfo& out) {
    Dav::Multistatus ms;
    if (!propfind(calendar, 0, calendarProps(), ms)) return false;
    for (const Dav::Response& r : ms.responses)
        if (holdsEvents(r)) {
            out = infoOf(r);
            return true;
        }
    return fail({ErrorKind::NoCalendar, 207,
                 QStringLiteral("%1: not a calendar that holds events").arg(where(calendar))});
}

bool Client::discover(QList<CalendarInfo>& out) {
    out.clear();
    const QUrl start = m_account.url;
    QUrl wellKnown = start;
    wellKnown.setPath(QStringLiteral("/.well-known/caldav"));
    wellKnown.setQuery(QString());

    // The address itself first (it may be a calendar, a home or a principal),
    // then the host's well-known address.
    QUrl principal, home;
    Error firstError;
    for (const QUrl& candidate : {start, wellKnown}) {
        Dav::Multistatus ms;
        if (!propfind(candidate, 0, calendarProps(), ms)) {
            if (fatal(m_error)) return false;
            if (!firstError) firstError = m_error;
            continue;
        }
        for (const Dav::Response& r : ms.responses)
            if (holdsEvents(r)) {
                out << infoOf(r);
                return true;
            }
        principal = firstHref(ms, Dav::kDav, "current-user-principal");
        home = firstHref(ms, Dav::kCalDav, "calendar-home-set");
        if (principal.isValid() || home.isValid()) break;
    }
    if (!home.isValid() && principal.isValid()) {
        Dav::Multistatus ms;
        if (!propfind(principal, 0, {propName(Dav::kCalDav, "calendar-home-set")}, ms)) return false;
        home = firstHref(ms, Dav::kCalDav, "calendar-home-set");
    }
    if (!home.isValid()) {
        if (firstError) return fail(firstError);
        return fail(
            {ErrorKind::NoCalendar, 0,
             QStringLiteral("%1: the server names no calendar home for this user").arg(where(start))});
    }
    Dav::Multistatus ms;
    if (!propfind(home, 1, calendarProps(), ms)) return false;
    for (const Dav::Response& r : ms.responses)
        if (holdsEvents(r)) out << infoOf(r);
    if (out.isEmpty())
        return fail({ErrorKind::NoCalendar, 207,
                     QStringLiteral("%1: the calendar home holds no calendar for events").arg(where(home))});
    return true;
}

} // namespace CalDav
