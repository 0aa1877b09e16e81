// The yardstick for the reminder program's start-up and idle figures: a bare
// Qt program with what every tray program has (a QApplication, a tray icon
// with a menu, a hidden main window) and nothing else.
#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QMainWindow window;
    window.resize(600, 400);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkGreen);
    QSystemTrayIcon tray{QIcon(pixmap)};
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QApplication::quit);
    tray.setContextMenu(&menu);
    tray.show();
    // Like the reminder program: minimized in the task bar when there is no tray.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) window.showMinimized();
    return app.exec();
}
