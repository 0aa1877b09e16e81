// QVMC: the mail client, started by the reminder program with three arguments
// (send "SMTP", receive "POP3", minutes) for one mail session.
#include "core/StandardOptions.h"
#include "core/TextCatalogue.h"
#include "mailfiles/MailClientCommandLine.h"
#include "platform/GlobalMarker.h"
#include "platform/ProcessPrivacy.h"
#include "qvmc/SesionCorreo.h"
#include "qvmc/VentanaCliente.h"
#include "settings/ProgramFolders.h"
#include "tray/TSystemTrayIcon.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {
const char* const kUsage = "usage: QVMC SMTP|XXXX POP3|XXXX MINUTES\n"
                           "The mail client of the reminder program, started by QV for one mail session:\n"
                           "SMTP sends the queued mail, POP3 fetches new mail, each phase waits at most\n"
                           "MINUTES for its server.\n\n"
                           "Options:\n"
                           "  -h, --help  show this help and exit\n"
                           "  --version   show the version and exit\n";
} // namespace

int main(int argc, char** argv) {
    if (AnswerStandardOptions(argc, argv, "QVMC", kUsage)) return 0;
    keepSecretsOutOfDumps(); // it holds the profile's passwords
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbalinder Email Client"));
    QApplication::setQuitOnLastWindowClosed(false);

    if (GlobalMarker::exists(QStringLiteral("OrbalinderMC"))) return 0; // a session is already running
    const mailfiles::LineaComandos orden = mailfiles::LeerLineaComandos(app.arguments().mid(1));
    // An option is no session's argument: refused like a start without arguments.
    const bool conOpcion =
        std::any_of(argv + 1, argv + argc, [](const char* a) { return a[0] == '-' && a[1] == '-'; });
    if (orden.sinArgumentos || conOpcion) {
        const QString text = QStringLiteral("MailClient must be started by Orbalinder");
        std::fprintf(stderr, "%s\n", qPrintable(text));
        if (qEnvironmentVariable("ORB_NO_DIALOGS") != QLatin1String("1"))
            QMessageBox(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok).exec();
        return 1;
    }
    GlobalMarker marker;
    if (!marker.add(QStringLiteral("OrbalinderMC"))) {
        if (const QString problem = GlobalMarker::folderProblem(); !problem.isEmpty()) {
            std::fprintf(stderr, "QVMC cannot run safely: %s\n", qPrintable(problem));
            return 1;
        }
        return 0;
    }

    const ProgramFolders folders = ProgramFolders::from(ObtenerDirPrograma());
    folders.createWorkFolders();
    // The window's texts are fixed English; the catalogue only chooses the
    // language of the help page F1 opens. Without it the English page opens.
    ProgramFolders::global() = folders;
    TextCatalogue::global().load(folders.dirPrograma + TextCatalogue::kFileName);
    qvmc::TVPrincipal* window = nullptr;
    SesionCorreo session(folders, orden, [&window](const QString& line) {
        if (window) window->mostrarLinea(line);
    });
    qvmc::TVPrincipal w(&session);
    window = &w;
    // The window lives behind its tray icon; without a tray it shows minimized.
    if (!w.tray()->isTrayAvailable()) w.showMinimized();
    QTimer::singleShot(0, &session, &SesionCorreo::ejecutar);
    const int rc = app.exec();
    marker.remove();
    return rc;
}
