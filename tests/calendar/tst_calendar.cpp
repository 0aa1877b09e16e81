// Reminders to and from iCalendar. The export is read back by an independent
// reader (python3-icalendar with recurring_ical_events), which must find the
// same next occurrences as the program's own rules, and by our own import,
// which must give back the same record field for field; files shaped as
// Thunderbird and GNOME Calendar write them are imported, or refused with the
// reason. Runs in Europe/Madrid.
#include "calendar/CalendarReader.h"
#include "calendar/CalendarWriter.h"
#include "calendar/ReminderRules.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Row {
    const char* name;
    int repetir;
    QDate date;
    QTime time;
    int chosenDay = 0;
    QDate expires = {};
    int workingDays = 1;
};

QList<Row> exportRows() {
    return {
        {"once", 0, {2026, 12, 9}, {9, 30}},
        {"hourly over midnight", 1, {2026, 12, 9}, {22, 15}},
        {"hourly over the spring-forward night", 1, {2027, 3, 27}, {23, 15}},
        {"hourly over the fall-back night", 1, {2027, 10, 30}, {23, 15}},
        {"hourly expiring", 1, {2026, 12, 9}, {20, 5}, 0, {2026, 12, 10}},
        {"daily over the spring-forward day", 3, {2027, 3, 25}, {9, 0}},
        {"daily over the fall-back day", 3, {2027, 10, 29}, {9, 0}},
        {"daily expiring", 3, {2026, 12, 9}, {9, 0}, 0, {2026, 12, 16}},
        {"working days Monday to Friday", 4, {2026, 12, 11}, {8, 0}},
        {"working days Monday to Saturday", 4, {2026, 12, 11}, {8, 0}, 0, {}, 2},
        {"weekly", 5, {2026, 12, 9}, {18, 0}},
        {"weekly expiring on its day", 5, {2026, 12, 9}, {18, 0}, 0, {2027, 1, 6}},
        {"weekly expiring on a day it does not fire goes on", 5, {2026, 12, 9}, {18, 0}, 0, {2027, 1, 7}},
        {"Tuesday and Thursday", 127 + 2 + 8, {2026, 12, 8}, {7, 45}},
        {"weekends expiring", 127 + 32 + 64, {2026, 12, 12}, {11, 0}, 0, {2027, 1, 31}},
        {"monthly on the 15th", 6, {2026, 12, 15}, {12, 0}},
        {"monthly on the 31st", 6, {2027, 1, 31}, {12, 0}},
        {"monthly on the 30th", 6, {2027, 1, 30}, {12, 0}},
        {"monthly on the 29th over a leap February", 6, {2027, 12, 29}, {12, 0}},
        {"monthly on the 31st, now on 28 February", 6, {2027, 2, 28}, {12, 0}, 31},
        {"monthly on the 31st expiring", 6, {2027, 1, 31}, {12, 0}, 0, {2027, 6, 30}},
        {"yearly", 7, {2026, 12, 9}, {10, 0}},
        {"yearly on 29 February", 7, {2028, 2, 29}, {10, 0}},
        {"yearly on 29 February, now on the 28th", 7, {2027, 2, 28}, {10, 0}, 29},
        {"yearly expiring", 7, {2026, 12, 31}, {23, 59}, 0, {2030, 12, 31}},
    };
}

RegistroAviso recordOf(const Row& row) {
    RegistroAviso r = RegistroAviso::nuevo(QDateTime(row.date, row.time));
    r.Descripcion = QString::fromLatin1(row.name).left(30);
    r.Texto = QStringLiteral("First line\r\nSecond line, with; signs");
    r.Repetir = static_cast<uint8_t>(row.repetir);
    r.setHoraProx(row.time);
    r.DiaElegido = static_cast<uint8_t>(row.chosenDay);
    if (row.expires.isValid()) {
        r.Caduca = true;
        r.setFechaUlt(row.expires);
    }
    return r;
}

constexpr int kCount = 14;

CalendarSettings settingsFor(int workingDays) {
    CalendarSettings s;
    s.workingDays = workingDays;
    s.now = QDateTime(QDate(2026, 12, 1), QTime(0, 0));
    s.addressBook[2] = QStringLiteral("ana@example.org");
    return s;
}

