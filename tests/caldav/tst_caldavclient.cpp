// The CalDAV client against a real Radicale with TLS and a password, and
// python3-caldav as another device on the same calendar.
#include "RadicaleServer.h"
#include "caldav/CalDavClient.h"

#include <QFile>
#include <QtTest>

using namespace CalDav;

namespace {

QByteArray ics(const QString& uid, const QString& summary) {
    return QStringLiteral(
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
               "DTSTAMP:20260101T000000Z\r\nDTSTART:20261210T093000\r\nSUMMARY:%2\r\nEND:VEVENT\r\n"
               "END:VCALENDAR\r\n")
        .arg(uid, summary)
        .toUtf8();
}

} // namespace

class TestCalDavClient : public QObject {
    Q_OBJECT
    RadicaleServer server;

    Account alice(QUrl url = {}) const {
        return {url.isEmpty() ? server.base() : url, QStringLiteral("alice"), QStringLiteral("alicepass"),
                server.caFile(), 10000};
    }
    QUrl href(const QString& uid) const {
        return server.calendar().resolved(QUrl(uid + QStringLiteral(".ics")));
    }

private slots:
    void initTestCase() {
        QVERIFY(server.start(QString::fromLocal8Bit(qgetenv("ORB_TEST_WORK")) + QStringLiteral("/radicale")));
    }
    void cleanupTestCase() { server.stop(); }

