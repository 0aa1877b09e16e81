#include "qv/CalendarCommands.h"

#include "calendar/CalendarFiles.h"
#include "core/TextCatalogue.h"
#include "platform/DurableFile.h"
#include "qv/FileErrorTexts.h"
#include "qv/MessageBoxes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace CalendarCommands {

namespace {

QString chooseFile(QWidget* parent, bool save) {
    QFileDialog dialog(parent, LeerTexto(save ? 20502 : 20503), ProgramFolders::global().dirPrograma,
                       LeerTexto(20504));
    dialog.setOption(QFileDialog::DontUseNativeDialog); // Qt's own: it speaks the catalogue's language
    dialog.setObjectName(save ? "DialogoExportarCalendario" : "DialogoImportarCalendario");
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) dialog.setDefaultSuffix(QStringLiteral("ics"));
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

} // namespace

bool esCalendario(const QString& path) {
    if (path.endsWith(QLatin1String(".ics"), Qt::CaseInsensitive) ||
        path.endsWith(QLatin1String(".ical"), Qt::CaseInsensitive))
        return true;
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(64).trimmed().startsWith("BEGIN:VCALENDAR");
}

QString textoNota(const CalendarNote& n) {
    using Kind = CalendarNote::Kind;
    const QString who =
        n.summary.trimmed().isEmpty() ? n.uid : QStringLiteral("\u201c%1\u201d").arg(n.summary.trimmed());
    auto text = [&](int number) {
        const QString t = LeerTexto(number);
        return t.contains(QLatin1String("%2")) ? t.arg(who, n.detail) : t.arg(who);
    };
    switch (n.kind) {
    case Kind::NotICalendar:
        return LeerTexto(20511).arg(QString());
    case Kind::NoStart:
        return text(20520);
    case Kind::Interval:
        return text(20521);
    case Kind::NthWeekday:
        return text(20522);
    case Kind::UnsupportedRule:
        return text(20523);
    case Kind::SeveralRules:
        return text(20524);
    case Kind::Exceptions:
        return text(20525);
    case Kind::SeveralAlarms:
        return text(20526);
    case Kind::FixedAlarm:
        return text(20527);
    case Kind::NothingLeft:
        return text(20528);
    case Kind::OccurrencesDiffer:
        return text(20529);
    case Kind::DescriptionCut:
        return text(20530);
    case Kind::TextCut:
        return text(20531);
    case Kind::Characters:
        return text(20532);
    case Kind::UnknownRecipient:
        return text(20533);
    case Kind::TooManyRecipients:
        return text(20534);
    }
    return who;
}

void exportar(QWidget* parent, const QString& archivoAvisos, QString icsPath) {
    if (icsPath.isEmpty()) icsPath = chooseFile(parent, true);
    if (icsPath.isEmpty()) return;
    try {
        const CalendarExport out =
            ExportReminders(archivoAvisos, CurrentCalendarSettings(ProgramFolders::global().dirPrograma));
        QString error;
        if (!DurableFile::save(icsPath, out.ics, &error)) {
            MessageBoxes::error(parent, LeerTexto(20506).arg(error));
            return;
        }
        MessageBoxes::information(parent,
                                  LeerTexto(20505).arg(out.reminders).arg(QDir::toNativeSeparators(icsPath)));
    } catch (const ReminderFileError& e) {
        MessageBoxes::error(parent, LeerTexto(20506).arg(FileErrorTexts::error(e)));
    }
}

bool importar(QWidget* parent, const QString& archivoAvisos, const QString& indice, QString icsPath) {
    if (icsPath.isEmpty()) icsPath = chooseFile(parent, false);
    if (icsPath.isEmpty()) return false;
    QFile in(icsPath);
    if (!in.open(QIODevice::ReadOnly)) {
        MessageBoxes::error(parent, LeerTexto(20512).arg(QDir::toNativeSeparators(icsPath) +
                                                         QStringLiteral(": ") + in.errorString()));
        return false;
    }
    const QByteArray bytes = in.readAll();
    CalendarImport result;
    try {
        result = ImportReminders(archivoAvisos, indice, bytes,
                                 CurrentCalendarSettings(ProgramFolders::global().dirPrograma));
    } catch (const ReminderFileError& e) {
        MessageBoxes::error(parent, LeerTexto(20512).arg(FileErrorTexts::error(e)));
        return true; // what was added before the failure stays
    }
    if (!result.notes.isEmpty() && result.notes.first().kind == CalendarNote::Kind::NotICalendar) {
        MessageBoxes::error(parent, LeerTexto(20511).arg(QDir::toNativeSeparators(icsPath)));
        return false;
    }
    int refused = 0;
    QStringList lines;
    constexpr int kShown = 40; // the box stays on the screen; the count says the rest
    for (const CalendarNote& n : result.notes) {
        if (n.refused()) ++refused;
        if (lines.size() < kShown) lines << textoNota(n);
    }
    if (result.notes.size() > kShown)
        lines << QStringLiteral("\u2026 (%1)").arg(result.notes.size() - kShown);
    QString summary = LeerTexto(20508)
                          .arg(result.events)
                          .arg(QFileInfo(icsPath).fileName())
                          .arg(result.added)
                          .arg(result.alreadyThere)
                          .arg(refused);
    if (!result.identitiesProblem.isEmpty())
        summary += QStringLiteral("\n\n") + LeerTexto(20513).arg(result.identitiesProblem);
    if (!lines.isEmpty())
        summary += QStringLiteral("\n\n") + LeerTexto(20509) + QStringLiteral("\n") + lines.join('\n');
    if (lines.isEmpty())
        MessageBoxes::information(parent, summary);
    else
        MessageBoxes::warning(parent, summary);
    return result.added > 0;
}

} // namespace CalendarCommands
