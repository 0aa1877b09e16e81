// Two-way sync of a reminders file (qvtool) with a real Radicale over TLS with
// a password, while python3-caldav plays the phone on the same calendar.
#include "RadicaleServer.h"
#include "sync/BackgroundSync.h"
#include "sync/CalendarLinks.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

struct Run {
    int rc;
    QString out, err;
};

Run qvtool(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(QStringLiteral(ORB_BINARY_DIR "/src/tools/qvtool"), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCalendarSync : public QObject {
    Q_OBJECT
    RadicaleServer server;
    QString file;

    Run sync(const QString& password = QStringLiteral("alicepass")) {
        return qvtool({"sync", file, "--url", server.base().toString(), "--user", "alice", "--password", "-",
                       "--ca-file", server.caFile()},
                      password.toUtf8() + '\n');
    }
    // Description -> the listing's fields, for the reminders of the file.
    QMultiMap<QString, QJsonObject> here() {
        QMultiMap<QString, QJsonObject> all;
        for (const QJsonValue& v :
             QJsonDocument::fromJson(qvtool({"list", file, "--json"}).out.toUtf8()).array())
            all.insert(v.toObject()["Descripcion"].toString(), v.toObject());
        return all;
    }
    // Summary -> start, of the phone's view of the calendar.
    QMultiMap<QString, QString> phone() {
        QMultiMap<QString, QString> all;
        for (const QString& line : server.phone({"list"}).split('\n', Qt::SkipEmptyParts))
            all.insert(line.section('\t', 1, 1), line.section('\t', 2, 2));
        return all;
    }
    QString phoneUid(const QString& summary) {
        for (const QString& line : server.phone({"list"}).split('\n', Qt::SkipEmptyParts))
            if (line.section('\t', 1, 1) == summary) return line.section('\t', 0, 0);
        return {};
    }
    int numberOf(const QString& description) { return here().value(description)["Numero"].toInt(); }

private slots:
    void initTestCase() {
        const QString work = QString::fromLocal8Bit(qgetenv("ORB_TEST_WORK"));
        QVERIFY(server.start(work + "/radicale"));
        file = work + "/sync.QVM";
    }
    void cleanupTestCase() { server.stop(); }

    // Additions, edits and deletions travel both ways, and a fired reminder's
    // next occurrence is the same event moved, not a second one.
    void changesBothWays() {
        QCOMPARE(qvtool({"add", file, "--desc", "Dentist", "--date", "2026-12-10", "--time", "09:30"}).rc, 0);
        QCOMPARE(qvtool({"add", file, "--desc", "Standup", "--date", "2026-12-10", "--time", "10:00",
                         "--repeat", "3"})
                     .rc,
                 0);
        Run r = sync();
        QVERIFY2(r.rc == 0, qPrintable(r.err));
        QCOMPARE(phone().keys(), QStringList({"Dentist", "Standup"}));

        bool ok = false;
        server.phone({"add", "phone-gym", "Gym", "20261211T070000"}, &ok);
        QVERIFY(ok);
        server.phone({"edit", phoneUid("Dentist"), "Dentist moved"}, &ok);
        QVERIFY(ok);
        QCOMPARE(qvtool({"set", file, QString::number(numberOf("Standup")), "--text", "Room 4"}).rc, 0);
        r = sync();
        QVERIFY2(r.rc == 0, qPrintable(r.err));
        auto mine = here();
        QCOMPARE(mine.keys(), QStringList({"Dentist moved", "Gym", "Standup"}));
        QCOMPARE(mine.value("Gym")["FechaProx"].toString(), QString("2026-12-11"));
        QCOMPARE(mine.value("Gym")["HoraProx"].toString(), QString("07:00:00"));

        // The standup fires: its next day goes out as the same series.
        QCOMPARE(
            qvtool({"advance", file, QString::number(numberOf("Standup")), "--now", "2026-12-10 10:00:05"})
                .out,
            QString("kept\n"));
        QCOMPARE(qvtool({"remove", file, QString::number(numberOf("Gym"))}).rc, 0);
        server.phone({"delete", phoneUid("Dentist moved")}, &ok);
        QVERIFY(ok);
        r = sync();
        QVERIFY2(r.rc == 0, qPrintable(r.err));
        QCOMPARE(here().keys(), QStringList({"Standup"}));
        const auto seen = phone();
        QCOMPARE(seen.keys(), QStringList({"Standup"}));
        QVERIFY2(seen.value("Standup").startsWith("2026-12-11 10:00"), qPrintable(seen.value("Standup")));

        // Nothing changed: nothing sent, nothing changed here.
        const QByteArray before = bytesOf(file);
        r = sync();
        QVERIFY2(r.rc == 0 && r.out.contains("sent 0") && r.out.contains("added 0, changed 0, removed 0"),
                 qPrintable(r.out + r.err));
        QCOMPARE(bytesOf(file), before);
    }

    // Changed on both sides: the newer change wins, the other stays as a copy,
    // told once by name.
    void conflict() {
        const int n = numberOf("Standup");
        QVERIFY(n > 0);
        QCOMPARE(qvtool({"set", file, QString::number(n), "--desc", "Standup here"}).rc, 0);
        QTest::qWait(1100); // the phone's change is the newer one
        bool ok = false;
        server.phone({"edit", phoneUid("Standup"), "Standup there"}, &ok);
        QVERIFY(ok);
        Run r = sync();
        QVERIFY2(r.rc == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains("\"Standup here\""), qPrintable(r.out));
        QCOMPARE(here().keys(), QStringList({"Standup here", "Standup there"}));
        r = sync(); // the copy reaches the phone; the conflict is not told again
        QVERIFY2(r.rc == 0 && !r.out.contains("changed here and on the calendar"), qPrintable(r.out));
        QCOMPARE(phone().keys(), QStringList({"Standup here", "Standup there"}));
    }

    // Server down or password refused: nothing here changes, the reason is
    // told, and the next sync catches up.
    void faultsLoseNothing_data() {
        QTest::addColumn<bool>("stopServer");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("told");
        QTest::newRow("server stopped") << true << "alicepass"
                                        << "cannot reach";
        QTest::newRow("wrong password") << false << "wrong"
                                        << "user name or password";
    }
    void faultsLoseNothing() {
        QFETCH(bool, stopServer);
        QFETCH(QString, password);
        QFETCH(QString, told);
        QCOMPARE(qvtool({"add", file, "--desc", "Offline " + QString(QTest::currentDataTag()).left(6),
                         "--date", "2026-12-12", "--time", "08:00"})
                     .rc,
                 0);
        bool ok = false;
        server.phone({"add", "phone-" + QString::number(qHash(QString(QTest::currentDataTag()))),
                      "Made meanwhile", "20261213T080000"},
                     &ok);
        QVERIFY(ok);
        if (stopServer) QVERIFY(server.stop());
        const QByteArray before = bytesOf(file), linksBefore = bytesOf(file + ".caldav");
        Run r = sync(password);
        QCOMPARE(r.rc, 1);
        QVERIFY2(r.err.contains(told), qPrintable(r.err));
        QCOMPARE(bytesOf(file), before);
        QCOMPARE(bytesOf(file + ".caldav"), linksBefore);
        if (stopServer) QVERIFY(server.start(server.dir));
        r = sync();
        QVERIFY2(r.rc == 0, qPrintable(r.err));
        QVERIFY(here().contains("Made meanwhile"));
        QVERIFY(phone().contains("Offline " + QString(QTest::currentDataTag()).left(6)));
        QCOMPARE(qvtool({"remove", file, QString::number(numberOf("Made meanwhile"))}).rc, 0);
        QCOMPARE(sync().rc, 0);
    }

    // The program's background sync: the account kept beside the file, the
    // exchange off the caller's thread, and the writing held back while the
    // file must not move (an edit dialog open), then done; a failure told once.
    void backgroundSync() {
        const QString other = QFileInfo(file).absolutePath() + "/background.QVM";
        QCOMPARE(qvtool({"add", other, "--desc", "Made here", "--date", "2026-12-20", "--time", "08:00"}).rc,
                 0);
        CalendarLinks account;
        QVERIFY(account.load(other));
        account.server = server.base();
        account.user = "alice";
        account.caFile = server.caFile();
        account.calendar = server.calendar();
        QVERIFY(account.save());
        QString password = "alicepass";
        BackgroundSync sync([&] { return other; }, [&](const QString&, const QString&) { return password; });
        bool mayWrite = true;
        sync.setMayWrite([&] { return mayWrite; });
        QList<CalDav::ErrorKind> told;
        connect(&sync, &BackgroundSync::failed, this, [&](const CalDav::Error& e) { told << e.kind; });
        QSignalSpy done(&sync, &BackgroundSync::finished);

        sync.requestSync();
        QVERIFY(sync.running());
        QVERIFY(done.wait(60000));
        QCOMPARE(done.last().at(0).toBool(), true);
        QVERIFY(phone().contains("Made here"));

        bool ok = false;
        server.phone({"add", "phone-background", "From the phone", "20261221T090000"}, &ok);
        QVERIFY(ok);
        mayWrite = false;
        const QByteArray before = bytesOf(other);
        sync.requestSync();
        QVERIFY(!done.wait(5000)); // the exchange is done, the writing waits
        QCOMPARE(bytesOf(other), before);
        mayWrite = true;
        QVERIFY(done.wait(10000));
        const Run list = qvtool({"list", other});
        QVERIFY2(list.out.contains("From the phone"), qPrintable(list.out));

        password = "wrong";
        for (int i = 0; i < 2; ++i) {
            sync.requestSync();
            QVERIFY(done.wait(60000));
            QCOMPARE(done.last().at(0).toBool(), false);
        }
        QCOMPARE(told, QList<CalDav::ErrorKind>{CalDav::ErrorKind::Credentials});
    }
};

QTEST_GUILESS_MAIN(TestCalendarSync)
#include "tst_calendarsync.moc"
