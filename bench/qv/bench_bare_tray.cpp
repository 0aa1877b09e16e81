// The yardstick for the reminder program's start-up and idle figures: a bare
// Qt program with what every tray program has (a QApplication, a tray icon
// with a menu, a hidden main window) and nothing else.
//   bench_bare_tray [FILE]
// With FILE it also reads that file once, in 1 MiB pieces, before it idles:
// the floor of any reminder program that must look at every reminder at start.
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return 1;
        QByteArray piece(1 << 20, Qt::Uninitialized);
        while (file.read(piece.data(), piece.size()) > 0) {
        }
    }
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
