#pragma once
// The subcommands of qvtool. Each returns the process exit code and writes its
// output to stdout and its errors to stderr.
#include <QStringList>

int settingsCommand(const QStringList& args);  // settings list|get NAME|set NAME VALUE
int remindersCommand(const QStringList& args); // list|due|past|advance on a reminders file
int dialupCommand(const QStringList& args);    // dialup list|add|remove (simulated phonebook)
int profilesCommand(const QStringList& args);
int editCommand(const QStringList& args); // set FILE N [...] | remove FILE N: one reminder as the editor does
                                          // // profile FILE ...: the active profile and address book

// Common output helpers.
void printOut(const QString& text); // adds a line break
void printErr(const QString& text); // adds a line break

// Stored texts are Windows-1252: true (after telling which characters, for
// which option) when `value` holds a character that cannot be stored. Nothing
// is stored as '?'.
bool refusedAsUnstorable(const QString& option, const QString& value);
