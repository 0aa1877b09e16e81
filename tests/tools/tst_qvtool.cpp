// qvtool as a script would use it: settings after a first start, reminders
// files listed, tested and advanced, and clear errors with non-zero exits.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtEndian>
#include <QtTest>

namespace {
struct Run {
    int rc;
    QString out, err;
};

Run qvtool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(ORB_BINARY_DIR "/src/tools/qvtool"), args);
    p.waitForFinished(20000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

class TestQvtool : public QObject {
    Q_OBJECT
private slots:
    void settings() {
        // Before any start nothing exists; a set creates the value.
        QVERIFY(qvtool({"settings", "list"}).out.contains("(missing)"));
        QCOMPARE(qvtool({"settings", "set", "CloseMsgs", "300"}).rc, 0);
        QCOMPARE(qvtool({"settings", "get", "closemsgs"}).out.trimmed(), QString("44")); // written in 8 bits
        QCOMPARE(qvtool({"settings", "set", "Splash", "maybe"}).rc, 2);
        QCOMPARE(qvtool({"settings", "set", "MajorVers", "3"}).rc, 2); // written by the defaults only
        QCOMPARE(qvtool({"settings", "get", "Nothing"}).rc, 2);
        QCOMPARE(qvtool({"settings", "set", "MsgWindowExPos", "10,20"}).rc, 0);
        QCOMPARE(qvtool({"settings", "get", "MsgWindowExPos"}).out.trimmed(),
                 QString("0a 00 00 00 14 00 00 00"));
        // Rows the defaults routine leaves out are listed and written like the others.
        QVERIFY(qvtool({"settings", "list"}).out.contains("\nMaxAttachmentsSize\tinteger\t(missing)\n"));
        QCOMPARE(qvtool({"settings", "set", "dialupbackend", "nmcli"}).rc, 0);
        QCOMPARE(qvtool({"settings", "get", "DialUpBackend"}).out.trimmed(), QString("nmcli"));
    }

    // A damaged settings file is reported with the value and the file, and a
    // non-zero exit; a settings file that cannot be written too.
    void settingsProblemsAreReported() {
        const QString hive = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Orbalinder/settings.conf";
        QDir().mkpath(QFileInfo(hive).absolutePath());
        QFile f(hive);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Software\\Norvo Freeware\\Orbalinder]\nEmail=sz:yes\nCloseMsgs=dword:5\n");
        f.close();
        const Run list = qvtool({"settings", "list"});
        QCOMPARE(list.rc, 1);
        QVERIFY2(list.err.contains("Email") && list.err.contains(hive), qPrintable(list.err));
        QVERIFY(list.out.contains("CloseMsgs\tinteger\t5"));

        QFile::remove(hive);
        QVERIFY(QDir().mkpath(hive + "/x")); // a folder where the file should be
        const Run set = qvtool({"settings", "set", "Splash", "0"});
        QVERIFY(set.rc != 0);
        QVERIFY2(set.err.contains(hive), qPrintable(set.err));
        QVERIFY(QDir(hive).removeRecursively());
    }

    void remindersFile() {
        const QString file = QDir::currentPath() + "/r.QVM";
        QCOMPARE(qvtool({"add", file, "--desc", "Daily", "--date", "2026-12-08", "--time", "10:30",
                         "--repeat", "3", "--recipients", "2,7"})
                     .out.trimmed(),
                 QString("1"));
        QCOMPARE(qvtool({"add", file, "--desc", "Once", "--date", "2026-12-08", "--time", "09:00",
                         "--expires", "2026-12-08", "--delete"})
                     .out.trimmed(),
                 QString("2"));
        const Run list = qvtool({"list", file, "--json"});
        QCOMPARE(list.rc, 0);
        const QJsonArray all = QJsonDocument::fromJson(list.out.toUtf8()).array();
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[0].toObject()["HoraProx"].toString(), QString("10:30:00"));
        QCOMPARE(all[0].toObject()["Destinatarios"].toArray(), QJsonArray({2, 7}));
        QCOMPARE(all[1].toObject()["BorrarAlCaducar"].toBool(), true);

        QCOMPARE(qvtool({"due", file, "--now", "2026-12-08 10:30:40"}).out, QString("1\n"));
        QCOMPARE(qvtool({"past", file, "--now", "2026-12-08 10:30:40"}).out, QString("1\n2\n"));
        QCOMPARE(qvtool({"advance", file, "1", "--now", "2026-12-08 10:30:40"}).out, QString("kept\n"));
        QCOMPARE(qvtool({"advance", file, "2", "--now", "2026-12-08 10:30:40"}).out, QString("removed\n"));
        const QJsonArray after =
            QJsonDocument::fromJson(qvtool({"list", file, "--json"}).out.toUtf8()).array();
        QCOMPARE(after.size(), 1);
        QCOMPARE(after[0].toObject()["FechaProx"].toString(), QString("2026-12-09"));

        // A local time that a spring-forward change skips is a valid --now: the
        // rules read the wall clock only.
        qputenv("TZ", "Europe/Madrid");
        const QString gap = QDir::currentPath() + "/gap.QVM";
        qvtool({"add", gap, "--desc", "Gap", "--date", "2026-03-29", "--time", "02:30", "--repeat", "3"});
        QCOMPARE(qvtool({"due", gap, "--now", "2026-03-29 02:30:10"}).out, QString("1\n"));
        QCOMPARE(qvtool({"advance", gap, "1", "--now", "2026-03-29 02:30:10"}).out, QString("kept\n"));
        qunsetenv("TZ");
    }

    // A reminders file to a calendar and back: the same reminders field for
    // field, nothing added twice by a second import, what cannot be held named
    // on standard error with the rest imported, and a file that is no calendar refused.
    void calendarExportAndImport() {
        qputenv("TZ", "Europe/Madrid");
        const QString file = QDir::currentPath() + "/cal.QVM", copy = QDir::currentPath() + "/copy.QVM",
                      ics = QDir::currentPath() + "/cal.ics";
        qvtool({"add", file, "--desc", "Rent", "--date", "2027-01-31", "--time", "09:00", "--repeat", "6"});
        qvtool({"add", file, "--desc", "Gym", "--date", "2026-12-08", "--time", "19:30", "--repeat", "149",
                "--expires", "2027-03-02", "--delete", "--sound", "/sounds/gong.wav", "--off"});
        QCOMPARE(qvtool({"export", file, ics}).out, QString("2 reminders exported\n"));
        QVERIFY(QFile::exists(file + ".ids")); // the UIDs, kept beside the file
        const Run first = qvtool({"import", copy, ics, "--now", "2026-12-01 10:00:00"});
        QCOMPARE(first.out, QString("2 events: 2 imported, 0 already in the file, 0 not imported\n"));
        QCOMPARE(qvtool({"list", copy, "--json"}).out, qvtool({"list", file, "--json"}).out);
        QCOMPARE(qvtool({"import", copy, ics, "--now", "2026-12-01 10:00:00"}).out,
                 QString("2 events: 0 imported, 2 already in the file, 0 not imported\n"));
        // The copy's reminders keep the UIDs of the events they came from.
        QCOMPARE(qvtool({"export", copy, ics + "2"}).rc, 0);
        QFile a(ics), b(ics + "2");
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        auto uidLines = [](QFile& f) {
            QStringList u;
            for (const QByteArray& line : f.readAll().split('\n'))
                if (line.startsWith("UID:")) u << QString::fromUtf8(line.trimmed());
            return u;
        };
        QCOMPARE(uidLines(b), uidLines(a));

        QFile foreign(QDir::currentPath() + "/foreign.ics");
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
                      "BEGIN:VEVENT\r\nUID:f1\r\nSUMMARY:Fortnightly\r\nDTSTART:20261210T090000\r\n"
                      "RRULE:FREQ=WEEKLY;INTERVAL=2\r\nEND:VEVENT\r\n"
                      "BEGIN:VEVENT\r\nUID:f2\r\nSUMMARY:Dentist\r\nDTSTART:20261210T090000\r\nEND:VEVENT\r\n"
                      "END:VCALENDAR\r\n");
        foreign.close();
        const Run mixed = qvtool({"import", copy, foreign.fileName(), "--now", "2026-12-01 10:00:00"});
        QCOMPARE(mixed.rc, 0);
        QCOMPARE(mixed.out, QString("2 events: 1 imported, 0 already in the file, 1 not imported\n"));
        QVERIFY2(mixed.err.contains("\"Fortnightly\": not imported: it repeats at an interval of 2"),
                 qPrintable(mixed.err));

        const Run notCalendar = qvtool({"import", copy, file, "--now", "2026-12-01 10:00:00"});
        QCOMPARE(notCalendar.rc, 1);
        QVERIFY(notCalendar.err.contains("not an iCalendar file"));
        QCOMPARE(qvtool({"export", QDir::currentPath() + "/none.QVM", ics}).rc, 1);
        qunsetenv("TZ");
    }

    void errors() {
        const QString file = QDir::currentPath() + "/e.QVM";
        QCOMPARE(qvtool({"list", file}).rc, 1); // missing file
        QVERIFY(qvtool({"list", file}).err.contains("no such file"));
        qvtool({"add", file, "--desc", "x", "--date", "2026-12-08", "--time", "10:00"});
        QCOMPARE(qvtool({"due", file, "--now", "2026-13-40 10:00:00"}).rc, 2);
        QCOMPARE(qvtool({"due", file}).rc, 2);
        QCOMPARE(qvtool({"advance", file, "9", "--now", "2026-12-08 10:00:00"}).rc, 2);
        QCOMPARE(qvtool({"advance", file, "x", "--now", "2026-12-08 10:00:00"}).rc, 2);
        QCOMPARE(qvtool({"frobnicate"}).rc, 2);
        // A torn file is used for its whole records, with a warning.
        QFile f(file);
        QVERIFY(f.open(QIODevice::Append));
        f.write("xyz");
        f.close();
        const Run torn = qvtool({"list", file});
        QCOMPARE(torn.rc, 0);
        QVERIFY(torn.err.contains("not a multiple of 836"));
        QCOMPARE(torn.out.count('\n'), 1);
    }

    // set and remove change one reminder as the editor and the delete command
    // do; a refused command leaves the file's bytes as they were.
    void editOneReminder_data() {
        QTest::addColumn<QStringList>("args"); // FILE stands for the reminders file
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>(
            "expected"); // "N:Field=value,..." of the listing after, or "" for unchanged
        QTest::newRow("description and text")
            << QStringList{"set", "FILE", "2", "--desc", "Nuevo", "--text", "a\\nb"} << 0
            << "2:Descripcion=Nuevo,Texto=a\\r\\nb,Repetir=5;1:Descripcion=One";
        QTest::newRow("date, time, repetition")
            << QStringList{"set", "FILE", "1", "--date", "2027-01-02", "--time", "07:05", "--repeat", "132"}
            << 0 << "1:FechaProx=2027-01-02,HoraProx=07:05:00,Repetir=132";
        QTest::newRow("saved switched off")
            << QStringList{"set", "FILE", "1", "--off"} << 0 << "1:Activo=false";
        QTest::newRow("saving unfinishes and switches on")
            << QStringList{"set", "FILE", "3", "--desc", "Again"} << 0
            << "3:Terminado=false,Activo=true,Descripcion=Again";
        QTest::newRow("remove renumbers")
            << QStringList{"remove", "FILE", "2"} << 0 << "2:Descripcion=Three,Numero=2;1:Descripcion=One";
        QTest::newRow("number past the end") << QStringList{"set", "FILE", "4", "--off"} << 2 << "";
        QTest::newRow("number zero") << QStringList{"remove", "FILE", "0"} << 2 << "";
        QTest::newRow("not a number") << QStringList{"set", "FILE", "x"} << 2 << "";
        QTest::newRow("on and off") << QStringList{"set", "FILE", "1", "--on", "--off"} << 2 << "";
        QTest::newRow("empty weekday set") << QStringList{"set", "FILE", "1", "--repeat", "127"} << 2 << "";
        QTest::newRow("bad date") << QStringList{"set", "FILE", "1", "--date", "2027-02-30"} << 2 << "";
        QTest::newRow("unstorable text")
            << QStringList{"set", "FILE", "1", "--desc", "\u2713 done"} << 2 << "";
        QTest::newRow("empty description") << QStringList{"set", "FILE", "1", "--desc", " "} << 2 << "";
        QTest::newRow("unknown option") << QStringList{"set", "FILE", "1", "--colour", "red"} << 2 << "";
        QTest::newRow("remove without number") << QStringList{"remove", "FILE"} << 2 << "";
        QTest::newRow("missing file") << QStringList{"set", "MISSING", "1", "--off"} << 1 << "";
    }
    void editOneReminder() {
        QFETCH(QStringList, args);
        QFETCH(int, rc);
        QFETCH(QString, expected);
        const QString file = QDir::currentPath() + "/edit.QVM";
        QFile::remove(file);
        qvtool({"add", file, "--desc", "One", "--date", "2026-12-08", "--time", "10:30", "--repeat", "3"});
        qvtool({"add", file, "--desc", "Two", "--date", "2026-12-09", "--time", "11:00", "--repeat", "5"});
        qvtool({"add", file, "--desc", "Three", "--date", "2026-12-08", "--time", "09:00", "--off"});
        QCOMPARE(qvtool({"advance", file, "3", "--now", "2026-12-08 09:00:10"}).out,
                 QString("kept\n")); // finished
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        for (QString& a : args) {
            a.replace("MISSING", file + ".none").replace("FILE", file);
            a.replace("\\u2713", QString(QChar(0x2713)));
        }
        const Run run = qvtool(args);
        QVERIFY2(run.rc == rc, qPrintable(run.err));
        if (rc != 0) QVERIFY2(!run.err.isEmpty(), "a refusal says why");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        f.close();
        if (expected.isEmpty()) {
            QCOMPARE(after, before);
            return;
        }
        const QJsonArray all = QJsonDocument::fromJson(qvtool({"list", file, "--json"}).out.toUtf8()).array();
        QCOMPARE(all.size(), args[0] == "remove" ? 2 : 3);
        for (const QString& part : expected.split(';')) {
            const QJsonObject r = all[part.section(':', 0, 0).toInt() - 1].toObject();
            for (const QString& pair : part.section(':', 1).split(',')) {
                const QString key = pair.section('=', 0, 0), want = pair.section('=', 1);
                const QJsonValue v = r[key];
                const QString got = v.isBool()     ? (v.toBool() ? "true" : "false")
                                    : v.isDouble() ? QString::number(v.toInt())
                                                   : v.toString().replace("\r\n", "\\r\\n");
                QVERIFY2(got == want, qPrintable(part + ": " + key + " is " + got));
            }
        }
    }

    // The profile's security options reach QV.PFS beside the profiles file;
    // what the stores cannot hold or does not exist is refused and nothing changes.
    void profileSecurity_data() {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("inFile"); // a line QV.PFS must hold, or the error's text
        QTest::newRow("provider set-up")
            << QStringList{"--smtp-security", "starttls", "--pop3-security", "tls",
                           "--smtp-password", "s3cret ñ"}
            << 0 << "smtp-security=starttls\npop3-security=tls\nsmtp-password=s3cret%20%C3%B1\n";
        QTest::newRow("local server in clear")
            << QStringList{"--pop3-security", "stls", "--allow-plain"} << 0 << "allow-plain=yes";
        QTest::newRow("trusted certificates") << QStringList{"--ca-file", "ca.pem"} << 0 << "ca-file=";
        QTest::newRow("unknown security word")
            << QStringList{"--smtp-security", "ssl"} << 2 << "none, starttls or tls";
        QTest::newRow("POP3 has no STARTTLS word")
            << QStringList{"--pop3-security", "starttls"} << 2 << "none, stls or tls";
        QTest::newRow("missing certificates file")
            << QStringList{"--ca-file", "nothing.pem"} << 2 << "nothing.pem";
        QTest::newRow("file without certificates") << QStringList{"--ca-file", "plain.txt"} << 2 << "PEM";
        QTest::newRow("name outside Windows-1252")
            << QStringList{"--name", "Ana ☕"} << 2 << "(Windows-1252): ☕";
        QTest::newRow("field too long") << QStringList{"--login", QString(61, 'x')} << 2 << "longer than 60";
    }

    void profileSecurity() {
        QFETCH(QStringList, extra);
        QFETCH(int, rc);
        QFETCH(QString, inFile);
        QDir().mkpath("sec");
        QDir::setCurrent("sec");
        QFile::remove("QV.PFL");
        QFile::remove("QV.PFS");
        QFile ca("ca.pem"), text("plain.txt");
        QVERIFY(ca.open(QIODevice::WriteOnly) && text.open(QIODevice::WriteOnly));
        ca.write("-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n");
        text.write("hello\n");
        ca.close();
        text.close();
        QStringList args{"profile",         "QV.PFL", "--name",           "Ana",    "--email",
                         "ana@example.org", "--smtp", "smtp.example.org", "--pop3", "pop.example.org",
                         "--login",         "ana",    "--password",       "pw"};
        for (int i = 0; i + 1 < extra.size(); i += 2) // a value given here replaces the default
            if (args.contains(extra[i])) args[args.indexOf(extra[i]) + 1] = extra[i + 1];
        args += extra;
        const Run run = qvtool(args);
        QDir::setCurrent("..");
        QCOMPARE(run.rc, rc);
        QFile pfs("sec/QV.PFS");
        if (rc != 0) {
            QVERIFY2(run.err.contains(inFile), qPrintable(run.err));
            QVERIFY(!QFile::exists("sec/QV.PFL"));
            QVERIFY(!pfs.exists());
            return;
        }
        QVERIFY(pfs.open(QIODevice::ReadOnly));
        const QString stored = QString::fromUtf8(pfs.readAll());
        QVERIFY2(stored.contains("[profile 1]\nemail=ana@example.org\nsmtp-server=smtp.example.org\n"),
                 qPrintable(stored));
        QVERIFY2(stored.contains(inFile), qPrintable(stored));
        QCOMPARE(pfs.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    // The listing's dates and times, at the edges of what a stored value can
    // hold, as Qt writes yyyy-MM-dd and HH:mm:ss.
    void listDatesAndTimes_data() {
        QTest::addColumn<double>("day");  // stored FechaProx
        QTest::addColumn<double>("time"); // stored HoraProx
        QTest::addColumn<QString>("expected");
        QTest::newRow("the epoch") << 0.0 << 0.0 << "FechaProx=1899-12-30 HoraProx=00:00:00";
        QTest::newRow("first year, padded") << -693593.0 << 0.5 << "FechaProx=0001-01-01 HoraProx=12:00:00";
        QTest::newRow("year before the first")
            << -693594.0 << 0.25 << "FechaProx=-0001-12-31 HoraProx=06:00:00";
        QTest::newRow("last second of 9999") << 2958465.0 << (23 / 24.0 + 59 / 1440.0 + 59.4 / 86400)
                                             << "FechaProx=9999-12-31 HoraProx=23:59:59";
        QTest::newRow("five-digit year")
            << 2958466.0 << 0.99999999 << "FechaProx=10000-01-01 HoraProx=23:59:59";
        QTest::newRow("negative time") << -800000.0 << -0.25 << "FechaProx=-0292-09-02 HoraProx=06:00:00";
        QTest::newRow("not a number") << qQNaN() << qQNaN() << "FechaProx=1899-12-30 HoraProx=00:00:00";
        QTest::newRow("past every day") << 1e300 << 1e300 << "FechaProx=1899-12-30 HoraProx=00:00:00";
        QTest::newRow("time past a day") << 46000.0 << 1.5 << "FechaProx=2025-12-09 HoraProx=12:00:00";
    }
    void listDatesAndTimes() {
        QFETCH(double, day);
        QFETCH(double, time);
        QFETCH(QString, expected);
        QByteArray record(836, '\0');
        record[0] = 2;
        record[2] = 1;
        record[4] = 1;
        record[6] = 1;
        record[7] = 'x';
        qToLittleEndian(day, record.data() + 40);
        qToLittleEndian(time, record.data() + 48);
        record[56] = 3;
        const QString file = QDir::currentPath() + "/dates.QVM";
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(record);
        f.close();
        const Run r = qvtool({"list", file});
        QCOMPARE(r.rc, 0);
        QVERIFY2(r.out.startsWith("1\tEstado=2 Activo=1 Terminado=0 Repetir=3 " + expected + " Caduca=0 "),
                 qPrintable(r.out));
        QVERIFY2(r.out.endsWith(" FechaUlt=1899-12-30 PorEmail=0 Destinatarios=[] Sonido=\"\"\tx\t\n"),
                 qPrintable(r.out));
        QFile::remove(file);
    }

    // Each listing line holds what the JSON listing holds, written for the
    // terminal: texts with their control characters as \uXXXX and the text's
    // CR LF as "\n", flags as 0 or 1, recipients in their slots' order.
    void listAgreesWithJson_data() {
        QTest::addColumn<QByteArrayList>("records");
        const auto record = [](int n) {
            QByteArray r(836, '\0');
            r[0] = char(n % 3);     // Estado, 0 included
            r[2] = char(n % 4 * 3); // flags other than 1 are set too
            r[3] = char(n % 2);
            qToLittleEndian(quint16(n), r.data() + 4);
            qToLittleEndian(46000.0 + n, r.data() + 40);
            qToLittleEndian(n / 97.0, r.data() + 48);
            r[56] = char(n % 8);
            r[569] = char(n % 5);
            r[570] = char(n % 2 * 9);
            qToLittleEndian(46100.0 - n, r.data() + 572);
            r[580] = char(n % 2);
            return r;
        };
        const auto text = [](QByteArray& r, int offset, int capacity, const QByteArray& bytes, int size) {
            r[offset] = char(size);
            r.replace(offset + 1, qMin<int>(bytes.size(), capacity), bytes.left(capacity));
        };
        QByteArrayList bytes;
        for (int n = 1; n <= 9; ++n) {
            QByteArray r = record(n), run;
            for (int i = 0; i < 255; ++i)
                run += char((n * 255 + i) % 256);
            text(r, 6, 30, run.mid(n * 29 % 225), 30);
            text(r, 57, 255, run, 255);
            text(r, 313, 255, run.mid(n), 254);
            for (int i = 0; i < 255; i += n + 1)
                r[581 + i] = char(i * 7 % 256);
            bytes << r;
        }
        QTest::newRow("every byte in every text") << bytes;
        QByteArray overlong = record(1), empty = record(2);
        text(overlong, 6, 30, QByteArray(30, 'd'), 255); // a length past its field reads the field
        text(overlong, 57, 255, QByteArray(255, 't'), 255);
        text(overlong, 313, 255, QByteArray(255, 's'), 255);
        overlong[36] = 'X'; // beyond the description: never shown
        QTest::newRow("lengths at and past their fields") << QByteArrayList{overlong, empty};
        QByteArrayList breaks;
        for (const QByteArray& t : {QByteArray("a\r\nb\r\r\nc\n\rd\r\n"), QByteArray("\r\n\r\n"),
                                    QByteArray("end\r"), QByteArray("\n\r")}) {
            QByteArray r = record(breaks.size() + 1);
            text(r, 57, 255, t + '\n', int(t.size())); // the LF after the length is not the text's
            text(r, 6, 30, t, int(t.size()));          // nor a line break outside the text
            breaks << r;
        }
        QTest::newRow("line breaks") << breaks;
        QByteArrayList days;
        for (int n = 0; n < 2000; ++n) {
            QByteArray r = record(n + 1);
            qToLittleEndian(-693593.0 + n * 1826.3, r.data() + 40); // year 1 to 9999
            qToLittleEndian(2958465.0 - n * 1461.0 - 0.75, r.data() + 572);
            qToLittleEndian(n / 2000.0, r.data() + 48);
            days << r;
        }
        QTest::newRow("days across the calendar") << days;
    }
    void listAgreesWithJson() {
        QFETCH(QByteArrayList, records);
        const QString file = QDir::currentPath() + "/agree.QVM";
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(records.join());
        f.close();
        const auto printable = [](QString t) {
            QString out;
            for (const QChar c : t)
                out += c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f)
                           ? QString("\\u%1").arg(c.unicode(), 4, 16, QChar('0'))
                           : QString(c);
            return out;
        };
        const auto flag = [](const QJsonValue& v) { return v.toBool() ? QString("1") : QString("0"); };
        const QJsonArray all = QJsonDocument::fromJson(qvtool({"list", file, "--json"}).out.toUtf8()).array();
        const Run list = qvtool({"list", file});
        QCOMPARE(list.rc, 0);
        const QStringList lines = list.out.split('\n');
        QCOMPARE(lines.size(), records.size() + 1);
        QCOMPARE(all.size(), records.size());
        for (int i = 0; i < all.size(); ++i) {
            const QJsonObject r = all[i].toObject();
            QStringList recipients;
            for (const QJsonValue v : r["Destinatarios"].toArray())
                recipients << QString::number(v.toInt());
            const QString expected =
                QString("%1\tEstado=%2 Activo=%3 Terminado=%4 Repetir=%5 FechaProx=%6 HoraProx=%7 Caduca=%8 "
                        "BorrarAlCaducar=%9 FechaUlt=%10 PorEmail=%11 Destinatarios=[%12] Sonido=\"%13\"\t")
                    .arg(r["Numero"].toInt())
                    .arg(r["Estado"].toInt())
                    .arg(flag(r["Activo"]), flag(r["Terminado"]))
                    .arg(r["Repetir"].toInt())
                    .arg(r["FechaProx"].toString(), r["HoraProx"].toString(), flag(r["Caduca"]),
                         flag(r["BorrarAlCaducar"]), r["FechaUlt"].toString(), flag(r["PorEmail"]),
                         recipients.join(','), printable(r["Sonido"].toString())) +
                printable(r["Descripcion"].toString()) + '\t' +
                printable(r["Texto"].toString().replace("\r\n", "\\n"));
            QCOMPARE(lines[i], expected);
        }
        QFile::remove(file);
    }
};

QTEST_GUILESS_MAIN(TestQvtool)
#include "tst_qvtool.moc"
