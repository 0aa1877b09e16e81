// qvtool list|due|past|advance: inspect and script reminders files with the
// same record, file and rule code the reminder program uses.
#include "settings/ProgramFolders.h"
#include "store/OccurrenceRules.h"
#include "store/ReminderFile.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"
#include "tools/ReminderListing.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

QString dateText(QDate d) {
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}
QString timeText(QTime t) {
    return t.toString(QStringLiteral("HH:mm:ss"));
}

QJsonObject toJson(const RegistroAviso& r) {
    QJsonArray recipients;
    for (uint8_t b : r.Destinatarios)
        if (b != 0) recipients.append(b);
    return QJsonObject{{"Estado", r.Estado},
                       {"Activo", r.Activo},
                       {"Terminado", r.Terminado},
                       {"Numero", r.Numero},
                       {"Descripcion", r.Descripcion},
                       {"FechaProx", dateText(r.fechaProx())},
                       {"HoraProx", timeText(r.horaProx())},
                       {"Repetir", r.Repetir},
                       {"Texto", r.Texto},
                       {"Sonido", r.Sonido},
                       {"Caduca", r.Caduca},
                       {"BorrarAlCaducar", r.BorrarAlCaducar},
                       {"FechaUlt", dateText(r.fechaUlt())},
                       {"PorEmail", r.PorEmail},
                       {"Destinatarios", recipients}};
}

} // namespace

