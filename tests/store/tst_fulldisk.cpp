// Every save on a disk that is full, or too full for the new content: the save
// reports the failure, the old file keeps every byte, no work file stays.
// Run as root, the disk is a real 1 MiB tmpfs mounted for the test and filled
// page by page; otherwise the write calls of this program run out of room at
// the same point (the C library's write is replaced here).
#include "mailfiles/IncomingMail.h"
#include "mailfiles/MailFileText.h"
#include "platform/Autostart.h"
#include "platform/SettingsStore.h"
#include "profiles/ArchivoPerfiles.h"
#include "profiles/SeguridadPerfiles.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <cerrno>
#include <dlfcn.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {
constexpr qint64 kPage = 4096;
qint64 roomLeft = -1; // without a tmpfs: bytes the "disk" still takes; -1 = no limit

template <typename Real> Real realFunction(const char* name) {
    return reinterpret_cast<Real>(dlsym(RTLD_NEXT, name));
}
ssize_t limited(int fd, size_t n, const std::function<ssize_t(size_t)>& real) {
    if (roomLeft < 0 || fd <= 2) return real(n);
    if (roomLeft == 0) {
        errno = ENOSPC;
        return -1;
    }
    const ssize_t done = real(std::min<size_t>(n, size_t(roomLeft)));
    if (done > 0) roomLeft -= done;
    return done;
}
} // namespace

extern "C" ssize_t write(int fd, const void* buf, size_t n) {
    static const auto real = realFunction<ssize_t (*)(int, const void*, size_t)>("write");
    return limited(fd, n, [&](size_t k) { return real(fd, buf, k); });
}
extern "C" ssize_t pwrite64(int fd, const void* buf, size_t n, off_t at) {
    static const auto real = realFunction<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite64");
    return limited(fd, n, [&](size_t k) { return real(fd, buf, k, at); });
}
extern "C" ssize_t pwrite(int fd, const void* buf, size_t n, off_t at) {
    return pwrite64(fd, buf, n, at);
}

