// QV: the reminder program's entry point.
#include "core/StandardOptions.h"
#include "core/TextCatalogue.h"
#include "core/UiLanguage.h"
#include "platform/DesktopIdentity.h"
#include "platform/GlobalMarker.h"
#include "platform/InstanceChannel.h"
#include "platform/ProcessPrivacy.h"
#include "qv/CalendarCommands.h"
#include "qv/CalendarSyncHost.h"
#include "qv/DesktopServices.h"
#include "qv/ServicioBus.h"
#include "qv/SettingsProblems.h"
#include "qv/TVPrincipal.h"
#include "settings/ProgramFolders.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {
// A start failure is told on the terminal too; ORB_NO_DIALOGS=1 (scripts, tests)
// keeps it there without a message box waiting for a click.
void fatal(const QString& text) {
    fprintf(stderr, "%s\n", qPrintable(text));
    if (qEnvironmentVariable("ORB_NO_DIALOGS") == QLatin1String("1")) return;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Orbalinder"), text, QMessageBox::Ok);
    box.exec();
}
// What a second start asks of the running program: "SHOW", or "OPEN" and a
// reminders file's absolute path.
QString request(const QString& fileArgument) {
    return fileArgument.isEmpty() ? QStringLiteral("SHOW") : QStringLiteral("OPEN\t") + fileArgument;
}
// The file a request names, empty for none (or a name that is no existing file).
QString requestedFile(const QString& request) {
    if (!request.startsWith(QLatin1String("OPEN\t"))) return {};
    const QFileInfo file(request.mid(5));
    return file.isAbsolute() && file.isFile() ? file.absoluteFilePath() : QString();
}

const char* const kUsage = "usage: QV [FILE]\n"
                           "The reminder program: lives in the notification area and shows the reminders of\n"
                           "the reminders file that was open last, or of FILE (a running QV opens FILE).\n\n"
                           "Options:\n"
                           "  -h, --help  show this help and exit\n"
                           "  --version   show the version and exit\n";
} // namespace

int main(int argc, char** argv) {
    if (AnswerStandardOptions(argc, argv, "QV", kUsage)) return 0;
    keepSecretsOutOfDumps(); // the profiles' passwords pass through this program
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--", 2) == 0) {
            fprintf(stderr, "QV: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    // A client cannot keep a window on top or place it under Wayland, and the
    // alerts need both: run through XWayland unless the user chose a platform.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    // Ties the windows to the installed desktop entry (its name and icon in the
    // task bar and the Wayland compositor's window list).
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbalinder"));
    QApplication::setOrganizationName(QStringLiteral("Norvo Freeware"));
    QApplication::setQuitOnLastWindowClosed(false);

    QString fileArgument;
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty()) fileArgument = QFileInfo(args.first()).absoluteFilePath();

    // Taking the marker is the test: of two copies started at the same instant
    // only one can take it.
    GlobalMarker marker;
    if (!marker.add(QStringLiteral("Orbalinder"))) {
        if (GlobalMarker::exists(QStringLiteral("Orbalinder"))) {
            // A second start (a file opened from a file manager, the menu entry
            // while the program sits in the tray): the running program does it.
            if (InstanceChannel::handOver(QStringLiteral("Orbalinder"), request(fileArgument))) return 0;
            fatal(QStringLiteral("Orbalinder already running"));
            return 1;
        }
        // A marker folder another user could control: refuse to run.
        if (const QString problem = GlobalMarker::folderProblem(); !problem.isEmpty()) {
            fatal(QStringLiteral("Orbalinder cannot run safely: ") + problem);
            return 1;
        }
        // The marker's file cannot be made: run, but say that a second copy would not be stopped.
        fprintf(stderr, "Orbalinder: cannot take the running marker in %s\n",
                qPrintable(GlobalMarker::directory()));
    }
    if (!TextCatalogue::global().load(ObtenerDirPrograma() + TextCatalogue::kFileName)) {
        fatal(QStringLiteral("DLL file not found"));
        return 1;
    }
    UiLanguage::apply();

    SettingsProblems::instalar();

    DesktopServices services;
    // A calendar (a .ics file opened from a file manager) is imported into the
    // reminders file that opens as usual.
    const bool calendar = !fileArgument.isEmpty() && CalendarCommands::esCalendario(fileArgument);
    TVPrincipal window(services, calendar ? QString() : fileArgument, nullptr, TVPrincipal::Vista::AlMostrar);
    if (calendar)
        QTimer::singleShot(0, &window,
                           [&window, fileArgument] { window.importarCalendarioDado(fileArgument); });
    InstanceChannel channel(QStringLiteral("Orbalinder"));
    QObject::connect(&channel, &InstanceChannel::requestReceived, &window, [&window](const QString& r) {
        const QString file = requestedFile(r);
        if (!file.isEmpty() && CalendarCommands::esCalendario(file))
            window.importarCalendarioDado(file);
        else
            window.atenderSegundoArranque(file);
    });
    if (!channel.listen())
        fprintf(stderr, "A second start cannot reach this program: %s\n",
                qPrintable(InstanceChannel::socketPath(QStringLiteral("Orbalinder"))));
    // Scripts and other programs reach the running program on the session bus.
    auto* bus = new ServicioBus(window);
    if (QString why; !bus->registrar(&why) && why != QLatin1String("no session bus"))
        fprintf(stderr, "Orbalinder: no interface on the session bus: %s\n", qPrintable(why));
    // The window starts minimized behind its tray icon; without a tray it shows
    // minimized in the task bar so that it stays reachable.
    if (!window.trayAvailable()) window.showMinimized();
    // The open file's calendar account, synced in the background.
    CalendarSyncHost calendarSync([&window] { return window.archivoAvisos(); });
    const int rc = app.exec();
    marker.remove();
    return rc;
}
