#pragma once
// The answer of PROPFIND and REPORT (WebDAV multistatus, RFC 4918 section 13):
// per resource its href, its status and the properties reported with a 2xx
// status. Property names are "{namespace}local".
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace Dav {

inline const QString kDav = QStringLiteral("DAV:");
inline const QString kCalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
inline const QString kCalServer = QStringLiteral("http://calendarserver.org/ns/");
QString name(const QString& ns, const QString& local); // "{ns}local"

struct Property {
    QString text;           // the text content (calendar-data, getetag, displayname, sync-token)
    QList<QUrl> hrefs;      // DAV:href children, resolved against the request's address
    QStringList children;   // names of the child elements (resourcetype, supported-report-set)
    QStringList components; // name attributes of CalDAV comp elements
};

struct Response {
    QUrl href;      // resolved against the request's address
    int status = 0; // the response's own status line, 0 when it has only propstats
    QHash<QString, Property> props;
    const Property* prop(const QString& ns, const QString& local) const;
};

struct Multistatus {
    QList<Response> responses;
    QString syncToken; // RFC 6578: the multistatus's own sync-token, if any
};

// False, with a reason in `error`, when `xml` is not a well-formed multistatus.
bool parseMultistatus(const QByteArray& xml, const QUrl& base, Multistatus& out, QString* error);

// The status code of an HTTP status line ("HTTP/1.1 404 Not Found"); 0 if none.
int statusCode(const QString& line);

} // namespace Dav