namespace {
QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class TestFullDisk : public QObject {
    Q_OBJECT
    QString disk;
    bool mounted = false;
    int fillers = 0;

    // Leaves room for `bytes` (in whole pages on the tmpfs).
    void fill(qint64 bytes) {
        if (!mounted) {
            roomLeft = bytes;
            return;
        }
        const qint64 pages = (bytes + kPage - 1) / kPage;
        const QByteArray page(kPage, 'x');
        for (;; ++fillers) {
            QFile f(disk + QStringLiteral("/filler%1").arg(fillers));
            if (!f.open(QIODevice::WriteOnly) || f.write(page) != kPage || !f.flush()) {
                f.close();
                f.remove();
                break;
            }
        }
        for (int i = 0; i < pages && fillers > 0; ++i)
            QFile::remove(disk + QStringLiteral("/filler%1").arg(--fillers));
    }
    void unfill() {
        roomLeft = -1;
        while (fillers > 0)
            QFile::remove(disk + QStringLiteral("/filler%1").arg(--fillers));
    }

private slots:
    void initTestCase() {
        disk = QDir::currentPath() + QStringLiteral("/disk");
        QVERIFY(QDir().mkpath(disk));
        mounted = ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0,
                                              "size=1m,nr_inodes=4096") == 0;
        qInfo("%s", mounted ? "on a 1 MiB tmpfs" : "on a simulated full disk (not root)");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(disk + QStringLiteral("/config")));
        ProgramFolders::global() = ProgramFolders::from(disk);
        ProgramFolders::global().createWorkFolders();
    }
    void cleanupTestCase() {
        if (mounted) ::umount(QFile::encodeName(disk).constData());
    }
    void cleanup() { unfill(); }

    void saveThatDoesNotFit_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<qint64>("room");
        QTest::newRow("settings, disk full") << "settings" << qint64(0);
        QTest::newRow("profiles pair, disk full") << "profiles" << qint64(0);
        // Room for the new QV.PFL but not for QV.PFS.
        QTest::newRow("profiles pair, room for one") << "profiles" << qint64(Perfiles::kTamanoRegistro + 100);
        QTest::newRow("queue file") << "mail" << qint64(0);
        QTest::newRow("incoming mail") << "incoming" << qint64(0);
        QTest::newRow("autostart entry") << "autostart" << qint64(0);
        // Four records end 752 bytes before a page boundary: the fifth is torn there.
        QTest::newRow("reminder add, torn record") << "add" << qint64(0);
        QTest::newRow("reminder compaction") << "compact" << qint64(0);
    }
    void saveThatDoesNotFit() {
        QFETCH(QString, what);
        QFETCH(qint64, room);
        const QString reminders = disk + QStringLiteral("/r.QVM"),
                      index = disk + QStringLiteral("/TEMP/QVMsgs.IDX");
        const QString pfl = disk + QStringLiteral("/QV.PFL"), pfs = ArchivoSeguridad::rutaJunto(pfl);
        const QString queue = disk + QStringLiteral("/MAIL/1.OUT");
        FileSettingsStore settings(disk + QStringLiteral("/config/Orbalinder/settings.conf"),
                                   QStringLiteral("K"));
        RegistroPerfiles profiles;
        AjustesPorPerfil security;
        Perfil p;
        p.emailUsuario = QStringLiteral("ana@example.org");

        // What stands before the save.
        QStringList watched;
        if (what == "settings") {
            settings.writeString(QStringLiteral("OpenFile"), QStringLiteral("/some/file.QVM"));
            watched << settings.filePath();
        } else if (what == "profiles") {
            profiles.setPerfil(1, p);
            security[0] =
                AjustesSeguridad{ModoSeguridad::Tls, ModoSeguridad::Tls, QStringLiteral("old"), false, {}};
            QVERIFY(GuardarPerfiles(pfl, profiles, {}, security));
            watched << pfl << pfs;
        } else if (what == "mail") {
            QVERIFY(mailfiles::guardarLineas(queue, {QStringLiteral("old")}));
            watched << queue;
        } else if (what == "incoming") {
            mailfiles::EscritorEmailRecibido kept(disk + QStringLiteral("/MAIL"), QStringLiteral("a@x"));
            QVERIFY(kept.linea(QStringLiteral("kept")));
            const auto path = kept.terminar();
            QVERIFY(path);
            watched << *path;
        } else if (what == "autostart") {
            QVERIFY(Autostart::set(true, QStringLiteral("/old/QV"), QStringLiteral("/old")));
            watched << Autostart::entryPath();
        } else {
            CrearArchivoAvisos(reminders);
            CrearIndice(index, 0);
            for (int i = 1; i <= 4; ++i) {
                RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
                r.Descripcion = QString::number(i);
                r.Estado = i == 2 ? 0 : 2;
                QCOMPARE(AnadirAviso(reminders, index, r), i);
            }
            watched << reminders;
        }
        QList<QByteArray> before;
        for (const QString& f : watched)
            before << contents(f);

        fill(room);
        bool saved = true;
        QString why;
        if (what == "settings") {
            try {
                settings.writeString(QStringLiteral("OpenFile"), QString(3000, u'n'));
            } catch (const SettingsError& e) {
                saved = false;
                why = QString::fromUtf8(e.what());
            }
        } else if (what == "profiles") {
            p.nombreUsuario = QString(60, u'a');
            profiles.setPerfil(1, p);
            security[0]->passwdSMTP = QStringLiteral("new");
            saved = GuardarPerfiles(pfl, profiles, {}, security, &why);
        } else if (what == "mail") {
            saved =
                mailfiles::guardarLineas(queue, QStringList(400, QStringLiteral("a long new line")), &why);
        } else if (what == "incoming") {
            // A message that does not fit leaves no file, so it is not deleted on the server.
            mailfiles::EscritorEmailRecibido writer(disk + QStringLiteral("/MAIL"), QStringLiteral("b@x"));
            for (int i = 0; i < 400; ++i)
                writer.linea(QStringLiteral("a long line of a message that does not fit"));
            saved = writer.terminar().has_value();
            QCOMPARE(mailfiles::ListarEmailRecibido(disk + QStringLiteral("/MAIL")), watched);
        } else if (what == "autostart") {
            saved =
                Autostart::set(true, QStringLiteral("/new/") + QString(5000, u'q'), QStringLiteral("/new"));
        } else if (what == "add") {
            try {
                AnadirAviso(reminders, index,
                            RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 9), QTime(9, 0))));
            } catch (const ReminderFileError& e) {
                saved = false;
                why = QString::fromUtf8(e.what());
            }
        } else {
            saved = CompactarAvisos(reminders, index);
        }
        unfill();

        QVERIFY2(!saved, "a save that did not fit was reported as done");
        if (what != "autostart" && what != "compact" && what != "incoming")
            QVERIFY2(why.contains(QStringLiteral("No space left on device")), qPrintable(why));
        for (qsizetype i = 0; i < watched.size(); ++i)
            QCOMPARE(contents(watched[i]), before[i]);
        for (const QString& folder :
             {disk, disk + "/MAIL", disk + "/TEMP", QFileInfo(settings.filePath()).path(),
              QFileInfo(Autostart::entryPath()).path()})
            QCOMPARE(QDir(folder).entryList({QStringLiteral("*orbwork*")}, QDir::Files | QDir::Hidden),
                     QStringList());
        // After the failure the same save works once there is room again.
        if (what == "add")
            QCOMPARE(AnadirAviso(reminders, index,
                                 RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 9), QTime(9, 0)))),
                     5);
        else if (what == "compact")
            QVERIFY(CompactarAvisos(reminders, index));
    }

    // The command-line tool on a full disk: a failed save exits non-zero.
    void toolOnFullDisk() {
        if (!mounted) QSKIP("needs the tmpfs (run as root)");
        const QString tool = QStringLiteral(ORB_BINARY_DIR "/src/tools/qvtool");
        const QString reminders = disk + QStringLiteral("/t.QVM");
        QProcess run;
        run.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        run.start(tool, {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("CloseMsgs"),
                         QStringLiteral("5")});
        QVERIFY(run.waitForFinished());
        QCOMPARE(run.exitCode(), 0);
        CrearArchivoAvisos(reminders);
        for (int i = 0; i < 4; ++i)
            AnadirAviso(reminders, disk + QStringLiteral("/TEMP/QVMsgs.IDX"),
                        RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(9, 0))));
        const QString conf = disk + QStringLiteral("/config/Orbalinder/settings.conf");
        const QByteArray settingsBefore = contents(conf), remindersBefore = contents(reminders);
        fill(0);
        run.start(tool, {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("OpenFile"),
                         QString(6000, u'z')});
        QVERIFY(run.waitForFinished());
        const int settingsExit = run.exitCode();
        run.start(tool, {QStringLiteral("add"), reminders, QStringLiteral("--desc"), QStringLiteral("x"),
                         QStringLiteral("--date"), QStringLiteral("2026-12-09"), QStringLiteral("--time"),
                         QStringLiteral("09:30")});
        QVERIFY(run.waitForFinished());
        const int addExit = run.exitCode();
        const QByteArray addErr = run.readAllStandardError();
        unfill();
        QCOMPARE(settingsExit, 1);
        QCOMPARE(contents(conf), settingsBefore);
        QCOMPARE(addExit, 1);
        QVERIFY2(addErr.contains("No space left on device"), addErr.constData());
        QCOMPARE(contents(reminders), remindersBefore);
    }
};

QTEST_GUILESS_MAIN(TestFullDisk)
#include "tst_fulldisk.moc"
