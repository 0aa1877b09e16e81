#pragma once
// A CalDAV client (RFC 4791, sync-collection of RFC 6578, discovery of RFC 6764)
// over Qt Network. Every call sends its requests and waits for their answers in
// a local event loop, so a caller runs it on a thread of its own (never on the
// user-interface thread). Passwords go only over TLS, or in clear to this
// machine; TLS trusts the system's authorities plus an optional PEM file.
//
// A call that fails returns false (or per-item errors) and leaves the reason
// in lastError(); nothing is retried behind the caller's back.
#include "caldav/CalDavError.h"
#include "caldav/DavMultistatus.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;

namespace CalDav {

struct Account {
    QUrl url; // the server's address as the user gives it, or a calendar's own address
    QString user;
    QString password;
    QString caFile;        // PEM file of extra trusted certificates; empty for none
    int timeoutMs = 30000; // per request, from the last byte received
};

struct CalendarInfo {
    QUrl url;
    QString displayName;
    bool syncCollection = false; // the calendar answers sync-collection REPORTs
    QString syncToken;           // the calendar's current token, when it reports one
    QString ctag;                // the calendar's change tag, when it reports one
};

struct EventRef {
    QUrl href;
    QString etag; // as the server wrote it, quotes included
};

struct Event {
    QUrl href;
    QString etag;
    QByteArray ics;
};

struct Changes {
    QString syncToken;       // give it to the next changesSince
    QList<EventRef> changed; // added or edited since the token
    QList<QUrl> removed;
};

struct PutItem {
    QUrl href;
    QByteArray ics;
    QString ifMatch; // the ETag the event had when we last saw it; empty: the event must be new
};
struct PutResult {
    Error error;  // Precondition: changed (or made) on the server meanwhile
    QString etag; // the new ETag, empty when the server did not send one
};
struct DeleteItem {
    QUrl href;
    QString ifMatch; // empty: delete whatever is there
};

class Client {
public:
    explicit Client(Account account);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    const Error& lastError() const { return m_error; }
    const Account& account() const { return m_account; }

    // The calendars that hold events, found from the account's address: the
    // address itself when it is a calendar, else through its (or the host's
    // /.well-known/caldav) current-user-principal and calendar-home-set.
    bool discover(QList<CalendarInfo>& out);
    // One calendar's name, token and whether it offers sync-collection.
    bool calendarInfo(const QUrl& calendar, CalendarInfo& out);

    // Every event of the calendar with its ETag (calendar-query).
    bool listEvents(const QUrl& calendar, QList<EventRef>& out);
    // The changes since `token` (empty: everything). *tokenRefused is set when
    // the server no longer knows the token (then the caller lists the calendar).
    bool changesSince(const QUrl& calendar, const QString& token, Changes& out, bool* tokenRefused);
    // The events at `hrefs` (calendar-multiget, in chunks); a missing one is left out.
    bool fetch(const QUrl& calendar, const QList<QUrl>& hrefs, QList<Event>& out);

    // Several PUTs or DELETEs at once; one result per item, in order.
    // lastError() holds the first failure that was not a Precondition.
    QList<PutResult> put(const QList<PutItem>& items);
    QList<Error> remove(const QList<DeleteItem>& items);

    // Requests sent since the client was made (for benchmarks and tests).
    int requestCount() const { return m_requests; }

    struct Request {
        QByteArray verb;
        QUrl url;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
    };
    struct Answer {
        int status = 0;
        QByteArray body;
        QByteArray etag;
        Error error; // set for a transport failure or a status that is not 2xx or 207
    };
    // Sends the requests, at most a few at a time on the same connections,
    // and waits for every answer. Redirects are followed (up to 5).
    QList<Answer> send(const QList<Request>& requests);

private:
    bool propfind(const QUrl& url, int depth, const QStringList& props, Dav::Multistatus& out);
    bool report(const QUrl& url, int depth, const QByteArray& body, Dav::Multistatus& out,
                int* status = nullptr);
    Answer sendOne(const Request& r);
    bool fail(const Error& e);

    Account m_account;
    Error m_error;
    Error m_setupError; // the trust file could not be used, or the address is unsafe
    std::unique_ptr<QNetworkAccessManager> m_nam;
    struct Tls;
    std::unique_ptr<Tls> m_tls;
    int m_requests = 0;
};

// "{ns}local" names of the properties discovery reads.
QString propName(const QString& ns, const char* local);

} // namespace CalDav
