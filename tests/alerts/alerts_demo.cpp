// Shows one alert window of the style given (1, 2 or 3) at a place, for screenshots.
#include "alerts/TVAviso.h"
#include "alerts/TVAvisoEx.h"
#include "core/TextCatalogue.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int style = argc > 1 ? QString(argv[1]).toInt() : 1;
    ProgramFolders::global() = ProgramFolders::from(QDir::currentPath() + "/");
    ProgramFolders::global().createWorkFolders();
    Ajustes::CrearAjustesPorDefecto(QPoint(40, 40));
    TextCatalogue::global().load(QStringLiteral(ORB_DEMO_LANG));
    Ajustes::setCloseMsgs(0);
    Ajustes::setMsgWindowFmt(quint8(style));
    Ajustes::setMsgWindowPos(QRect(60, 60, 320, 220));
    Ajustes::setMsgWindowExPos(QPoint(60, 60));
    const QString text = QStringLiteral("Llamar al dentista\npara la revisión de las 17:30");
    const bool shown = style == 1
                           ? MostrarAviso(0, QStringLiteral("Dentista"), text, QString())
                           : MostrarAvisoEx(0, quint8(style), QStringLiteral("Dentista"), text, QString());
    if (!shown) return 1;
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    return app.exec();
}
