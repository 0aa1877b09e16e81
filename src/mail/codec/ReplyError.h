#pragma once
// A server's refusal, as the protocol clients raise it: the reply line(s) as
// received, the number it opens with, and its text fit for one log line.
#include <QByteArray>
#include <QString>

#include <stdexcept>

class EReplyError : public std::runtime_error {
public:
    explicit EReplyError(const QByteArray& reply) : std::runtime_error(reply.toStdString()), m_reply(reply) {}
    const QByteArray& reply() const { return m_reply; }
    // The leading number of the reply (SMTP); 0 when it has none (POP3).
    int code() const;
    // ServerWords(reply()).
    QString words() const;

private:
    QByteArray m_reply;
};

// What the server said in its own words: every line of the reply without its
// number, an enhanced status code ("5.7.0") or "+OK"/"-ERR", joined by
// blanks, control characters removed, at most 300 characters.
QString ServerWords(const QByteArray& reply);
