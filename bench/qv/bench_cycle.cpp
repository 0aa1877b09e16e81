// Due-check pass plus list refresh over reminders files of 100, 10 000 and
// 65535 reminders, beside one sequential read of the same file.
#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "qv/DesktopServices.h"
#include "qv/TVPrincipal.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {
// The pass is measured, not the alert windows it would open.
class SilentServices : public DesktopServices {
public:
    AlertWindowBase* mostrarAviso(const QString&, int, int, const RegistroAviso&) override { return nullptr; }
};
} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    QApplication app(argc, argv);
    QDir::setCurrent(dir.path());
    TextCatalogue::global().load(QStringLiteral(ORB_SOURCE_DIR "/resources/lang/en.cat"));
    Ajustes::CrearAjustesPorDefecto({});
    Ajustes::setSplash(false);
    FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)));
    Clock::install(&clock);

    SilentServices services;
    TVPrincipal window(services);
    const QString file = dir.filePath("bench.QVM");
    std::printf("%8s %12s %12s %12s %8s\n", "count", "read ms", "pass ms", "refresh ms", "ratio");
    for (int count : {100, 10000, 65535}) {
        // Build the file in one write: every 100th reminder is due now.
        QByteArray all;
        all.reserve(count * RegistroAviso::kTamano);
        for (int i = 1; i <= count; ++i) {
            RegistroAviso r = RegistroAviso::nuevo(clock.now());
            r.Numero = static_cast<quint16>(i);
            r.Descripcion = QStringLiteral("Reminder %1").arg(i);
            r.Texto = QStringLiteral("Text of reminder %1").arg(i);
            r.Repetir = 3;
            r.setHoraProx(i % 100 == 0 ? QTime(10, 30) : QTime(18, 0));
            all += r.toBytes();
        }
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(all);
        f.close();
        window.AbrirArchivoAvisos(file);

        QElapsedTimer t;
        t.start();
        QFile in(file);
        in.open(QIODevice::ReadOnly);
        qint64 bytes = 0;
        while (!in.atEnd())
            bytes += in.read(1 << 20).size();
        const double readMs = t.nsecsElapsed() / 1e6;

        t.restart();
        window.TimerPrincipalTimer(); // pass + list rebuild
        const double passMs = t.nsecsElapsed() / 1e6;
        t.restart();
        window.CargarListaAvisos();
        const double refreshMs = t.nsecsElapsed() / 1e6;
        std::printf("%8d %12.2f %12.2f %12.2f %8.1f\n", count, readMs, passMs, refreshMs, passMs / readMs);
        clock.advanceSecs(0);
    }
    return 0;
}
