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
