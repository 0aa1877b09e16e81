#pragma once
// Date and Message-ID header values of outgoing mail.
#include <QDateTime>
#include <QString>

// RFC 5322 date-time with English day and month names and a numeric zone,
// whatever the user's locale: "Tue, 08 Dec 2026 14:33:10 +0100".
QString Rfc5322Date(const QDateTime& when);
// True when text already is an RFC 5322 date-time.
bool IsRfc5322Date(const QString& text);

// A new, unique "<...@domain>" Message-ID; the domain is taken from the sender
// address (a neutral one when it has none).
QString MakeMessageId(const QDateTime& when, const QString& senderAddress);
