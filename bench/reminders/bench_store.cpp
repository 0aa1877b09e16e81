// Reminders file at its largest (65535 reminders): one due-check pass (read
// every record, test it), EliminarAviso and CompactarAvisos, each beside one
// sequential read of the same file.
#include "qv/logic/PasadaAvisos.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
double bestOf(int runs, const std::function<void()>& f) {
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ProgramFolders::global() = ProgramFolders::from(dir.path());
    ProgramFolders::global().createWorkFolders();
    const QString file = dir.filePath("big.QVM"), index = ProgramFolders::global().dirTemp + "QVMsgs.IDX";
    const QDateTime now(QDate(2026, 12, 8), QTime(10, 30, 5));
    auto build = [&] {
        QByteArray all;
        all.reserve(65535 * RegistroAviso::kTamano);
        for (int i = 1; i <= 65535; ++i) {
            RegistroAviso r = RegistroAviso::nuevo(now);
            r.Numero = static_cast<quint16>(i);
            r.Descripcion = QStringLiteral("Reminder %1").arg(i);
            r.Repetir = 3;
            r.setHoraProx(QTime(18, 0)); // none due: the pass only reads and tests
            if (i % 1000 == 0) r.Estado = 0;
            all += r.toBytes();
        }
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(all);
    };
    build();
    CrearIndice(index, 65535);
    const double read = bestOf(5, [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        while (!f.atEnd()) f.read(1 << 20);
    });
    const double pass = bestOf(5, [&] { PasadaDebidos(file, index, now, QDateTime(), 1, AccionesPasada()); });
    std::printf("sequential read   %8.2f ms\n", read);
    std::printf("due-check pass    %8.2f ms   ratio %.2f\n", pass, pass / read);
    double del = 0, compact = 0;
    for (int i = 0; i < 3; ++i) {
        build();
        del += bestOf(1, [&] { EliminarAviso(file, index, 30000); }) / 3;
        build();
        compact += bestOf(1, [&] { CompactarAvisos(file, index); }) / 3;
    }
    std::printf("EliminarAviso     %8.2f ms   ratio %.2f\n", del, del / read);
    std::printf("CompactarAvisos   %8.2f ms   ratio %.2f\n", compact, compact / read);
    return 0;
}
