// qvtool set|remove: change or delete one reminder as the editor and the
// main window's delete command do, through the reminders-file routines.
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

bool badCode(int code) {
    return code < 0 || code > 254 || code == 2 || code == 127;
}

// The reminder number argument: 1..count, or a message and false.
bool reminderNumber(const QString& file, const QString& text, int& n) {
    bool ok = false;
    n = text.toInt(&ok);
    const int count = ContarAvisos(file);
    if (!ok || n < 1 || n > count) {
        printErr(QStringLiteral("qvtool: bad reminder number: %1 (the file holds %2)").arg(text).arg(count));
        return false;
    }
    return true;
}

bool existingFile(const QString& file) {
    if (QFileInfo::exists(file)) return true;
    printErr(QStringLiteral("qvtool: %1: no such file").arg(file));
    return false;
}

// qvtool set FILE N [--desc D] [--text T] [--date YYYY-MM-DD] [--time HH:MM] [--repeat CODE] [--on|--off]
// Saving from the editor makes a reminder live, active and unfinished; --off saves it switched off.
int setReminder(const QStringList& args) {
    CommandLine p(QStringLiteral("set"),
                  QStringLiteral("FILE N [--desc D] [--text T] [--date YYYY-MM-DD] [--time HH:MM] "
                                 "[--repeat CODE] [--on|--off]"),
                  QStringLiteral("Changes one reminder as the editor saves it."));
    p.argument(QStringLiteral("FILE"), QStringLiteral("the reminders file"));
    p.argument(QStringLiteral("N"), QStringLiteral("the reminder's number"));
    const QString desc = QStringLiteral("desc"), text = QStringLiteral("text"), date = QStringLiteral("date"),
                  time = QStringLiteral("time"), repeat = QStringLiteral("repeat"), on = QStringLiteral("on"),
                  off = QStringLiteral("off");
    p.option(desc, QStringLiteral("D"), QStringLiteral("description, up to 30 characters"));
    p.option(text, QStringLiteral("T"), QStringLiteral("pop-up text (\\n: a line break)"));
    p.option(date, QStringLiteral("YYYY-MM-DD"), QStringLiteral("next occurrence's date"));
    p.option(time, QStringLiteral("HH:MM"), QStringLiteral("next occurrence's time"));
    p.option(repeat, QStringLiteral("CODE"), QStringLiteral("repetition code"));
    p.option(on, {}, QStringLiteral("switched on (the default)"));
    p.option(off, {}, QStringLiteral("switched off"));
    if (const auto rc = p.parse(args.mid(1), 2, 2)) return *rc;
    if (p.isSet(on) && p.isSet(off)) return p.usageError(QStringLiteral("--on and --off exclude each other"));
    const QString file = p.argument(0);
    if (!existingFile(file)) return 1;
    // Read, change and write back as one step for other programs.
    const ReminderFileLock lock(file);
    int n = 0;
    if (!reminderNumber(file, p.argument(1), n)) return 2;
    RegistroAviso r = LeerAviso(file, n);
    if (p.isSet(desc)) {
        if (p.value(desc).trimmed().isEmpty()) {
            printErr(QStringLiteral("qvtool: a reminder needs a description"));
            return 2;
        }
        if (refusedAsUnstorable(QStringLiteral("--desc"), p.value(desc))) return 2;
        r.Descripcion = p.value(desc);
    }
    if (p.isSet(text)) {
        if (refusedAsUnstorable(QStringLiteral("--text"), p.value(text))) return 2;
        r.Texto = p.value(text).replace(QStringLiteral("\\n"), QStringLiteral("\r\n"));
    }
    if (p.isSet(date)) {
        const QDate d = QDate::fromString(p.value(date), QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid()) {
            printErr(QStringLiteral("qvtool: bad --date: %1 (expected YYYY-MM-DD)").arg(p.value(date)));
            return 2;
        }
        if (d != r.fechaProx()) r.DiaElegido = 0; // a new date is the new chosen day, as in the editor
        r.setFechaProx(d);
    }
    if (p.isSet(time)) {
        const QTime t = QTime::fromString(p.value(time), QStringLiteral("HH:mm"));
        if (!t.isValid()) {
            printErr(QStringLiteral("qvtool: bad --time: %1 (expected HH:MM)").arg(p.value(time)));
            return 2;
        }
        r.setHoraProx(t);
    }
    if (p.isSet(repeat)) {
        bool ok = false;
        const int code = p.value(repeat).toInt(&ok);
        if (!ok || badCode(code)) {
            printErr(QStringLiteral("qvtool: bad --repeat code: %1").arg(p.value(repeat)));
            return 2;
        }
        r.Repetir = static_cast<uint8_t>(code);
    }
    r.Estado = 2;
    r.Terminado = false;
    r.Activo = !p.isSet(off);
    EscribirAviso(file, n, r);
    return 0;
}

// qvtool remove FILE N: the reminder goes, the later ones move up one number.
int removeReminder(const QStringList& args) {
    CommandLine p(QStringLiteral("remove"), QStringLiteral("FILE N"),
                  QStringLiteral("Deletes one reminder; the later ones move up one number."));
    p.argument(QStringLiteral("FILE"), QStringLiteral("the reminders file"));
    p.argument(QStringLiteral("N"), QStringLiteral("the reminder's number"));
    if (const auto rc = p.parse(args.mid(1), 2, 2)) return *rc;
    const QString file = p.argument(0);
    if (!existingFile(file)) return 1;
    const ReminderFileLock lock(file);
    int n = 0;
    if (!reminderNumber(file, p.argument(1), n)) return 2;
    // The index of this run lives in a private folder removed at the end.
    QTemporaryDir work;
    if (!work.isValid()) {
        printErr(QStringLiteral("qvtool: cannot create a work folder: %1").arg(work.errorString()));
        return 1;
    }
    ProgramFolders::global().dirTemp = work.path() + QLatin1Char('/');
    const QString index = ProgramFolders::global().dirTemp + QStringLiteral("QVMsgs.IDX");
    CrearIndice(index, ContarAvisos(file));
    if (!EliminarAviso(file, index, n)) {
        printErr(
            QStringLiteral("qvtool: %1: the reminder could not be removed; the file is unchanged").arg(file));
        return 1;
    }
    return 0;
}

} // namespace

int editCommand(const QStringList& args) {
    try {
        return args.value(0) == QLatin1String("set") ? setReminder(args) : removeReminder(args);
    } catch (const ReminderFileError& e) {
        printErr(QStringLiteral("qvtool: ") + QString::fromUtf8(e.what()));
        return 1;
    }
}
