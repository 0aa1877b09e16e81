#pragma once
// The failures of the socket transport and of the mail protocols built on it.
// Every one of them is an ENetError; the kinds a caller tells apart:
//   ESockError      the connection itself (lookup, connect, closed, socket errors)
//     EAbortError   an operation ended by Cancel (the owner's watchdog, Close)
//     ETlsError     the TLS handshake failed; the connection is closed
//   EProtocolError  the server refused: its reply with the code and its own words
//   ESecurityError  the session stopped rather than send something in clear
//   EFileError      a local file could not be read or written
// A failure the owner may repair (a host that does not resolve, a refused
// login, a message without sender) is first offered to the owner's "handled"
// event through OwnerRepairs below; only when it stays unrepaired is it thrown.
#include <QByteArray>
#include <QString>

#include <functional>
#include <stdexcept>

class ENetError : public std::runtime_error {
public:
    explicit ENetError(const QString& message) : std::runtime_error(message.toStdString()) {}
    explicit ENetError(const std::string& message) : std::runtime_error(message) {}
    explicit ENetError(const char* message) : std::runtime_error(message) {}
    QString message() const { return QString::fromStdString(what()); }
};

class ESockError : public ENetError {
public:
    using ENetError::ENetError;
};

class EAbortError : public ESockError {
public:
    using ESockError::ESockError;
};

// The TLS handshake failed (certificate, host name, protocol): the message
// names the reason; the connection has been closed.
class ETlsError : public ESockError {
public:
    using ESockError::ESockError;
};

// A server's refusal: the reply line(s) as received (the message, CR LF
// included), the number it opens with, and its text fit for one log line.
class EProtocolError : public ENetError {
public:
    explicit EProtocolError(const QByteArray& reply) : ENetError(reply.toStdString()), m_reply(reply) {}
    const QByteArray& reply() const { return m_reply; }
    // The leading number of the reply (SMTP); 0 when it has none (POP3).
    int code() const;
    // ServerWords(reply()).
    QString words() const;

private:
    QByteArray m_reply;
};

// The session stopped rather than send something in clear text: the server
// offers no STARTTLS/STLS, or a login would cross an unencrypted connection.
class ESecurityError : public ENetError {
public:
    using ENetError::ENetError;
};

// A local file (an attachment to send, a part of a received message) could
// not be opened, created or written; the message names the file.
class EFileError : public ENetError {
public:
    using ENetError::ENetError;
};

// What the server said in its own words: every line of the reply without its
// number, an enhanced status code ("5.7.0") or "+OK"/"-ERR", joined by
// blanks, control characters removed, at most 300 characters.
QString ServerWords(const QByteArray& reply);

// How a step came out after the owner's chance to repair it.
enum class TRepair {
    Done,        // the step succeeded (at once or after the repair)
    NotRepaired, // no owner, or the owner left handled false
    FailedAgain  // the owner repaired, and the second attempt failed too
};

// The owner's one chance to repair a step that failed, the rule behind every
// "handled" event of the components: `attempt` runs the step and says whether
// it succeeded; after a failure `ask` (when assigned) is called once with
// handled false; when it sets handled (having changed what failed: the host,
// the login, the sender), the step runs once more. Exceptions of `attempt`
// and `ask` go on as they are.
TRepair OwnerRepairs(const std::function<bool()>& attempt, const std::function<void(bool& handled)>& ask);

// A component's handled event as OwnerRepairs asks it: event(args..., handled);
// empty when the event is unassigned.
template <class Event, class... Args> std::function<void(bool&)> AskOwner(const Event& event, Args... args) {
    if (!event) return {};
    return [&event, args...](bool& handled) { event(args..., handled); };
}