bool parseNow(const QStringList& args, QDateTime& now) {
    const int i = args.indexOf(QStringLiteral("--now"));
    if (i < 0 || i + 1 >= args.size()) {
        printErr(QStringLiteral("qvtool: --now \"YYYY-MM-DD HH:MM:SS\" is required"));
        return false;
    }
    // The rules read only the wall-clock date and time, so a local time that a
    // daylight-saving change skips (02:30 on a spring-forward day) is as good as
    // any: it is kept as given, in a time scale without such gaps.
    const QStringList parts = args[i + 1].split(QLatin1Char(' '));
    const QDate date = QDate::fromString(parts.value(0), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(parts.value(1), QStringLiteral("HH:mm:ss"));
    const bool wellFormed = parts.size() == 2 && date.isValid() && time.isValid();
    now = wellFormed ? QDateTime(date, time) : QDateTime();
    if (wellFormed && (!now.isValid() || now.time() != time)) now = QDateTime(date, time, Qt::UTC);
    if (!now.isValid()) {
        printErr(
            QStringLiteral("qvtool: bad date and time: %1 (expected YYYY-MM-DD HH:MM:SS)").arg(args[i + 1]));
        return false;
    }
    return true;
}

// The index goes to a private folder that is removed when the command ends.
// (The work file of a rewrite lies beside the reminders file, hidden, and
// takes its place in one rename.)
QString prepareTemp() {
    static QTemporaryDir work;
    if (!work.isValid())
        throw ReminderFileError("Cannot create a work folder: " + work.errorString().toStdString());
    ProgramFolders::global().dirTemp = work.path() + QLatin1Char('/');
    return ProgramFolders::global().dirTemp + QStringLiteral("QVMsgs.IDX");
}

namespace {

// What is wrong with a file that can still be used, told before it is used.
void warnAboutFile(const QString& file) {
    const QString problem = DiagnosticoArchivo(file);
    if (!problem.isEmpty()) printErr(QStringLiteral("qvtool: warning: ") + problem);
}

bool parseNow(const CommandLine& line, QDateTime& now) {
    return ::parseNow(QStringList{QStringLiteral("--now"), line.value(QStringLiteral("now"))}, now);
}

// qvtool add FILE --desc D --date YYYY-MM-DD --time HH:MM [--repeat CODE] [--text T]
//                 [--sound PATH] [--expires YYYY-MM-DD [--delete]] [--recipients 1,2,...] [--off]
int addCommand(const CommandLine& line) {
    const QString file = line.argument(0);
    const QDate date = QDate::fromString(line.value("date"), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(line.value("time"), QStringLiteral("HH:mm"));
    bool ok = true;
    const int repeat = line.value("repeat").toInt(&ok);
    if (line.value("desc").isEmpty() || !date.isValid() || !time.isValid() || !ok || repeat < 0 ||
        repeat > 254 || repeat == 2 || repeat == 127)
        return line.usageError(
            QStringLiteral("add needs --desc, a valid --date and --time, and a valid --repeat"));
    for (const char* o : {"desc", "text", "sound"})
        if (refusedAsUnstorable(QStringLiteral("--") + QLatin1String(o), line.value(QLatin1String(o))))
            return ExitCode::kUsage;
    RegistroAviso r = RegistroAviso::nuevo(QDateTime(date, time));
    r.Descripcion = line.value("desc");
    r.Texto = line.value("text").replace(QStringLiteral("\\n"), QStringLiteral("\r\n"));
    r.Sonido = line.value("sound");
    r.Repetir = static_cast<uint8_t>(repeat);
    r.setHoraProx(time);
    r.Activo = !line.isSet("off");
    const QString expires = line.value("expires");
    if (!expires.isEmpty()) {
        const QDate last = QDate::fromString(expires, QStringLiteral("yyyy-MM-dd"));
        if (!last.isValid()) {
            printErr(QStringLiteral("qvtool: bad --expires date: %1").arg(expires));
            return ExitCode::kUsage;
        }
        r.Caduca = true;
        r.setFechaUlt(last);
        r.BorrarAlCaducar = line.isSet("delete");
    }
    int slot = 0;
    for (const QString& n : line.value("recipients").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int k = n.toInt(&ok);
        if (!ok || k < 1 || k > 255 || slot >= 255) {
            printErr(QStringLiteral("qvtool: bad recipient number: %1").arg(n));
            return ExitCode::kUsage;
        }
        r.Destinatarios[slot++] = static_cast<uint8_t>(k);
        r.PorEmail = true;
    }
    if (!QFileInfo::exists(file)) CrearArchivoAvisos(file);
    warnAboutFile(file);
    const QString index = prepareTemp();
    if (!QFileInfo::exists(index)) CrearIndice(index, ContarAvisos(file));
    const int number = AnadirAviso(file, index, r);
    if (number == 0) {
        printErr(QStringLiteral("qvtool: the file already holds 65535 reminders"));
        return ExitCode::kFailed;
    }
    printOut(QString::number(number));
    return ExitCode::kDone;
}

// Every whole record of the file (at most the 65535 a file holds), read in
// chunks under the file's lock: a huge file costs no more memory than a full one.
template <typename Each> void forEachRecord(const QString& file, Each each) {
    ReminderFileCursor cursor(file, QIODevice::ReadOnly);
    while (cursor.next())
        each(cursor.read());
}

void declare(CommandLine& line, const QString& command) {
    const QString now = QStringLiteral("now");
    if (command == QLatin1String("list")) {
        line.argument(QStringLiteral("FILE"), QStringLiteral("the reminders file"));
        line.option(QStringLiteral("json"), {}, QStringLiteral("every field of every reminder, as JSON"));
    } else if (command == QLatin1String("due") || command == QLatin1String("past")) {
        line.argument(QStringLiteral("FILE"), QStringLiteral("the reminders file"));
        line.option(now, QStringLiteral("YYYY-MM-DD HH:MM:SS"), QStringLiteral("the moment (required)"));
    } else if (command == QLatin1String("advance")) {
        line.argument(QStringLiteral("FILE"), QStringLiteral("the reminders file"));
        line.argument(QStringLiteral("N"), QStringLiteral("the reminder's number"));
        line.option(now, QStringLiteral("YYYY-MM-DD HH:MM:SS"), QStringLiteral("the moment (required)"));
        line.option(QStringLiteral("working-days"), QStringLiteral("K"),
                    QStringLiteral("1 Monday to Friday, 2 Monday to Saturday"), QStringLiteral("1"));
    } else {
        line.argument(QStringLiteral("FILE"), QStringLiteral("the reminders file (made when missing)"));
        line.option(QStringLiteral("desc"), QStringLiteral("D"),
                    QStringLiteral("description, up to 30 characters"));
        line.option(QStringLiteral("date"), QStringLiteral("YYYY-MM-DD"),
                    QStringLiteral("next occurrence's date"));
        line.option(QStringLiteral("time"), QStringLiteral("HH:MM"),
                    QStringLiteral("next occurrence's time"));
        line.option(
            QStringLiteral("repeat"), QStringLiteral("CODE"),
            QStringLiteral("0 once, 1 hourly, 3 daily, 4 working days, 5 weekly, 6 monthly, 7 yearly, "
                           "127 + weekday mask"),
            QStringLiteral("0"));
        line.option(QStringLiteral("text"), QStringLiteral("T"),
                    QStringLiteral("pop-up text (\\n: a line break)"));
        line.option(QStringLiteral("sound"), QStringLiteral("PATH"), QStringLiteral("sound file"));
        line.option(QStringLiteral("expires"), QStringLiteral("YYYY-MM-DD"), QStringLiteral("last day"));
        line.option(QStringLiteral("delete"), {}, QStringLiteral("removed when it expires"));
        line.option(QStringLiteral("recipients"), QStringLiteral("1,2,..."),
                    QStringLiteral("address-book entries"));
        line.option(QStringLiteral("off"), {}, QStringLiteral("switched off"));
    }
}

QString synopsis(const QString& command) {
    if (command == QLatin1String("list")) return QStringLiteral("FILE [--json]");
    if (command == QLatin1String("due") || command == QLatin1String("past"))
        return QStringLiteral("FILE --now \"YYYY-MM-DD HH:MM:SS\"");
    if (command == QLatin1String("advance"))
        return QStringLiteral("FILE N --now \"YYYY-MM-DD HH:MM:SS\" [--working-days K]");
    return QStringLiteral(
        "FILE --desc D --date YYYY-MM-DD --time HH:MM [--repeat CODE] [--text T] [--sound PATH] "
        "[--expires YYYY-MM-DD [--delete]] [--recipients 1,2,...] [--off]");
}

} // namespace

int remindersCommand(const QStringList& args) {
    const QString command = args.value(0);
    CommandLine line(command, synopsis(command), QStringLiteral("Reads or changes a reminders file."));
    declare(line, command);
    const int wanted = command == QLatin1String("advance") ? 2 : 1;
    if (const auto rc = line.parse(args.mid(1), wanted, wanted)) return *rc;
    const QString file = line.argument(0);
    try {
        if (command == QLatin1String("add")) return addCommand(line);
        if (!QFileInfo::exists(file)) {
            printErr(QStringLiteral("qvtool: %1: no such file").arg(file));
            return ExitCode::kFailed;
        }
        if (command != QLatin1String("list") && !line.isSet(QStringLiteral("now")))
            return line.usageError(QStringLiteral("--now \"YYYY-MM-DD HH:MM:SS\" is required"));
        warnAboutFile(file);
        if (command == QLatin1String("list")) {
            if (line.isSet(QStringLiteral("json"))) {
                QJsonArray all;
                forEachRecord(file, [&](const RegistroAviso& r) { all.append(toJson(r)); });
                printOut(QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Indented)).trimmed());
            } else {
                ReminderListing out(stdout);
                ReminderFileCursor cursor(file, QIODevice::ReadOnly);
                while (cursor.next())
                    out.add(cursor.raw());
            }
            return ExitCode::kDone;
        }
        QDateTime now;
        if (!parseNow(line, now)) return ExitCode::kUsage;
        if (command == QLatin1String("due") || command == QLatin1String("past")) {
            const bool due = command == QLatin1String("due");
            forEachRecord(file, [&](const RegistroAviso& r) {
                if (due ? EsDebido(r, now) : EsPasado(r, now)) printOut(QString::number(r.Numero));
            });
            return ExitCode::kDone;
        }
        bool numberOk = false, ok = false;
        const int n = line.argument(1).toInt(&numberOk);
        const int workingDays = line.value(QStringLiteral("working-days")).toInt(&ok);
        if (!ok) {
            printErr(QStringLiteral("qvtool: bad --working-days value: %1").arg(line.value("working-days")));
            return ExitCode::kUsage;
        }
        // Read, advance, write back and compact as one step for other programs.
        const ReminderFileLock lock(file);
        const int count = ContarAvisos(file);
        if (!numberOk || n < 1 || n > count) {
            printErr(QStringLiteral("qvtool: bad reminder number: %1 (the file holds %2)")
                         .arg(line.argument(1))
                         .arg(count));
            return ExitCode::kUsage;
        }
        RegistroAviso r = LeerAviso(file, n);
        const bool remove = AvanzarAviso(r, now, workingDays);
        EscribirAviso(file, n, r);
        if (remove && !CompactarAvisos(file, prepareTemp())) {
            printErr(QStringLiteral("qvtool: the file could not be compacted"));
            return ExitCode::kFailed;
        }
        printOut(remove ? QStringLiteral("removed") : QStringLiteral("kept"));
        return ExitCode::kDone;
    } catch (const ReminderFileError& e) {
        printErr(QStringLiteral("qvtool: ") + QString::fromUtf8(e.what()));
        return ExitCode::kFailed;
    }
}