QString wall(const QDateTime& m) {
    return m.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// What the independent reader finds in one calendar: per UID, its occurrences.
QHash<QString, QStringList> expandElsewhere(const QByteArray& ics) {
    QTemporaryDir dir;
    QFile f(dir.filePath("export.ics"));
    f.open(QIODevice::WriteOnly);
    f.write(ics);
    f.close();
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(ORB_SOURCE_DIR "/tests/calendar/expand_occurrences.py"), f.fileName(),
             QString::number(kCount)});
    p.waitForFinished(60000);
    if (p.exitCode() != 0) qWarning() << p.readAllStandardError();
    QHash<QString, QStringList> found;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
        found[line.section('\t', 0, 0)] << line.section('\t', 1);
    return found;
}

const char* kThunderbird =
    "BEGIN:VCALENDAR\r\nPRODID:-//Mozilla.org/NONSGML Mozilla Calendar V1.1//EN\r\nVERSION:2.0\r\n"
    "BEGIN:VTIMEZONE\r\nTZID:Europe/Madrid\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\n"
    "TZOFFSETTO:+0200\r\nTZNAME:CEST\r\nDTSTART:19700329T020000\r\n"
    "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\n"
    "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\nDTSTART:19701025T030000\r\n"
    "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"
    "%1END:VCALENDAR\r\n";
const char* kGnome =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Ximian//NONSGML Evolution Calendar//EN\r\n"
    "BEGIN:VTIMEZONE\r\nTZID:/freeassociation.sourceforge.net/America/New_York\r\n"
    "X-LIC-LOCATION:America/New_York\r\nBEGIN:STANDARD\r\nTZNAME:EST\r\nDTSTART:19701101T020000\r\n"
    "RRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=11\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\n"
    "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nTZNAME:EDT\r\nDTSTART:19700308T020000\r\n"
    "RRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=3\r\nTZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\n"
    "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n%1END:VCALENDAR\r\n";

// A Thunderbird event: its bookkeeping lines, then `body`, then the alarms.
QString thunderbirdEvent(const QString& uid, const QString& body, const QStringList& triggers = {"-PT15M"}) {
    QString e =
        QStringLiteral("BEGIN:VEVENT\r\nCREATED:20261201T100000Z\r\nLAST-MODIFIED:20261201T100000Z\r\n"
                       "DTSTAMP:20261201T100000Z\r\nUID:%1\r\n%2TRANSP:OPAQUE\r\nX-MOZ-GENERATION:1\r\n")
            .arg(uid, body);
    for (const QString& t : triggers)
        e += QStringLiteral("BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;VALUE=DURATION:%1\r\n"
                            "DESCRIPTION:Default Mozilla Description\r\nEND:VALARM\r\n")
                 .arg(t);
    return e + QStringLiteral("X-MOZ-LASTACK:20261201T100000Z\r\nEND:VEVENT\r\n");
}

QString gnomeEvent(const QString& uid, const QString& body, const QString& trigger = {}) {
    QString e = QStringLiteral("BEGIN:VEVENT\r\nUID:%1\r\nDTSTAMP:20261201T100000Z\r\n%2"
                               "CREATED:20261201T100000Z\r\nLAST-MODIFIED:20261201T100000Z\r\n")
                    .arg(uid, body);
    if (!trigger.isEmpty())
        e += QStringLiteral("BEGIN:VALARM\r\nX-EVOLUTION-ALARM-UID:a-%1\r\nACTION:DISPLAY\r\n"
                            "TRIGGER;RELATED=START:%2\r\nDESCRIPTION:reminder\r\nEND:VALARM\r\n")
                 .arg(uid, trigger);
    return e + QStringLiteral("END:VEVENT\r\n");
}

using Kind = CalendarNote::Kind;

} // namespace

class TestCalendar : public QObject {
    Q_OBJECT
    QHash<int, QHash<QString, QStringList>> m_elsewhere; // per WorkingDays setting

private slots:
    void initTestCase() {
        QCOMPARE(QTimeZone::systemTimeZoneId(), QByteArray("Europe/Madrid"));
        for (int workingDays : {1, 2}) {
            QVector<CalendarReminder> all;
            for (const Row& row : exportRows())
                if (row.workingDays == workingDays)
                    all << CalendarReminder{QString::fromLatin1(row.name), recordOf(row)};
            m_elsewhere.insert(workingDays, expandElsewhere(CalendarOf(all, settingsFor(workingDays))));
        }
    }