    // Discovery from the server's address, the principal's, the calendar's own.
    void discovery_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("server address (.well-known)") << "/";
        QTest::newRow("principal") << "/alice/";
        QTest::newRow("calendar itself") << "/alice/reminders/";
    }
    void discovery() {
        QFETCH(QString, path);
        QUrl url = server.base();
        url.setPath(path);
        Client client(alice(url));
        QList<CalendarInfo> found;
        QVERIFY2(client.discover(found), qPrintable(client.lastError().text));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0].url, server.calendar());
        QCOMPARE(found[0].displayName, QStringLiteral("reminders"));
        QVERIFY(found[0].syncCollection);
        QVERIFY(!found[0].syncToken.isEmpty());
    }

    // Every way of failing is named, and no request is sent where a password would travel in clear.
    void failures_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<int>("kind");
        const QString ok = "alicepass", ca = server.caFile();
        const QString bad = QString::fromLocal8Bit(qgetenv("ORB_TEST_WORK")) + "/not-a-certificate.pem";
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("-----BEGIN CERTIFICATE-----\nnot base64\n");
        f.close();
        QTest::newRow("wrong password")
            << server.base().toString() << "nope" << ca << int(ErrorKind::Credentials);
        QTest::newRow("untrusted certificate") << server.base().toString() << ok << "" << int(ErrorKind::Tls);
        QTest::newRow("broken trust file")
            << server.base().toString() << ok << bad << int(ErrorKind::TrustFile);
        QTest::newRow("missing trust file")
            << server.base().toString() << ok << bad + "x" << int(ErrorKind::TrustFile);
        QTest::newRow("clear text to another host")
            << "http://calendar.example.org/" << ok << "" << int(ErrorKind::InsecureUrl);
        QTest::newRow("nobody listens") << "https://127.0.0.1:1/" << ok << ca << int(ErrorKind::Unreachable);
        QTest::newRow("not an address") << "mailto:alice@example.org" << ok << "" << int(ErrorKind::Protocol);
    }
    void failures() {
        QFETCH(QString, url);
        QFETCH(QString, password);
        QFETCH(QString, caFile);
        QFETCH(int, kind);
        Client client({QUrl(url), "alice", password, caFile, 10000});
        QList<CalendarInfo> found;
        QVERIFY(!client.discover(found));
        QCOMPARE(int(client.lastError().kind), kind);
        QVERIFY(!client.lastError().text.isEmpty());
        if (kind == int(ErrorKind::InsecureUrl) || kind == int(ErrorKind::TrustFile))
            QCOMPARE(client.requestCount(), 0);
    }

    // Writes guarded by ETags, the changes seen through sync-collection and
    // calendar-query alike, whoever made them.
    void eventsBothWays() {
        Client client(alice(server.calendar()));
        const QUrl cal = server.calendar();
        Changes start;
        bool refused = false;
        QVERIFY2(client.changesSince(cal, {}, start, &refused), qPrintable(client.lastError().text));

        auto first = client.put(
            {{href("ours-1"), ics("ours-1", "Dentist"), {}}, {href("ours-2"), ics("ours-2", "Dinner"), {}}});
        QCOMPARE(first.size(), 2);
        QVERIFY2(!first[0].error && !first[1].error, qPrintable(client.lastError().text));
        QVERIFY(!first[0].etag.isEmpty());
        // A second "new" event at the same place, and a write over a stale ETag, are refused.
        auto again = client.put({{href("ours-1"), ics("ours-1", "Again"), {}}});
        QCOMPARE(int(again[0].error.kind), int(ErrorKind::Precondition));
        auto edited = client.put({{href("ours-1"), ics("ours-1", "Dentist at 10"), first[0].etag}});
        QVERIFY(!edited[0].error);
        auto stale = client.put({{href("ours-1"), ics("ours-1", "Lost"), first[0].etag}});
        QCOMPARE(int(stale[0].error.kind), int(ErrorKind::Precondition));
        QCOMPARE(int(client.remove({{href("ours-2"), first[0].etag}})[0].kind), int(ErrorKind::Precondition));

        // The phone sees ours and changes its own.
        const QString seen = server.phone({"list"});
        QVERIFY2(seen.contains("ours-1\tDentist at 10") && seen.contains("ours-2\tDinner"), qPrintable(seen));
        bool ok = false;
        server.phone({"add", "phone-1", "Gym", "20261211T070000"}, &ok);
        QVERIFY(ok);
        server.phone({"delete", "ours-2"}, &ok);
        QVERIFY(ok);

        Changes changes;
        QVERIFY2(client.changesSince(cal, start.syncToken, changes, &refused),
                 qPrintable(client.lastError().text));
        QStringList changed;
        for (const EventRef& r : changes.changed)
            changed << r.href.fileName();
        changed.sort();
        QCOMPARE(changed, QStringList({"ours-1.ics", "phone-1.ics"}));
        QCOMPARE(changes.removed.size(), 1);
        QCOMPARE(changes.removed[0].fileName(), QStringLiteral("ours-2.ics"));

        Changes none;
        QVERIFY(client.changesSince(cal, changes.syncToken, none, &refused));
        QVERIFY(none.changed.isEmpty() && none.removed.isEmpty());
        QVERIFY(
            !client.changesSince(cal, QStringLiteral("http://radicale.org/ns/sync/unknown"), none, &refused));
        QVERIFY(refused);

        QList<EventRef> listed;
        QVERIFY(client.listEvents(cal, listed));
        QCOMPARE(listed.size(), 2);
        QList<QUrl> hrefs;
        for (const EventRef& r : listed)
            hrefs << r.href;
        QList<Event> events;
        QVERIFY(client.fetch(cal, hrefs + QList<QUrl>{href("never-made")}, events));
        QCOMPARE(events.size(), 2);
        for (const Event& e : events) {
            QVERIFY(e.ics.contains("BEGIN:VEVENT"));
            const auto ref = std::find_if(listed.begin(), listed.end(),
                                          [&](const EventRef& r) { return r.href == e.href; });
            QVERIFY(ref != listed.end());
            QCOMPARE(e.etag, ref->etag);
        }

        // Deleting what is already gone is no failure.
        auto removed = client.remove({{href("ours-1"), {}}, {href("ours-2"), {}}, {href("phone-1"), {}}});
        for (const Error& e : removed)
            QVERIFY2(!e, qPrintable(e.text));
        QVERIFY(client.listEvents(cal, listed));
        QVERIFY(listed.isEmpty());
    }

    // The server going away between two calls: told as unreachable, and the next call after its return works.
    void serverStopped() {
        Client client(alice(server.calendar()));
        CalendarInfo info;
        QVERIFY(client.calendarInfo(server.calendar(), info));
        QVERIFY(server.stop());
        QVERIFY(!client.calendarInfo(server.calendar(), info));
        QCOMPARE(int(client.lastError().kind), int(ErrorKind::Unreachable));
        QVERIFY(server.start(server.dir));
        QVERIFY2(client.calendarInfo(server.calendar(), info), qPrintable(client.lastError().text));
    }
};

QTEST_GUILESS_MAIN(TestCalDavClient)
#include "tst_caldavclient.moc"
