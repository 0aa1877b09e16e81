#pragma once
// What went wrong in a CalDAV request, in kinds a window can name in its own
// language, with an English sentence for logs and the command-line tool.
#include <QString>

namespace CalDav {

enum class ErrorKind {
    None,
    Unreachable,  // no connection: refused, no such host, timed out, closed early
    Tls,          // the server's certificate is not trusted, or TLS failed
    TrustFile,    // the extra trusted-certificate file is unreadable or holds no certificate
    Credentials,  // 401: wrong user or password
    Forbidden,    // 403
    NotFound,     // 404 where something had to exist
    Precondition, // 412: the event changed on the server since we read it
    Server,       // 5xx
    Protocol,     // an answer we cannot use (malformed XML, missing properties, other status)
    NoCalendar,   // discovery found no calendar that holds events
    InsecureUrl   // a password would travel in clear text (http:// to another machine)
};

struct Error {
    ErrorKind kind = ErrorKind::None;
    int httpStatus = 0; // 0 when no HTTP answer came
    QString text;       // English, names the address and what happened

    explicit operator bool() const { return kind != ErrorKind::None; }
};

// The kind an HTTP status stands for (2xx gives None).
ErrorKind kindOfStatus(int status);

} // namespace CalDav
