// qvtool sync FILE --url URL --user U --password - [--ca-file F] [--calendar NAME]:
// one two-way sync of a reminders file with a CalDAV calendar, for scripts.
#include "caldav/CalDavClient.h"
#include "calendar/CalendarFiles.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"
#include "sync/CalendarSync.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

// The calendar to use: the one named, else the one the file was synced with, else the first found.
bool chooseCalendar(CalDav::Client& client, const QString& wanted, const QUrl& before, QUrl& chosen) {
    QList<CalDav::CalendarInfo> found;
    if (!client.discover(found)) return false;
    for (const CalDav::CalendarInfo& c : found)
        if (!wanted.isEmpty() ? (c.displayName == wanted || c.url.toString() == wanted) : c.url == before) {
            chosen = c.url;
            return true;
        }
    if (!wanted.isEmpty()) {
        QStringList names;
        for (const CalDav::CalendarInfo& c : found)
            names << c.displayName;
        printErr(QStringLiteral("qvtool: no calendar called %1 (found: %2)").arg(wanted, names.join(", ")));
        return false;
    }
    chosen = found.first().url;
    return true;
}

} // namespace

int syncCommand(const QStringList& args) {
    CommandLine p(QStringLiteral("sync"),
                  QStringLiteral("FILE --url URL --user U --password - [--ca-file F] [--calendar NAME]"),
                  QStringLiteral("One two-way sync of a reminders file with a CalDAV calendar; the password "
                                 "is the first line of standard input."));
    p.argument(QStringLiteral("FILE"), QStringLiteral("the reminders file"));
    p.option("url", "URL", "the server's address (the calendar is found from it)");
    p.option("user", "U", "the account's user name");
    p.option("password", "-", "- : read the password from standard input");
    p.option("ca-file", "F", "a PEM file of certificates to trust besides the system's");
    p.option("calendar", "NAME",
             "the calendar to use (name or address); default: the one used before, "
             "else the first");
    if (const auto rc = p.parse(args.mid(1), 1, 1)) return *rc;
    if (!p.isSet("url") || !p.isSet("user"))
        return p.usageError(QStringLiteral("sync: --url and --user are needed"));
    if (p.value("password") != QLatin1String("-"))
        return p.usageError(QStringLiteral("sync: the password comes from standard input (--password -)"));
    const QString file = p.argument(0);
    if (!QFileInfo::exists(file)) {
        printErr(QStringLiteral("qvtool: %1: no such file").arg(file));
        return 1;
    }
    QTextStream in(stdin);
    const QString secret = in.readLine();

    CalDav::Client client({QUrl(p.value("url")), p.value("user"), secret, p.value("ca-file")});
    QTemporaryDir work; // the index of this run
    if (!work.isValid()) {
        printErr(QStringLiteral("qvtool: cannot create a work folder: %1").arg(work.errorString()));
        return 1;
    }
    ProgramFolders::global().dirTemp = work.path() + QLatin1Char('/');
    const QString index = ProgramFolders::global().dirTemp + QStringLiteral("QVMsgs.IDX");
    try {
        CrearIndice(index, ContarAvisos(file));
        // What changed here first, so that a sync that cannot reach the server still notes when.
        const SyncSnapshot snapshot = SnapshotForSync(file);
        QUrl chosen;
        if (!chooseCalendar(client, p.value("calendar"), snapshot.links.calendar, chosen)) {
            if (client.lastError()) printErr(QStringLiteral("qvtool: ") + client.lastError().text);
            return 1;
        }
        const SyncExchange exchange = ExchangeWithServer(
            snapshot, client, chosen, CurrentCalendarSettings(ProgramFolders::global().dirPrograma));
        const SyncOutcome out = ApplyExchange(snapshot, exchange, chosen, index, client.account());
        for (const SyncNote& n : out.notes)
            printOut(SyncNoteText(n));
        printOut(QStringLiteral("%1: sent %2, deleted there %3; here added %4, changed %5, removed %6")
                     .arg(chosen.toDisplayString())
                     .arg(out.sent)
                     .arg(out.deletedThere)
                     .arg(out.added)
                     .arg(out.updated)
                     .arg(out.removed));
        if (out.preconditionFailed > 0)
            printOut(QStringLiteral("%1 event(s) changed on the server meanwhile: the next sync takes them")
                         .arg(out.preconditionFailed));
        if (out.error) {
            printErr(QStringLiteral("qvtool: ") + out.error.text + QStringLiteral(" (nothing changed here)"));
            return 1;
        }
        if (!out.fileProblem.isEmpty()) {
            printErr(QStringLiteral("qvtool: ") + out.fileProblem);
            return 1;
        }
    } catch (const ReminderFileError& e) {
        printErr(QStringLiteral("qvtool: ") + QString::fromUtf8(e.what()));
        return 1;
    }
    return 0;
}
