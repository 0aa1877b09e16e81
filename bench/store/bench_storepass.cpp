// Store-only figures at the file's limit (65535 reminders), each beside one
// sequential read of the same file: a due-check pass through the chunked
// cursor, the same pass through one LeerAviso per record (open, seek, read,
// close each time), a catch-up pass that advances and writes back every
// record, and EliminarAviso and CompactarAvisos.
#include "settings/ProgramFolders.h"
#include "store/OccurrenceRules.h"
#include "store/ReminderFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double bestMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

QByteArray bigFile(const QDateTime& now) {
    QByteArray all;
    all.reserve(RegistroAviso::kMaxAvisos * RegistroAviso::kTamano);
    for (int i = 1; i <= RegistroAviso::kMaxAvisos; ++i) {
        RegistroAviso r = RegistroAviso::nuevo(now);
        r.Numero = static_cast<quint16>(i);
        r.Descripcion = QStringLiteral("Reminder %1").arg(i);
        r.Texto = QString(200, QLatin1Char('t'));
        r.Repetir = static_cast<uint8_t>(i % 2 ? 3 : 5);
        r.setFechaProx(now.date().addDays(-3)); // every one past: the catch-up moves them all
        r.setHoraProx(QTime(8, 0));
        if (i % 1000 == 0) r.Estado = 0;
        all += r.toBytes();
    }
    return all;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ProgramFolders::global() = ProgramFolders::from(dir.path());
    ProgramFolders::global().createWorkFolders();
    const QString file = dir.filePath(QStringLiteral("big.QVM"));
    const QString index = ProgramFolders::global().dirTemp + QStringLiteral("QVMsgs.IDX");
    const QDateTime now(QDate(2026, 12, 8), QTime(10, 30, 5));
    const QByteArray content = bigFile(now);
    auto restore = [&] {
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        f.close();
        CrearIndice(index, RegistroAviso::kMaxAvisos);
    };
    auto nothing = [] {};
    restore();

    int sink = 0;
    const double read = bestMs(5, nothing, [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        while (!f.atEnd())
            sink += f.read(1 << 20).size();
    });
    const double cursorPass = bestMs(5, nothing, [&] {
        ReminderFileCursor c(file);
        while (c.next())
            sink += EsDebido(ResumenAviso::deBytes(c.raw(), false), now);
    });
    const double perRecordPass = bestMs(2, nothing, [&] {
        const int n = ContarAvisos(file);
        for (int i = 1; i <= n; ++i)
            sink += EsDebido(LeerAviso(file, i), now);
    });
    const double catchUp = bestMs(3, restore, [&] {
        ReminderFileCursor c(file);
        while (c.next()) {
            if (!EsPasado(ResumenAviso::deBytes(c.raw(), false), now)) continue;
            RegistroAviso r = c.read();
            AvanzarAviso(r, now, 1);
            c.write(r);
        }
        c.close();
    });
    const double del = bestMs(3, restore, [&] { EliminarAviso(file, index, 30000); });
    const double compact = bestMs(3, restore, [&] { CompactarAvisos(file, index); });

    std::printf("file: %d reminders, %.1f MB (page cache warm; best of runs)\n", RegistroAviso::kMaxAvisos,
                content.size() / 1e6);
    std::printf("sequential read          %9.2f ms\n", read);
    std::printf("due-check pass (cursor)  %9.2f ms   ratio %6.2f   goal <= 2\n", cursorPass,
                cursorPass / read);
    std::printf("due-check pass (per rec) %9.2f ms   ratio %6.2f\n", perRecordPass, perRecordPass / read);
    std::printf("catch-up, all advanced   %9.2f ms   ratio %6.2f\n", catchUp, catchUp / read);
    std::printf("EliminarAviso            %9.2f ms   ratio %6.2f\n", del, del / read);
    std::printf("CompactarAvisos          %9.2f ms   ratio %6.2f\n", compact, compact / read);
    return sink == -1;
}
