// qvtool dialup: list, add and remove entries of the simulated phonebook.
#include "tools/CommandLine.h"
#include "tools/Commands.h"

#include "platform/dialup/SimulatedPhonebook.h"

using dialup::SimulatedEntry;
using dialup::SimulatedPhonebook;

namespace {

bool parseAdd(const CommandLine& line, SimulatedEntry& e) {
    e.name = line.argument(1);
    e.keepsHandleOnFailure = line.isSet("keep-handle");
    bool ok = true;
    if (line.isSet("user")) e.userName = line.value("user");
    if (line.isSet("password")) {
        const std::optional<QString> secret = secretValue(line.value("password"));
        if (!secret) return false;
        e.password = *secret;
        e.passwordSaved = true;
    }
    if (line.isSet("outcome")) e.outcome = line.value("outcome").toUInt(&ok);
    if (ok && line.isSet("hangup-polls")) e.hangUpPolls = line.value("hangup-polls").toInt(&ok);
    if (ok && line.isSet("states")) {
        e.states.clear();
        for (const QString& s : line.value("states").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            e.states << s.toUInt(&ok);
            if (!ok) break;
        }
    }
    return ok;
}

} // namespace

int dialupCommand(const QStringList& words) {
    CommandLine line(
        QStringLiteral("dialup"),
        QStringLiteral("list | add NAME [--user U] [--password P|-] [--outcome CODE] [--states S1,S2,...] "
                       "[--keep-handle] [--hangup-polls N] | remove NAME"),
        QStringLiteral("Lists, adds and removes entries of the simulated dial-up phonebook."));
    line.argument(QStringLiteral("list|add|remove"), QStringLiteral("what to do"));
    line.option("user", "U", "the entry's user name");
    line.option("password", "P", "the entry's saved password; - reads it from standard input");
    line.option("outcome", "CODE", "the error number a dial ends with (0 connects)");
    line.option("states", "S1,S2,...", "the connection states a dial passes through");
    line.option("keep-handle", {}, "a failed dial keeps its handle");
    line.option("hangup-polls", "N", "polls until a hang-up completes");
    if (const auto rc = line.parse(words, 1, 2)) return *rc;
    const QStringList args = line.arguments();
    SimulatedPhonebook book(SimulatedPhonebook::defaultPath());
    const QString verb = args.value(0);
    if (verb == QLatin1String("list") && args.size() == 1) {
        for (const SimulatedEntry& e : book.load())
            printOut(e.name);
        return 0;
    }
    if (verb == QLatin1String("add") && args.size() >= 2) {
        SimulatedEntry e;
        if (!parseAdd(line, e)) return line.usageError(QStringLiteral("dialup add: bad option value"));
        if (book.validateEntryName(e.name) == dialup::kErrorInvalidName) {
            printErr(QStringLiteral("qvtool: not a valid entry name: %1").arg(e.name));
            return 1;
        }
        if (!book.put(e)) {
            printErr(QStringLiteral("qvtool: cannot write %1").arg(SimulatedPhonebook::defaultPath()));
            return 1;
        }
        return 0;
    }
    if (verb == QLatin1String("remove") && args.size() == 2) {
        if (!book.remove(args[1])) {
            printErr(QStringLiteral("qvtool: no entry named %1").arg(args[1]));
            return 1;
        }
        return 0;
    }
    return line.usageError(QStringLiteral("dialup: expected list, add NAME or remove NAME"));
}
