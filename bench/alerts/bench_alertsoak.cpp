// Alert soak: 180 hourly reminders spread over the hour fire through the real
// due-check cycle and real alert windows (classic and picture styles in turn),
// each closing by itself and logging; the clock runs a simulated minute per
// pass and an alert's minute lasts 20 milliseconds. Prints the resident
// memory after a warm-up and at the end; the goal is growth under 1 MB.
//
// bench_alertsoak [ALERTS]   (default 1080; QT_QPA_PLATFORM=xcb under Xvfb to
// include the window system's side)
#include "alerts/AlertHost.h"
#include "alerts/AlertWindowBase.h"
#include "alerts/Sonido.h"
#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "qv/DesktopServices.h"
#include "qv/MessageBoxes.h"
#include "qv/TVPrincipal.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {
// --silent: no sound output at all, to tell the sound's share from the windows'.
class NoSound : public SoundOutput {
public:
    void play(const QUrl&) override {}
};

long residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

int alertWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += w->inherits("AlertWindowBase") ? 1 : 0;
    return n;
}

// Runs the event loop until every alert window has closed and been deleted.
void drain() {
    QElapsedTimer t;
    t.start();
    while ((AvisosAbiertos() > 0 || alertWindows() > 0) && t.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
}
} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    QApplication app(argc, argv);
    const int wanted = argc > 1 ? QByteArray(argv[1]).toInt() : 1080;
    NoSound noSound;
    if (QCoreApplication::arguments().contains(QStringLiteral("--silent"))) SoundOutput::install(&noSound);
    QDir::setCurrent(dir.path());
    TextCatalogue::global().load(QStringLiteral(ORB_SOURCE_DIR "/resources/lang/en.cat"));
    ProgramFolders::global() = ProgramFolders::from(dir.path());
    ProgramFolders::global().createWorkFolders();
    Ajustes::CrearAjustesPorDefecto({});
    Ajustes::setSplash(false);
    Ajustes::setEmail(false);
    Ajustes::setCloseMsgs(1);
    Ajustes::setDueMsgs(false);
    MessageBoxes::resetForTests(); // nothing waits for a click
    // Long enough for every alert to be painted before it closes: what painting
    // leaves behind (the style's pixmap cache) is part of what is measured.
    AlertWindowBase::setMillisecondsPerMinute(20);

    FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(8, 0, 5)));
    Clock::install(&clock);
    const QString file = dir.filePath("soak.QVM");
    {
        QByteArray all;
        for (int i = 1; i <= 180; ++i) {
            RegistroAviso r = RegistroAviso::nuevo(clock.now());
            r.Numero = static_cast<quint16>(i);
            r.Descripcion = QStringLiteral("Hourly %1").arg(i);
            r.Texto = QStringLiteral("Reminder %1\r\nsecond line of its text").arg(i);
            r.Repetir = 1; // every hour
            r.setHoraProx(QTime(8, (i - 1) / 3));
            all += r.toBytes();
        }
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(all);
    }

    DesktopServices services;
    TVPrincipal window(services);
    window.timerPrincipal()->stop();
    window.AbrirArchivoAvisos(file);
    window.timerPrincipal()->stop();

    const QString log = ProgramFolders::global().dirMail + QStringLiteral("QV_MSGS.TXT");
    auto shown = [&log] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count("Message shown on")) : 0;
    };
    int fired = 0, style = 0;
    long before = -1;
    QElapsedTimer elapsed;
    elapsed.start();
    while (fired < wanted) {
        clock.advanceSecs(60);
        Ajustes::setMsgWindowFmt(static_cast<quint8>(1 + (style++ % 3)));
        const int open = AvisosAbiertos();
        window.TimerPrincipalTimer();
        window.timerPrincipal()->stop();
        fired += AvisosAbiertos() - open;
        drain();
        if (before < 0 && fired >= 120) {
            before = residentKb();
            std::printf("after %4d alerts (warm-up): %6ld KB resident\n", fired, before);
        }
    }
    drain();
    const long after = residentKb();
    std::printf("after %4d alerts:           %6ld KB resident (%d logged, %d windows left)\n", fired, after,
                shown(), alertWindows());
    std::printf("growth: %ld KB over %d alerts (%.2f KB per alert; goal: under 1024 KB) in %.1f s\n",
                after - before, fired - 120, double(after - before) / std::max(1, fired - 120),
                elapsed.elapsed() / 1000.0);
    return after - before < 1024 ? 0 : 1;
}
