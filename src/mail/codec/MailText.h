#pragma once
// Small text helpers shared by the mail protocol clients.
#include <QChar>
#include <QString>

// Field n (1-based) of text split at every delimiter character; "" beyond the end.
QString NthField(const QString& text, QChar delimiter, int n);
// The mailbox of a recipient entry: "Name <a@b>", "a@b" or "prefix:a@b".
QString ExtractAddress(const QString& entry);
// True when text holds a CR, LF or NUL character (it cannot go into one line).
bool HasLineBreak(const QString& text);
// text with every CR, LF and NUL replaced by a blank, so it stays one line.
QString OneLine(const QString& text);
