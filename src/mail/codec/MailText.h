#pragma once
// Small text helpers shared by the mail protocol clients.
#include <QChar>
#include <QString>
#include <QStringList>

// Field n (1-based) of text split at every delimiter character; "" beyond the end.
QString NthField(const QString& text, QChar delimiter, int n);
// The mailbox of a recipient entry: "Name <a@b>", "a@b" or "prefix:a@b".
QString ExtractAddress(const QString& entry);
// The recipients one entry names: split at every "," or ";" that is not
// inside quotes, angle brackets or a comment, each trimmed, empty ones
// dropped ("Bob <bob@x>, carol@y" gives two; "\"Doe, Jo\" <j@x>" one).
QStringList SplitRecipients(const QString& entry);
// True when address can stand alone between "<" and ">" in a command: 1 to 254
// bytes (UTF-8), no blank, no "<" or ">", no control character. What a
// recipient entry or a sender gives must pass before it goes to a server.
bool IsPlainAddress(const QString& address);
// True when text holds a CR, LF or NUL character (it cannot go into one line).
bool HasLineBreak(const QString& text);
// text with every CR, LF and NUL replaced by a blank, so it stays one line.
QString OneLine(const QString& text);
