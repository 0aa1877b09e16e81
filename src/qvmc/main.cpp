// QVMC: the mail client, started by the reminder program with three arguments
// (send "SMTP", receive "POP3", minutes) for one mail session.
#include "core/TextCatalogue.h"
#include "mailfiles/MailClientCommandLine.h"
#include "platform/GlobalMarker.h"
#include "qvmc/SesionCorreo.h"
#include "qvmc/VentanaCliente.h"
#include "settings/ProgramFolders.h"
#include "tray/TSystemTrayIcon.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbalinder Email Client"));
    QApplication::setQuitOnLastWindowClosed(false);

    if (GlobalMarker::exists(QStringLiteral("OrbalinderMC"))) return 0; // a session is already running
    const mailfiles::LineaComandos orden = mailfiles::LeerLineaComandos(app.arguments().mid(1));
    if (orden.sinArgumentos) {
        const QString text = QStringLiteral("MailClient must be started by Orbalinder");
        std::fprintf(stderr, "%s\n", qPrintable(text));
        if (qEnvironmentVariable("ORB_NO_DIALOGS") != QLatin1String("1"))
            QMessageBox(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok).exec();
        return 1;
    }
    GlobalMarker marker;
    if (!marker.add(QStringLiteral("OrbalinderMC"))) return 0;

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
