#pragma once
// The subcommands of qvtool. Each returns the process exit code (ExitCode:
// 0 done, 1 failed, 2 bad usage) and writes its output to stdout and its
// errors to stderr. Each parses its own words with CommandLine (so that
// "qvtool COMMAND --help" shows its usage). A new command: its own file with
// one `int xxxCommand(const QStringList& args)`, declared here and listed in
// kCommands in main.cpp.
#include <QDateTime>
#include <QStringList>

int settingsCommand(const QStringList& args);  // settings list|get NAME|set NAME VALUE
int remindersCommand(const QStringList& args); // list|due|past|advance on a reminders file
int dialupCommand(const QStringList& args);    // dialup list|add|remove (simulated phonebook)
int profilesCommand(const QStringList& args);  // profile FILE ...: the active profile and address book
int editCommand(const QStringList& args); // set FILE N [...] | remove FILE N: one reminder as the editor does
int calendarCommand(const QStringList& args); // export FILE OUT.ics | import FILE IN.ics
int syncCommand(const QStringList& args); // sync FILE --url URL ...: one two-way sync with a CalDAV calendar
int runningProgramCommand(
    const QStringList& args); // window|next|alerts|snooze|dismiss: the running QV, over the bus

// Common output helpers.
void printOut(const QString& text); // adds a line break
void printErr(const QString& text); // adds a line break

// Stored texts are Windows-1252: true (after telling which characters, for
// which option) when `value` holds a character that cannot be stored. Nothing
// is stored as '?'.
bool refusedAsUnstorable(const QString& option, const QString& value);

// --now "YYYY-MM-DD HH:MM:SS" of `args` (told on stderr when missing or bad).
// A local time that a daylight-saving change skips is taken as given.
bool parseNow(const QStringList& args, QDateTime& now);
// The display-order index of a command that appends or rewrites: in a private
// work folder removed at exit, which also holds the rewrites' work files.
QString prepareTemp();
