// qvtool: command-line access to the reminder program's settings, reminders
// files and simulated dial-up phonebook, for scripts and tests.
#include "tools/Commands.h"

#include "core/Cp1252.h"

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

static int usage() {
    printErr("usage: qvtool settings list | settings get NAME | settings set NAME VALUE\n"
             "       qvtool list FILE [--json]\n"
             "       qvtool due FILE --now \"YYYY-MM-DD HH:MM:SS\"\n"
             "       qvtool past FILE --now \"YYYY-MM-DD HH:MM:SS\"\n"
             "       qvtool advance FILE N --now \"YYYY-MM-DD HH:MM:SS\" [--working-days K]\n"
             "       qvtool add FILE --desc D --date YYYY-MM-DD --time HH:MM [--repeat CODE] [--text T] ...\n"
             "       qvtool set FILE N [--desc D] [--text T] [--date YYYY-MM-DD] [--time HH:MM] [--repeat CODE] "
             "[--on|--off]\n"
             "       qvtool remove FILE N\n"
             "       qvtool export FILE OUT.ics | import FILE IN.ics [--now \"YYYY-MM-DD HH:MM:SS\"] [--all-day-time HH:MM]\n"
             "       qvtool sync FILE --url URL --user U --password - [--ca-file F] [--calendar NAME]\n"
             "       qvtool profile QV.PFL --name N --email E --smtp H[:P] --pop3 H[:P] --login L --password P [--address A ...]\n"
             "         [--smtp-security none|starttls|tls] [--pop3-security none|stls|tls] [--smtp-password P]\n"
             "         [--ca-file FILE] [--allow-plain]\n"
             "       qvtool dialup list | dialup add NAME [options] | dialup remove NAME");
    return 2;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage();
    const QString command = args.takeFirst();
    if (command == "settings") return settingsCommand(args);
    if (command == "dialup") return dialupCommand(args);
    if (command == "profile") return profilesCommand(args);
    if (command == "set" || command == "remove") return editCommand(QStringList{command} + args);
    if (command == "export" || command == "import") return calendarCommand(QStringList{command} + args);
#ifdef ORB_CON_SYNC
    if (command == "sync") return syncCommand(QStringList{command} + args);
#endif
    if (command == "list" || command == "due" || command == "past" || command == "advance" || command == "add")
        return remindersCommand(QStringList{command} + args);
    return usage();
}
