// qvtool window | next [N] | alerts | snooze NAME MINUTES | dismiss NAME:
// commands for the reminder program that runs in this session, through its
// interface on the session bus (org.norvo.Orbalinder). Without a running QV
// they fail with exit 1 and say so.
#include "tools/CommandLine.h"
#include "tools/Commands.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>

namespace {

const QString kService = QStringLiteral("org.norvo.Orbalinder");
const QString kPath = QStringLiteral("/org/norvo/Orbalinder");

// The program's interface, or an error told on standard error.
bool reachProgram(QDBusConnection& bus) {
    if (!bus.isConnected()) {
        printErr(QStringLiteral("qvtool: no session bus: the reminder program cannot be reached"));
        return false;
    }
    if (!bus.interface() || !bus.interface()->isServiceRegistered(kService)) {
        printErr(QStringLiteral("qvtool: the reminder program is not running in this session"));
        return false;
    }
    return true;
}

// Calls `method`; prints its list or number; exit code of the command.
int call(const QString& method, const QVariantList& arguments) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!reachProgram(bus)) return ExitCode::kFailed;
    QDBusInterface program(kService, kPath, kService, bus);
    const QDBusMessage reply = program.callWithArgumentList(QDBus::Block, method, arguments);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        printErr(QStringLiteral("qvtool: %1").arg(reply.errorMessage()));
        return ExitCode::kFailed;
    }
    const QVariant value = reply.arguments().value(0);
    if (value.metaType().id() == QMetaType::QStringList) {
        for (const QString& line : value.toStringList())
            printOut(line);
    } else if (value.metaType().id() == QMetaType::Bool && !value.toBool()) {
        return ExitCode::kFailed;
    }
    return ExitCode::kDone;
}

} // namespace

int runningProgramCommand(const QStringList& words) {
    const QString verb = words.value(0);
    struct Shape {
        const char* verb;
        const char* synopsis;
        const char* about;
        int arguments;
    };
    static const Shape kShapes[] = {
        {"window", "", "Shows the main window of the running reminder program.", 0},
        {"next", "[N]", "Lists the next N (default 10) active reminders of its open file, soonest first.",
         -1},
        {"alerts", "", "Lists the alerts on screen or snoozed: name, caption, shown|snoozed.", 0},
        {"snooze", "NAME MINUTES", "Snoozes the alert NAME for 1 to 10080 minutes.", 2},
        {"dismiss", "NAME", "Closes the alert NAME as its user would.", 1},
    };
    const Shape* shape = nullptr;
    for (const Shape& s : kShapes)
        if (verb == QLatin1String(s.verb)) shape = &s;
    if (!shape) return ExitCode::kUsage;
    CommandLine line(verb, QLatin1String(shape->synopsis),
                     QLatin1String(shape->about) +
                         QStringLiteral(" Talks to the reminder program running in this session."));
    const int wanted = shape->arguments;
    if (const auto rc = line.parse(words.mid(1), wanted < 0 ? 0 : wanted, wanted < 0 ? 1 : wanted))
        return *rc;

    if (verb == QLatin1String("window")) return call(QStringLiteral("ShowWindow"), {});
    if (verb == QLatin1String("alerts")) return call(QStringLiteral("Alerts"), {});
    if (verb == QLatin1String("dismiss")) return call(QStringLiteral("DismissAlert"), {line.argument(0)});
    if (verb == QLatin1String("next")) {
        bool ok = true;
        const uint count = line.arguments().isEmpty() ? 10u : line.argument(0).toUInt(&ok);
        if (!ok || count == 0) return line.usageError(QStringLiteral("next: N is a number from 1"));
        return call(QStringLiteral("NextReminders"), {count});
    }
    bool ok = false;
    const uint minutes = line.argument(1).toUInt(&ok);
    if (!ok || minutes == 0 || minutes > 10080)
        return line.usageError(QStringLiteral("snooze: MINUTES is a number from 1 to 10080"));
    return call(QStringLiteral("SnoozeAlert"), {line.argument(0), minutes});
}
