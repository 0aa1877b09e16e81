// qvtool: command-line access to the reminder program's settings, reminders
// files and simulated dial-up phonebook, for scripts and tests.
#include "tools/Commands.h"

#include "core/Cp1252.h"
#include "core/StandardOptions.h"
#include "tools/CommandLine.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

void printOut(const QString& text) {
    QTextStream out(stdout);
    out << text << '\n';
}

void printErr(const QString& text) {
    QTextStream err(stderr);
    err << text << '\n';
}

bool refusedAsUnstorable(const QString& option, const QString& value) {
    const QString bad = Cp1252::unrepresentable(value);
    if (bad.isEmpty()) return false;
    printErr(QStringLiteral("qvtool: %1 holds characters that cannot be stored (Windows-1252): %2")
                 .arg(option, bad));
    return true;
}

namespace {

// The commands: name, what runs it, whether it gets its own name as the first
// word (one routine behind several commands), one line for the overview.
struct Command {
    const char* name;
    int (*run)(const QStringList& args);
    bool named;
    const char* summary;
};

const Command kCommands[] = {
    {"settings", settingsCommand, false, "list, read and write the reminder program's settings"},
    {"list", remindersCommand, true, "the reminders of a file"},
    {"due", remindersCommand, true, "the reminders due at a moment"},
    {"past", remindersCommand, true, "the reminders past at a moment"},
    {"advance", remindersCommand, true, "move a reminder to its next occurrence"},
    {"add", remindersCommand, true, "add a reminder to a file"},
    {"set", editCommand, true, "change fields of one reminder"},
    {"remove", editCommand, true, "delete one reminder"},
    {"export", calendarCommand, true, "write a reminders file as an iCalendar file"},
    {"import", calendarCommand, true, "add the events of an iCalendar file to a reminders file"},
#ifdef ORB_CON_SYNC
    {"sync", syncCommand, true, "one two-way sync of a reminders file with a CalDAV calendar"},
#endif
    {"window", runningProgramCommand, true, "show the running reminder program's window"},
    {"next", runningProgramCommand, true, "the next reminders of the running program's file"},
    {"alerts", runningProgramCommand, true, "the running program's alerts"},
    {"snooze", runningProgramCommand, true, "snooze one of the running program's alerts"},
    {"dismiss", runningProgramCommand, true, "close one of the running program's alerts"},
    {"profile", profilesCommand, false, "write the active profile and the address book of a profiles file"},
    {"dialup", dialupCommand, false, "the simulated dial-up phonebook"},
};

QString overview() {
    QString text =
        QStringLiteral("usage: qvtool COMMAND [ARGUMENTS]\n"
                       "Command-line companion of the reminder program, for scripts.\n\nCommands:\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1 %2\n").arg(QLatin1String(c.name), -10).arg(QLatin1String(c.summary));
    text += QStringLiteral(
        "\n\"qvtool COMMAND --help\" shows a command's usage.\n"
        "Exit status: 0 done, 1 failed, 2 bad usage.\n\n"
        "Options:\n  -h, --help  show this help and exit\n  --version   show the version and exit");
    return text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(ProgramVersion()));
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        printErr(overview());
        return ExitCode::kUsage;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        printOut(overview());
        return ExitCode::kDone;
    }
    if (command == QLatin1String("--version")) {
        printOut(QStringLiteral("qvtool ") + QCoreApplication::applicationVersion());
        return ExitCode::kDone;
    }
    for (const Command& c : kCommands)
        if (command == QLatin1String(c.name)) return c.run(c.named ? QStringList{command} + args : args);
    printErr(QStringLiteral("qvtool: unknown command %1").arg(command));
    printErr(overview());
    return ExitCode::kUsage;
}
