// Rewrites when the final rename fails (the rename of the C library is
// replaced in this program and fails on demand): the reminders file and the
// index stay as they stood and the operation reports false. Also writes that
// would go past the last record.
#include "store/ReminderFile.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include "../support/ReminderFileFixture.h"

#include <cerrno>
#include <dlfcn.h>

namespace {
int renamesUntilFailure = -1; // -1: never fail; n: the (n+1)th rename fails
int renameCalls = 0;
} // namespace

extern "C" int rename(const char* from, const char* to) {
    ++renameCalls;
    if (renamesUntilFailure >= 0 && renamesUntilFailure-- == 0) {
        errno = EIO;
        return -1;
    }
    using Real = int (*)(const char*, const char*);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "rename"));
    return real(from, to);
}

class TestFailingRename : public QObject, ReminderFileFixture {
    Q_OBJECT

private slots:
    void init() {
        renamesUntilFailure = -1;
        setUpFolder("r.QVM");
        for (int i = 1; i <= 3; ++i) {
            RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
            r.Descripcion = QString::number(i);
            r.Estado = i == 1 ? 0 : 2;
            AnadirAviso(file, index, r);
        }
        EscribirIndice(index, {3, 1, 2});
    }

    void renameFails_data() {
        QTest::addColumn<bool>("compact");
        QTest::addColumn<int>("failingRename");
        QTest::newRow("delete, reminders file") << false << 0;
        QTest::newRow("delete, index") << false << 1;
        QTest::newRow("compact, reminders file") << true << 0;
    }
    void renameFails() {
        QFETCH(bool, compact);
        QFETCH(int, failingRename);
        // Learn how many renames the operation makes so that every one is exercised.
        renameCalls = 0;
        const QByteArray fileBefore = bytesOf(file), indexBefore = bytesOf(index);
        renamesUntilFailure = failingRename;
        const bool ok = compact ? CompactarAvisos(file, index) : EliminarAviso(file, index, 2);
        if (renameCalls <= failingRename) QSKIP("the operation makes fewer renames");
        QVERIFY(!ok);
        if (failingRename > 0) {
            // Reported as a failure, so nothing may have changed: a caller that
            // tries again must not delete a second reminder.
            QCOMPARE(bytesOf(file), fileBefore);
            QCOMPARE(LeerIndice(index).size(), ContarAvisos(file));
            return;
        }
        QCOMPARE(bytesOf(file), fileBefore);
        QCOMPARE(bytesOf(index), indexBefore);
        renamesUntilFailure = -1;
        QVERIFY(compact ? CompactarAvisos(file, index) : EliminarAviso(file, index, 2)); // works once it can
        QCOMPARE(ContarAvisos(file), 2);
        QCOMPARE(LeerIndice(index), QVector<quint16>({1, 2}));
    }

    void writePastTheLastRecord() {
        const QByteArray before = bytesOf(file);
        QVERIFY_THROWS_EXCEPTION(ReminderFileError, EscribirAviso(file, 0, RegistroAviso()));
        bool threw = false;
        try {
            EscribirAviso(file, 9, RegistroAviso());
        } catch (const ReminderFileError&) {
            threw = true;
        }
        QVERIFY(threw);
        QCOMPARE(bytesOf(file), before);
    }
};

QTEST_GUILESS_MAIN(TestFailingRename)
#include "tst_failingrename.moc"