    void exportReadElsewhereAndBack_data() {
        QTest::addColumn<int>("index");
        int i = 0;
        for (const Row& row : exportRows())
            QTest::newRow(row.name) << i++;
    }

    void exportReadElsewhereAndBack() {
        QFETCH(int, index);
        const Row row = exportRows()[index];
        const RegistroAviso r = recordOf(row);
        QStringList ours;
        for (const QDateTime& m : ReminderMoments(r, row.workingDays, kCount))
            ours << wall(m);
        QCOMPARE(m_elsewhere[row.workingDays].value(QString::fromLatin1(row.name)), ours);

        // Our own import gives back the same record, field for field.
        const CalendarSettings s = settingsFor(row.workingDays);
        const CalendarReading back = ReadCalendar(CalendarOf({{"uid-1", r}}, s), s);
        QVERIFY2(back.notes.isEmpty(),
                 back.notes.isEmpty() ? "" : qPrintable(englishText(back.notes.first())));
        QCOMPARE(back.reminders.size(), 1);
        QCOMPARE(back.reminders[0].uid, QString("uid-1"));
        QCOMPARE(back.reminders[0].aviso.toBytes(),
                 RegistroAviso::fromBytes(r.toBytes().constData()).toBytes());
    }

    // Every stored field, also those iCalendar has no word for, survives a
    // round trip; a reminder whose event was changed outside follows the event.
    void roundTripKeepsEveryField() {
        CalendarSettings s = settingsFor(1);
        s.addressBook[6] = QStringLiteral("bob@example.org");
        RegistroAviso r = recordOf({"all fields", 6, {2027, 2, 28}, {12, 0}, 31, {2027, 8, 31}});
        r.Sonido = QStringLiteral("/home/ana/sounds/bell, loud;1.wav");
        r.BorrarAlCaducar = true;
        r.Activo = false;
        r.Destinatarios[0] = 7;
        r.Destinatarios[1] = 3;
        r.Destinatarios[2] = 40; // an empty entry of the address book
        r.PorEmail = true;
        RegistroAviso finished = recordOf({"finished", 0, {2026, 11, 2}, {8, 0}});
        finished.Terminado = true;
        const QByteArray ics = CalendarOf({{"a", r}, {"b", finished}}, s);
        QVERIFY(ics.contains("STATUS:CANCELLED"));
        QVERIFY(ics.contains("ATTENDEE:mailto:bob@example.org"));
        QVERIFY(ics.contains("ACTION:EMAIL"));
        const CalendarReading back = ReadCalendar(ics, s);
        QCOMPARE(back.reminders.size(), 2);
        QCOMPARE(back.reminders[0].aviso.toBytes(), r.toBytes());
        QCOMPARE(back.reminders[1].aviso.toBytes(), finished.toBytes());

        // Another program made it every two months: it is read as a foreign
        // event, and refused for its interval.
        QByteArray edited = ics;
        edited.replace("FREQ=MONTHLY;", "FREQ=MONTHLY;INTERVAL=2;");
        const CalendarReading changed = ReadCalendar(edited, s);
        QCOMPARE(changed.reminders.size(), 1);
        QCOMPARE(changed.notes.size(), 1);
        QCOMPARE(changed.notes[0].kind, Kind::Interval);
    }

