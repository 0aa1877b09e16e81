// qvtool on reminders files made by another writer and on damaged ones: the
// JSON listing of every field, warnings with the whole records still listed,
// advance with and without removal, and nothing left beside the user's file.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {

struct Run {
    int rc = -1;
    QString out, err;
};

Run qvtool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(ORB_BINARY_DIR "/src/tools/qvtool"), args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QByteArray goldenBytes(const char* name) {
    QFile f(QStringLiteral(ORB_TEST_DATA "/store/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestQvtoolFiles : public QObject {
    Q_OBJECT
    QString folder, file;

    void place(const QByteArray& bytes) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QJsonArray list() {
        const Run r = qvtool({QStringLiteral("list"), file, QStringLiteral("--json")});
        return QJsonDocument::fromJson(r.out.toUtf8()).array();
    }

private slots:
    void init() {
        folder = QDir::currentPath() + QStringLiteral("/user");
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        file = folder + QStringLiteral("/mine.QVM");
    }

    void jsonListingOfAForeignFile() {
        place(goldenBytes("windows-two.qvm"));
        const Run r = qvtool({QStringLiteral("list"), file, QStringLiteral("--json")});
        QCOMPARE(r.rc, 0);
        QVERIFY(r.err.isEmpty());
        const QJsonArray all = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(all.size(), 2);
        const QJsonObject a = all[0].toObject();
        QCOMPARE(a[QLatin1String("Numero")].toInt(), 1);
        QCOMPARE(a[QLatin1String("Descripcion")].toString(), QStringLiteral("Cita m\u00e9dico"));
        QCOMPARE(a[QLatin1String("Texto")].toString(),
                 QStringLiteral("L\u00ednea 1\r\nL\u00ednea 2 cuesta 5 \u20ac"));
        QCOMPARE(a[QLatin1String("FechaProx")].toString(), QStringLiteral("2026-12-08"));
        QCOMPARE(a[QLatin1String("HoraProx")].toString(), QStringLiteral("09:30:00"));
        QCOMPARE(a[QLatin1String("FechaUlt")].toString(), QStringLiteral("2027-01-31"));
        QCOMPARE(a[QLatin1String("Destinatarios")].toArray(), QJsonArray({3, 7}));
        QCOMPARE(a[QLatin1String("Repetir")].toInt(), 3);
        QCOMPARE(a[QLatin1String("BorrarAlCaducar")].toBool(), true);
        const QJsonObject b = all[1].toObject();
        QCOMPARE(b[QLatin1String("Estado")].toInt(), 0);
        QCOMPARE(b[QLatin1String("Activo")].toBool(), true);
        QCOMPARE(b[QLatin1String("Repetir")].toInt(), 137);
        QCOMPARE(b[QLatin1String("Destinatarios")].toArray(), QJsonArray());
    }

    void dueAndPastAroundItsMinute_data() {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("due");
        QTest::addColumn<QString>("past");
        QTest::newRow("before") << "2026-12-08 09:29:59"
                                << ""
                                << "";
        QTest::newRow("its minute, first second") << "2026-12-08 09:30:00"
                                                  << "1\n"
                                                  << "";
        QTest::newRow("its minute, last second") << "2026-12-08 09:30:59"
                                                 << "1\n"
                                                 << "1\n";
        QTest::newRow("next minute") << "2026-12-08 09:31:00"
                                     << ""
                                     << "1\n";
        QTest::newRow("next day") << "2026-12-09 09:30:00"
                                  << ""
                                  << "1\n";
    }
    void dueAndPastAroundItsMinute() {
        QFETCH(QString, now);
        QFETCH(QString, due);
        QFETCH(QString, past);
        place(goldenBytes("clean-two.qvm")); // record 2 is finished: never due, never past
        QCOMPARE(qvtool({QStringLiteral("due"), file, QStringLiteral("--now"), now}).out, due);
        QCOMPARE(qvtool({QStringLiteral("past"), file, QStringLiteral("--now"), now}).out, past);
    }

    void advanceKeepsOrRemovesAndLeavesNoWorkFiles() {
        place(goldenBytes("clean-two.qvm"));
        // Daily 09:30 shown at its time: moves to tomorrow.
        Run r = qvtool({QStringLiteral("advance"), file, QStringLiteral("1"), QStringLiteral("--now"),
                        QStringLiteral("2026-12-08 09:30:00")});
        QCOMPARE(r.rc, 0);
        QCOMPARE(r.out, QStringLiteral("kept\n"));
        QCOMPARE(list()[0].toObject()[QLatin1String("FechaProx")].toString(), QStringLiteral("2026-12-09"));
        // On its expiry day, with removal: removed, and the marked record 2 goes with it.
        r = qvtool({QStringLiteral("advance"), file, QStringLiteral("1"), QStringLiteral("--now"),
                    QStringLiteral("2027-01-31 09:30:00")});
        QCOMPARE(r.out, QStringLiteral("removed\n"));
        QCOMPARE(list().size(), 0);
        QCOMPARE(QFileInfo(file).size(), 0);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"mine.QVM"}));
    }

    void damagedFileIsListedWithAWarning() {
        QByteArray bytes = goldenBytes("clean-two.qvm");
        bytes.chop(400);
        place(bytes);
        const Run r = qvtool({QStringLiteral("list"), file});
        QCOMPARE(r.rc, 0);
        QVERIFY(r.err.contains(QStringLiteral("836")));
        QCOMPARE(r.out.count(QLatin1Char('\n')), 1);
        QVERIFY(r.out.startsWith(QStringLiteral("1\t")));
        // Advancing the whole record keeps it; the torn bytes are never taken for a record.
        const Run a = qvtool({QStringLiteral("advance"), file, QStringLiteral("2"), QStringLiteral("--now"),
                              QStringLiteral("2026-12-08 09:30:00")});
        QCOMPARE(a.rc, 2);
        QCOMPARE(qvtool({QStringLiteral("advance"), file, QStringLiteral("1"), QStringLiteral("--now"),
                         QStringLiteral("2026-12-08 09:30:00")})
                     .out,
                 QStringLiteral("kept\n"));
        QCOMPARE(list().size(), 1);
    }

    void clearErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::newRow("due without --now") << QStringList{"due", "@"} << 2;
        QTest::newRow("date without seconds") << QStringList{"due", "@", "--now", "2026-12-08 09:30"} << 2;
        QTest::newRow("29 February of a common year")
            << QStringList{"past", "@", "--now", "2027-02-29 09:30:00"} << 2;
        QTest::newRow("record 0") << QStringList{"advance", "@", "0", "--now", "2026-12-08 09:30:00"} << 2;
        QTest::newRow("record -1") << QStringList{"advance", "@", "-1", "--now", "2026-12-08 09:30:00"} << 2;
        QTest::newRow("working days not a number")
            << QStringList{"advance", "@", "1", "--now", "2026-12-08 09:30:00", "--working-days", "x"} << 2;
        QTest::newRow("working days missing")
            << QStringList{"advance", "@", "1", "--now", "2026-12-08 09:30:00", "--working-days"} << 2;
        QTest::newRow("a folder, not a file") << QStringList{"list", "#"} << 1;
        // Text Windows-1252 cannot hold is refused, never stored as '?'.
        QTest::newRow("description in Cyrillic")
            << QStringList{"add",    "@",          "--desc", QString::fromUtf8("Врач"),
                           "--date", "2026-12-08", "--time", "10:00"}
            << 2;
        QTest::newRow("sound in a folder named in another script")
            << QStringList{"add",     "@",
                           "--desc",  "x",
                           "--date",  "2026-12-08",
                           "--time",  "10:00",
                           "--sound", QString::fromUtf8("/home/u/Звуки/a.wav")}
            << 2;
        QTest::newRow("profile: Polish name")
            << QStringList{"profile", "@", "--name", QString::fromUtf8("Łukasz"), "--email", "l@example.test"}
            << 2;
        QTest::newRow("profile: Cyrillic password")
            << QStringList{"profile",        "@",          "--email",
                           "l@example.test", "--password", QString::fromUtf8("пароль")}
            << 2;
    }
    void clearErrors() {
        QFETCH(QStringList, args);
        QFETCH(int, rc);
        place(goldenBytes("clean-two.qvm"));
        args.replaceInStrings(QStringLiteral("@"), file).replaceInStrings(QStringLiteral("#"), folder);
        const Run r = qvtool(args);
        QCOMPARE(r.rc, rc);
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(goldenBytes("clean-two.qvm"), [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }()); // nothing written
    }
};

QTEST_GUILESS_MAIN(TestQvtoolFiles)
#include "tst_qvtoolfiles.moc"
