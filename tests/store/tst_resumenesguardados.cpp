// The summaries kept beside a reminders file are used only for the exact state
// of the file they were taken from: any other writer, any damage and any
// other file's summaries make them untrusted, and a file written a moment ago
// gets none.
#include "platform/FileIdentity.h"
#include "store/ReminderFile.h"
#include "store/ResumenesGuardados.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
QByteArray records(int n) {
    QByteArray out;
    for (int i = 1; i <= n; ++i) {
        QByteArray r(836, '\0');
        r[0] = 2;
        r[2] = 1;
        r[4] = char(i);
        const QByteArray d = "Reminder " + QByteArray::number(i);
        r[6] = char(d.size());
        r.replace(7, d.size(), d);
        r[56] = 3;
        out += r;
    }
    return out;
}
void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}
QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
bool same(const ResumenesAvisos& a, const ResumenesAvisos& b) {
    if (a.size() != b.size()) return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].dia != b[i].dia || a[i].minuto != b[i].minuto || a[i].Numero != b[i].Numero ||
            a[i].Repetir != b[i].Repetir || a[i].banderas != b[i].banderas ||
            a.descripcionGuardada(i) != b.descripcionGuardada(i))
            return false;
    return true;
}
} // namespace

class TestResumenesGuardados : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QStringList m_casos;
    QString file(const QString& caso) const { return m_dir.filePath(caso + ".QVM"); }

private slots:
    void initTestCase() {
        m_casos = {"untouched",
                   "a row byte",
                   "the sum",
                   "cut short",
                   "empty",
                   "another file's",
                   "rewritten with the same size and times",
                   "replaced by a rename",
                   "written meanwhile"};
        for (const QString& c : m_casos)
            write(file(c), records(5));
        // Only a file left alone for two seconds gets its summaries kept.
        QThread::msleep(2100);
        for (const QString& c : m_casos) {
            const ResumenesAvisos leidos = LeerResumenes(file(c));
            QVERIFY(leidos.sinEscrituras);
            GuardarResumenes(file(c), leidos);
            QVERIFY2(QFile::exists(ArchivoResumenesGuardados(file(c))), qPrintable(c));
        }
    }

    void trustedOnlyForTheStateTheyDescribe_data() {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<bool>("trusted");
        for (const QString& c : m_casos)
            QTest::newRow(qPrintable(c)) << c << (c == "untouched");
    }
    void trustedOnlyForTheStateTheyDescribe() {
        QFETCH(QString, caso);
        QFETCH(bool, trusted);
        const QString f = file(caso), kept = ArchivoResumenesGuardados(f);
        QByteArray bytes = contents(kept);
        if (caso == "a row byte") {
            bytes[bytes.size() - 40] = char(bytes[bytes.size() - 40] ^ 1);
            write(kept, bytes);
        } else if (caso == "the sum") {
            bytes[bytes.size() - 1] = char(bytes[bytes.size() - 1] ^ 0x80);
            write(kept, bytes);
        } else if (caso == "cut short") {
            write(kept, bytes.left(bytes.size() - 1));
        } else if (caso == "empty") {
            write(kept, {});
        } else if (caso == "another file's") {
            write(kept, contents(ArchivoResumenesGuardados(file("untouched"))));
        } else if (caso == "rewritten with the same size and times") {
            // Another program changes a description in place and puts the
            // modification time back: only the status-change time tells.
            struct stat before {};
            QVERIFY(::stat(QFile::encodeName(f).constData(), &before) == 0);
            QByteArray data = contents(f);
            data[7] = 'X';
            QFile w(f);
            QVERIFY(w.open(QIODevice::ReadWrite));
            QCOMPARE(w.write(data), data.size());
            w.close();
            const timespec times[2] = {before.st_atim, before.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(f).constData(), times, 0) == 0);
        } else if (caso == "replaced by a rename") {
            const QByteArray data = contents(f);
            write(f + ".new", data);
            QVERIFY(::rename(QFile::encodeName(f + ".new").constData(), QFile::encodeName(f).constData()) ==
                    0);
        } else if (caso == "written meanwhile") {
            // The summaries of a reading during which the file changed, or of a
            // file changed a moment ago, are not kept (the old ones no longer match).
            write(f, records(5));
            QVERIFY(QFile::remove(kept));
            ResumenesAvisos leidos = LeerResumenes(f);
            GuardarResumenes(f, leidos);
            QVERIFY(!QFile::exists(kept));
            leidos.sinEscrituras = false;
            GuardarResumenes(f, leidos);
            QVERIFY(!QFile::exists(kept));
        }
        const std::optional<FileIdentity> now = FileIdentity::of(f);
        QVERIFY(now);
        const std::optional<ResumenesAvisos> got = LeerResumenesGuardados(f, *now);
        QCOMPARE(bool(got), trusted);
        if (got) {
            QVERIFY(same(*got, LeerResumenes(f)));
            QCOMPARE(got->identidad, now);
        }
    }
};

QTEST_GUILESS_MAIN(TestResumenesGuardados)
#include "tst_resumenesguardados.moc"
