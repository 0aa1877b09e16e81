#pragma once
// Exceptions of the socket transport: ESockError for every socket failure,
// EAbortError for an operation ended by Cancel. Both carry only a message.
#include <QString>

#include <stdexcept>

class ESockError : public std::runtime_error {
public:
    explicit ESockError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
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

// The session stopped rather than send something in clear text: the server
// offers no STARTTLS/STLS, or a login would cross an unencrypted connection.
class ESecurityError : public std::runtime_error {
public:
    explicit ESecurityError(const QString& message) : std::runtime_error(message.toStdString()) {}
};
