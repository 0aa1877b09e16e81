// qvtool list|due|past|advance: inspect and script reminders files with the
// same record, file and rule code the reminder program uses.
#include "settings/ProgramFolders.h"
#include "store/OccurrenceRules.h"
#include "store/ReminderFile.h"
#include "tools/Commands.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

QString dateText(QDate d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }
QString timeText(QTime t) { return t.toString(QStringLiteral("HH:mm:ss")); }

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

QString toText(const RegistroAviso& r) {
    QStringList recipients;
    for (uint8_t b : r.Destinatarios)
        if (b != 0) recipients << QString::number(b);
    QString text = r.Texto;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    return QStringLiteral("%1\tEstado=%2 Activo=%3 Terminado=%4 Repetir=%5 FechaProx=%6 HoraProx=%7 Caduca=%8 "
                          "BorrarAlCaducar=%9 FechaUlt=%10 PorEmail=%11 Destinatarios=[%12] Sonido=\"%13\"\t%14\t%15")
        .arg(r.Numero)
        .arg(r.Estado)
        .arg(int(r.Activo))
        .arg(int(r.Terminado))
        .arg(r.Repetir)
        .arg(dateText(r.fechaProx()), timeText(r.horaProx()))
        .arg(int(r.Caduca))
        .arg(int(r.BorrarAlCaducar))
        .arg(dateText(r.fechaUlt()))
        .arg(int(r.PorEmail))
        .arg(recipients.join(','), r.Sonido, r.Descripcion, text);
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
        printErr(QStringLiteral("qvtool: bad date and time: %1 (expected YYYY-MM-DD HH:MM:SS)").arg(args[i + 1]));
        return false;
    }
    return true;
}

// The index goes to a private folder that is removed when the command ends.
// (The work file of a rewrite lies beside the reminders file, hidden, and
// takes its place in one rename.)
QString prepareTemp() {
    static QTemporaryDir work;
    if (!work.isValid()) throw ReminderFileError("Cannot create a work folder: " + work.errorString().toStdString());
    ProgramFolders::global().dirTemp = work.path() + QLatin1Char('/');
    return ProgramFolders::global().dirTemp + QStringLiteral("QVMsgs.IDX");
}

