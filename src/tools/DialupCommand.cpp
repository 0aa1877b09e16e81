// qvtool dialup: list, add and remove entries of the simulated phonebook.
#include "tools/Commands.h"

#include "platform/dialup/SimulatedPhonebook.h"

using dialup::SimulatedEntry;
using dialup::SimulatedPhonebook;

namespace {

int usage() {
    printErr(QStringLiteral("usage: qvtool dialup list\n"
                            "       qvtool dialup add NAME [--user U] [--password P] [--outcome CODE]\n"
                            "                         [--states S1,S2,...] [--keep-handle] [--hangup-polls N]\n"
                            "       qvtool dialup remove NAME"));
    return 2;
}

bool parseAdd(const QStringList& args, SimulatedEntry& e) {
    e.name = args.value(1);
    for (int i = 2; i < args.size(); ++i) {
        const QString opt = args[i];
        if (opt == QLatin1String("--keep-handle")) {
            e.keepsHandleOnFailure = true;
            continue;
        }
        if (i + 1 >= args.size())
            return false;
        const QString v = args[++i];
        bool ok = true;
        if (opt == QLatin1String("--user")) {
            e.userName = v;
        } else if (opt == QLatin1String("--password")) {
            e.password = v;
            e.passwordSaved = true;
        } else if (opt == QLatin1String("--outcome")) {
            e.outcome = v.toUInt(&ok);
        } else if (opt == QLatin1String("--hangup-polls")) {
            e.hangUpPolls = v.toInt(&ok);
        } else if (opt == QLatin1String("--states")) {
            e.states.clear();
            for (const QString& s : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                e.states << s.toUInt(&ok);
                if (!ok)
                    break;
            }
        } else {
            return false;
        }
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

int dialupCommand(const QStringList& args) {
    SimulatedPhonebook book(SimulatedPhonebook::defaultPath());
    const QString verb = args.value(0);
    if (verb == QLatin1String("list") && args.size() == 1) {
        for (const SimulatedEntry& e : book.load())
            printOut(e.name);
        return 0;
    }
    if (verb == QLatin1String("add") && args.size() >= 2) {
        SimulatedEntry e;
        if (!parseAdd(args, e))
            return usage();
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
    return usage();
}