    void importsForeignCalendars_data() {
        QTest::addColumn<QString>("ics");
        QTest::addColumn<int>("refusal"); // a CalendarNote::Kind, or -1
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<int>("repetir");
        QTest::addColumn<QDate>("expires"); // invalid: none
        QTest::addColumn<bool>("active");
        QTest::addColumn<QList<int>>("recipients");
        QTest::addColumn<QList<int>>("losses");
        const QString tb = QString::fromLatin1(kThunderbird), gn = QString::fromLatin1(kGnome);
        auto row = [](const char* name, const QString& ics, int refusal, QDateTime moment = {},
                      int repetir = 0, QDate expires = {}, bool active = true, QList<int> recipients = {},
                      QList<int> losses = {}) {
            QTest::newRow(name) << ics << refusal << moment << repetir << expires << active << recipients
                                << losses;
        };
        const auto at = [](int y, int mo, int d, int h, int mi) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi));
        };
        row("Thunderbird weekly, alarm 15 minutes before",
            tb.arg(thunderbirdEvent("tb1", "SUMMARY:Team meeting\r\nRRULE:FREQ=WEEKLY\r\n"
                                           "DTSTART;TZID=Europe/Madrid:20261202T100000\r\n"
                                           "DTEND;TZID=Europe/Madrid:20261202T110000\r\n")),
            -1, at(2026, 12, 16, 9, 45), 5);
        row("Thunderbird every 2 weeks",
            tb.arg(thunderbirdEvent("tb2", "SUMMARY:Review\r\nRRULE:FREQ=WEEKLY;INTERVAL=2\r\n"
                                           "DTSTART;TZID=Europe/Madrid:20261202T100000\r\n")),
            int(Kind::Interval));
        row("Thunderbird the 2nd Tuesday",
            tb.arg(thunderbirdEvent("tb3", "SUMMARY:Board\r\nRRULE:FREQ=MONTHLY;BYDAY=2TU\r\n"
                                           "DTSTART;TZID=Europe/Madrid:20261208T100000\r\n")),
            int(Kind::NthWeekday));
        row("Thunderbird Monday, Wednesday, Friday, 10 times",
            tb.arg(thunderbirdEvent("tb4",
                                    "SUMMARY:Gym\r\nRRULE:FREQ=WEEKLY;COUNT=10;BYDAY=MO,WE,FR\r\n"
                                    "DTSTART;TZID=Europe/Madrid:20261207T100000\r\n",
                                    {})),
            -1, at(2026, 12, 11, 10, 0), 127 + 1 + 4 + 16, QDate(2026, 12, 28));
        row("Thunderbird daily, a day left out ahead",
            tb.arg(thunderbirdEvent(
                "tb5",
                "SUMMARY:Pills\r\nRRULE:FREQ=DAILY\r\nEXDATE;TZID=Europe/Madrid:20261220T090000\r\n"
                "DTSTART;TZID=Europe/Madrid:20261201T090000\r\n",
                {})),
            int(Kind::Exceptions));
        row("Thunderbird daily, a day left out in the past",
            tb.arg(thunderbirdEvent(
                "tb6",
                "SUMMARY:Pills\r\nRRULE:FREQ=DAILY\r\nEXDATE;TZID=Europe/Madrid:20261205T090000\r\n"
                "DTSTART;TZID=Europe/Madrid:20261201T090000\r\n",
                {})),
            -1, at(2026, 12, 10, 9, 0), 3);
        row("Thunderbird two alarms",
            tb.arg(thunderbirdEvent("tb7", "SUMMARY:Trip\r\nDTSTART;TZID=Europe/Madrid:20261220T090000\r\n",
                                    {"-PT15M", "-P1D"})),
            int(Kind::SeveralAlarms));
        row("Thunderbird the 31st of the months that have one",
            tb.arg(thunderbirdEvent("tb8",
                                    "SUMMARY:Rent\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=31\r\n"
                                    "DTSTART;TZID=Europe/Madrid:20270131T090000\r\n",
                                    {})),
            int(Kind::OccurrencesDiffer));
        row("Thunderbird last day of the month",
            tb.arg(thunderbirdEvent("tb9",
                                    "SUMMARY:Invoices\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=-1\r\n"
                                    "DTSTART;TZID=Europe/Madrid:20261231T090000\r\n",
                                    {})),
            -1, at(2026, 12, 31, 9, 0), 6);
        row("GNOME all-day birthday, alarm the day before",
            gn.arg(gnomeEvent("gn1",
                              "DTSTART;VALUE=DATE:20270115\r\nDTEND;VALUE=DATE:20270116\r\n"
                              "SUMMARY:Ana's birthday\r\nRRULE:FREQ=YEARLY\r\nTRANSP:TRANSPARENT\r\n",
                              "-P1D")),
            -1, at(2027, 1, 14, 9, 0), 7);
        row("GNOME all-day, once, no alarm",
            gn.arg(gnomeEvent("gn2",
                              "DTSTART;VALUE=DATE:20261224\r\nDTEND;VALUE=DATE:20261225\r\nSUMMARY:Eve\r\n")),
            -1, at(2026, 12, 24, 9, 0), 0);
        row("GNOME in New York, once",
            gn.arg(gnomeEvent(
                "gn3",
                "DTSTART;TZID=/freeassociation.sourceforge.net/America/New_York:20261210T200000\r\n"
                "SUMMARY:Call New York\r\n",
                "-PT30M")),
            -1, at(2026, 12, 11, 1, 30), 0);
        row("GNOME in New York, weekly: the zones change time on other days",
            gn.arg(gnomeEvent(
                "gn4", "DTSTART;TZID=/freeassociation.sourceforge.net/America/New_York:20261210T200000\r\n"
                       "SUMMARY:Weekly call\r\nRRULE:FREQ=WEEKLY\r\n")),
            int(Kind::OccurrencesDiffer));
        row("GNOME, over before now",
            gn.arg(gnomeEvent("gn5", "DTSTART:20261101T090000Z\r\nSUMMARY:Old\r\n")), int(Kind::NothingLeft));
        row("GNOME, cancelled, long summary, e-mail alarm",
            gn.arg(QStringLiteral(
                "BEGIN:VEVENT\r\nUID:gn6\r\nDTSTART;TZID=/freeassociation.sourceforge.net/America/New_York:"
                "20261215T030000\r\nSUMMARY:A summary that is longer than thirty characters\r\n"
                "STATUS:CANCELLED\r\nATTENDEE;CN=Ana:mailto:ana@example.org\r\n"
                "BEGIN:VALARM\r\nACTION:EMAIL\r\nTRIGGER:PT0S\r\nSUMMARY:x\r\nDESCRIPTION:x\r\n"
                "ATTENDEE:mailto:ANA@example.org\r\nATTENDEE:mailto:bob@elsewhere.example\r\n"
                "END:VALARM\r\nEND:VEVENT\r\n")),
            -1, at(2026, 12, 15, 9, 0), 0, {}, false, {3},
            {int(Kind::DescriptionCut), int(Kind::UnknownRecipient)});
    }

    void importsForeignCalendars() {
        QFETCH(QString, ics);
        QFETCH(int, refusal);
        CalendarSettings s = settingsFor(1);
        s.now = QDateTime(QDate(2026, 12, 9), QTime(12, 0));
        const CalendarReading got = ReadCalendar(ics.toUtf8(), s);
        QCOMPARE(got.events, 1);
        if (refusal >= 0) {
            QCOMPARE(got.reminders.size(), 0);
            QCOMPARE(got.notes.size(), 1);
            QCOMPARE(int(got.notes[0].kind), refusal);
            QVERIFY(got.notes[0].refused());
            QVERIFY(!englishText(got.notes[0]).isEmpty());
            return;
        }
        QFETCH(QDateTime, moment);
        QFETCH(int, repetir);
        QFETCH(QDate, expires);
        QFETCH(bool, active);
        QFETCH(QList<int>, recipients);
        QFETCH(QList<int>, losses);
        QCOMPARE(got.reminders.size(), 1);
        const RegistroAviso& r = got.reminders[0].aviso;
        QCOMPARE(QDateTime(r.fechaProx(), r.horaProx()), moment);
        QCOMPARE(int(r.Repetir), repetir);
        QCOMPARE(r.Caduca, expires.isValid());
        if (expires.isValid()) QCOMPARE(r.fechaUlt(), expires);
        QCOMPARE(r.Activo, active);
        QList<int> slots_;
        for (uint8_t k : r.Destinatarios)
            if (k) slots_ << k;
        QCOMPARE(slots_, recipients);
        QCOMPARE(r.PorEmail, !recipients.isEmpty());
        QList<int> noted;
        for (const CalendarNote& n : got.notes)
            noted << int(n.kind);
        QCOMPARE(noted, losses);
    }

    void notACalendar() {
        const CalendarReading got = ReadCalendar("From: someone\r\n\r\nhello\r\n", settingsFor(1));
        QCOMPARE(got.notes.size(), 1);
        QCOMPARE(got.notes[0].kind, Kind::NotICalendar);
    }
};

QTEST_GUILESS_MAIN(TestCalendar)
#include "tst_calendar.moc"