namespace {

QString option(const QStringList& args, const QString& name, const QString& fallback = {}) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

// qvtool add FILE --desc D --date YYYY-MM-DD --time HH:MM [--repeat CODE] [--text T]
//                 [--sound PATH] [--expires YYYY-MM-DD [--delete]] [--recipients 1,2,...] [--off]
int addCommand(const QStringList& args) {
    const QString file = args.value(1);
    const QDate date = QDate::fromString(option(args, "--date"), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(option(args, "--time"), QStringLiteral("HH:mm"));
    bool ok = true;
    const int repeat = option(args, "--repeat", "0").toInt(&ok);
    if (option(args, "--desc").isEmpty() || !date.isValid() || !time.isValid() || !ok || repeat < 0 ||
        repeat > 254 || repeat == 2 || repeat == 127) {
        printErr(QStringLiteral("usage: qvtool add FILE --desc D --date YYYY-MM-DD --time HH:MM [--repeat CODE] "
                                "[--text T] [--sound PATH] [--expires YYYY-MM-DD [--delete]] "
                                "[--recipients 1,2,...] [--off]"));
        return 2;
    }
    for (const char* o : {"--desc", "--text", "--sound"})
        if (refusedAsUnstorable(QLatin1String(o), option(args, o))) return 2;
    RegistroAviso r = RegistroAviso::nuevo(QDateTime(date, time));
    r.Descripcion = option(args, "--desc");
    r.Texto = option(args, "--text").replace(QStringLiteral("\\n"), QStringLiteral("\r\n"));
    r.Sonido = option(args, "--sound");
    r.Repetir = static_cast<uint8_t>(repeat);
    r.setHoraProx(time);
    r.Activo = !args.contains(QStringLiteral("--off"));
    const QString expires = option(args, "--expires");
    if (!expires.isEmpty()) {
        const QDate last = QDate::fromString(expires, QStringLiteral("yyyy-MM-dd"));
        if (!last.isValid()) {
            printErr(QStringLiteral("qvtool: bad --expires date: %1").arg(expires));
            return 2;
        }
        r.Caduca = true;
        r.setFechaUlt(last);
        r.BorrarAlCaducar = args.contains(QStringLiteral("--delete"));
    }
    int slot = 0;
    for (const QString& n : option(args, "--recipients").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int k = n.toInt(&ok);
        if (!ok || k < 1 || k > 255 || slot >= 255) {
            printErr(QStringLiteral("qvtool: bad recipient number: %1").arg(n));
            return 2;
        }
        r.Destinatarios[slot++] = static_cast<uint8_t>(k);
        r.PorEmail = true;
    }
    if (!QFileInfo::exists(file)) CrearArchivoAvisos(file);
    const QString index = prepareTemp();
    if (!QFileInfo::exists(index)) CrearIndice(index, ContarAvisos(file));
    const int number = AnadirAviso(file, index, r);
    if (number == 0) {
        printErr(QStringLiteral("qvtool: the file already holds 65535 reminders"));
        return 1;
    }
    printOut(QString::number(number));
    return 0;
}

} // namespace

int remindersCommand(const QStringList& args) {
    const QString command = args.value(0), file = args.value(1);
    if (file.isEmpty()) {
        printErr(QStringLiteral("qvtool: %1 needs a reminders file").arg(command));
        return 2;
    }
    try {
        if (command == QLatin1String("add")) return addCommand(args);
        if (!QFileInfo::exists(file)) {
            printErr(QStringLiteral("qvtool: %1: no such file").arg(file));
            return 1;
        }
        const QString problem = DiagnosticoArchivo(file);
        if (!problem.isEmpty()) printErr(QStringLiteral("qvtool: warning: ") + problem);
        if (command == QLatin1String("list")) {
            const auto records = LeerTodosLosAvisos(file);
            if (args.contains(QStringLiteral("--json"))) {
                QJsonArray all;
                for (const auto& r : records) all.append(toJson(r));
                printOut(QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Indented)).trimmed());
            } else {
                for (const auto& r : records) printOut(toText(r));
            }
            return 0;
        }
        QDateTime now;
        if (command == QLatin1String("due") || command == QLatin1String("past")) {
            if (!parseNow(args, now)) return 2;
            const auto records = LeerTodosLosAvisos(file);
            for (const auto& r : records)
                if (command == QLatin1String("due") ? EsDebido(r, now) : EsPasado(r, now))
                    printOut(QString::number(r.Numero));
            return 0;
        }
        if (command == QLatin1String("advance")) {
            bool ok = false;
            const int n = args.value(2).toInt(&ok);
            const int count = ContarAvisos(file);
            if (!ok || n < 1 || n > count) {
                printErr(QStringLiteral("qvtool: bad reminder number: %1 (the file holds %2)").arg(args.value(2)).arg(count));
                return 2;
            }
            if (!parseNow(args, now)) return 2;
            int workingDays = 1;
            const int w = args.indexOf(QStringLiteral("--working-days"));
            if (w >= 0) {
                workingDays = args.value(w + 1).toInt(&ok);
                if (!ok) {
                    printErr(QStringLiteral("qvtool: bad --working-days value: %1").arg(args.value(w + 1)));
                    return 2;
                }
            }
            RegistroAviso r = LeerAviso(file, n);
            const bool remove = AvanzarAviso(r, now, workingDays);
            EscribirAviso(file, n, r);
            if (remove && !CompactarAvisos(file, prepareTemp())) {
                printErr(QStringLiteral("qvtool: the file could not be compacted"));
                return 1;
            }
            printOut(remove ? QStringLiteral("removed") : QStringLiteral("kept"));
            return 0;
        }
    } catch (const ReminderFileError& e) {
        printErr(QStringLiteral("qvtool: ") + QString::fromUtf8(e.what()));
        return 1;
    }
    printErr(QStringLiteral("qvtool: unknown command %1").arg(command));
    return 2;
}
