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
        return syncOf(file, server.base(), password);
    }
    Run syncOf(const QString& f, const QUrl& url, const QString& password = QStringLiteral("alicepass")) {
        return qvtool({"sync", f, "--url", url.toString(), "--user", "alice", "--password", "-", "--ca-file",
                       server.caFile()},
                      password.toUtf8() + '\n');
    }
    // Description -> the listing's fields, for the reminders of the file.
    QMultiMap<QString, QJsonObject> here(const QString& f = {}) {
        QMultiMap<QString, QJsonObject> all;
        for (const QJsonValue& v :
             QJsonDocument::fromJson(qvtool({"list", f.isEmpty() ? file : f, "--json"}).out.toUtf8()).array())
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
    // told once by name. What counts is when that reminder changed here, not
    // when the file last changed: a change noted by a sync that could not reach
    // the server loses to a later phone edit, though another reminder was
    // changed here after it.
    void conflict_data() {
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<QString>("desk");   // its change here, the older one
        QTest::addColumn<QString>("theirs"); // its change on the phone, the newer one
        QTest::addColumn<QString>("later");  // another reminder changed here after the phone's edit
        QTest::addColumn<QString>("moved");  // to this
        QTest::newRow("phone newer") << "Standup"
                                     << "Standup here"
                                     << "Standup there" << QString() << QString();
        QTest::newRow("older change here, another since") << "Standup there"
                                                          << "Review here"
                                                          << "Review there"
                                                          << "Standup here"
                                                          << "Standup moved";
    }
    void conflict() {
        QFETCH(QString, reminder);
        QFETCH(QString, desk);
        QFETCH(QString, theirs);
        QFETCH(QString, later);
        QFETCH(QString, moved);
        QStringList expected = here().keys();
        expected.removeOne(reminder);
        expected << desk << theirs;
        const int n = numberOf(reminder);
        QVERIFY(n > 0);
        QCOMPARE(qvtool({"set", file, QString::number(n), "--desc", desk}).rc, 0);
        if (!later.isEmpty()) QCOMPARE(sync("wrong").rc, 1); // offline: the change is noted all the same
        QTest::qWait(1100);                                  // the phone's change is the newer one
        bool ok = false;
        server.phone({"edit", phoneUid(reminder), theirs}, &ok);
        QVERIFY(ok);
        if (!later.isEmpty()) {
            QTest::qWait(1100);
            QCOMPARE(qvtool({"set", file, QString::number(numberOf(later)), "--desc", moved}).rc, 0);
            expected.removeOne(later);
            expected << moved;
        }
        expected.sort();
        Run r = sync();
        QVERIFY2(r.rc == 0, qPrintable(r.err));
        QVERIFY2(
            r.out.contains('"' + desk + "\" was changed here and on the calendar; the calendar's change"),
            qPrintable(r.out));
        QCOMPARE(here().keys(), expected);
        r = sync(); // the copy reaches the phone; the conflict is not told again
        QVERIFY2(r.rc == 0 && !r.out.contains("changed here and on the calendar"), qPrintable(r.out));
        QCOMPARE(phone().keys(), expected);
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

    // Servers that list changes otherwise: one that forgot the sync token, one
    // without sync-collection (the calendar listed and compared by ETag), one
    // that cuts the change list short (507 on the calendar). Every change of
    // either side arrives once, and a sync after it finds nothing to do.
    void serverPaths_data() {
        QTest::addColumn<QString>("standIn"); // tests/caldav/standin.py's mode; empty: Radicale itself
        QTest::newRow("token forgotten") << QString();
        QTest::newRow("no sync-collection") << "nosync";
        QTest::newRow("changes cut short") << "truncate";
    }
    void serverPaths() {
        QFETCH(QString, standIn);
        const QString tag = QString(QTest::currentDataTag()).section(' ', 0, 0);
        const QString f = QFileInfo(file).absolutePath() + "/" + tag + ".QVM";
        QProcess proxy;
        QUrl url = server.base();
        if (!standIn.isEmpty()) {
            url = QUrl(QStringLiteral("http://127.0.0.1:%1/alice/reminders/").arg(server.port + 10000));
            proxy.start("/usr/bin/python3",
                        {ORB_SOURCE_DIR "/tests/caldav/standin.py", QString::number(url.port()),
                         server.base().toString(), server.caFile(), standIn});
            QVERIFY(proxy.waitForReadyRead(10000) && proxy.readLine().startsWith("ready"));
        }
        for (const char* d : {" kept", " gone", " left"})
            QCOMPARE(qvtool({"add", f, "--desc", tag + d, "--date", "2026-12-14", "--time", "08:00"}).rc, 0);
        Run r = syncOf(f, url);
        QVERIFY2(r.rc == 0, qPrintable(r.err));
        QCOMPARE(here(f).keys(), phone().keys());

        bool ok = false;
        server.phone({"add", "phone-" + tag, tag + " phone", "20261215T080000"}, &ok);
        QVERIFY(ok);
        server.phone({"edit", phoneUid(tag + " kept"), tag + " edited"}, &ok);
        QVERIFY(ok);
        server.phone({"delete", phoneUid(tag + " gone")}, &ok);
        QVERIFY(ok);
        QCOMPARE(qvtool({"set", f, QString::number(here(f).value(tag + " left")["Numero"].toInt()), "--desc",
                         tag + " here"})
                     .rc,
                 0);
        if (standIn.isEmpty()) { // the server no longer knows the token kept beside the file
            QFile links(f + ".caldav");
            QVERIFY(links.open(QIODevice::ReadOnly));
            QByteArray text = links.readAll();
            links.close();
            const qsizetype at = text.indexOf("\ntoken\t");
            QVERIFY(at >= 0);
            text = text.left(at) + "\ntoken\thttp%3A%2F%2Fradicale.org%2Fns%2Fsync%2Fforgotten" +
                   text.mid(text.indexOf('\n', at + 1));
            QVERIFY(links.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    links.write(text) == text.size());
            links.close();
        }
        r = syncOf(f, url);
        QVERIFY2(r.rc == 0, qPrintable(r.out + r.err));
        const QStringList mine = here(f).keys();
        QCOMPARE(mine, phone().keys());
        for (const char* d : {" edited", " phone", " here"})
            QVERIFY2(mine.contains(tag + d), qPrintable(mine.join(", ")));
        for (const char* d : {" kept", " gone", " left"})
            QVERIFY2(!mine.contains(tag + d), qPrintable(mine.join(", ")));
        // The links without the sync token: the server's token moves on past our own last changes.
        const auto withoutToken = [&] {
            QByteArray text = bytesOf(f + ".caldav");
            const qsizetype at = text.indexOf("\ntoken\t");
            return at < 0 ? text : text.left(at) + text.mid(text.indexOf('\n', at + 1));
        };
        const QByteArray reminders = bytesOf(f), links = withoutToken();
        r = syncOf(f, url);
        QVERIFY2(r.rc == 0 && r.out.contains("sent 0, deleted there 0; here added 0, changed 0, removed 0"),
                 qPrintable(r.out + r.err));
        // A sync that changed nothing leaves the files' bytes as they were.
        QCOMPARE(bytesOf(f), reminders);
        QCOMPARE(withoutToken(), links);
        proxy.kill();
        proxy.waitForFinished();
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

        // Saves reach the calendar unasked, within seconds: an append in place, a
        // removal that renames a new file over the old one, an edit of that new file.
        auto numberIn = [&](const QString& description) {
            return QString::number(here(other).value(description)["Numero"].toInt());
        };
        struct Save {
            std::function<QStringList()> command;
            QString shown, gone;
        };
        const QList<Save> saves = {
            {[&] {
                 return QStringList{"add",    other,        "--desc", "Saved later",
                                    "--date", "2026-12-22", "--time", "08:00"};
             },
             "Saved later",
             {}},
            {[&] {
                 return QStringList{"remove", other, numberIn("Made here")};
             },
             {},
             "Made here"},
            {[&] {
                 return QStringList{"set", other, numberIn("Saved later"), "--desc", "Saved again"};
             },
             "Saved again", "Saved later"},
        };
        for (const Save& save : saves) {
            const QStringList command = save.command();
            QCOMPARE(qvtool(command).rc, 0);
            QString all;
            auto arrived = [&] {
                const auto seen = phone();
                all = QStringList(seen.keys()).join(", ");
                return (save.shown.isEmpty() || seen.contains(save.shown)) &&
                       (save.gone.isEmpty() || !seen.contains(save.gone));
            };
            QTRY_VERIFY2_WITH_TIMEOUT(arrived(), qPrintable(command.join(' ') + " -> " + all), 30000);
        }
        QTest::qWait(2500); // whatever those saves still stir up settles
        QTRY_VERIFY_WITH_TIMEOUT(!sync.running(), 30000);

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
