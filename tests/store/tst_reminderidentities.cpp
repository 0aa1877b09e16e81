// The identities kept beside a reminders file stay with their reminders when
// the file changes under them: renumbering, reminders added or removed by
// another program, a reminder changed in place, a copy; a damaged companion
// file is replaced, and an unchanged one is not rewritten.
#include "store/ReminderFile.h"
#include "store/ReminderIdentities.h"

#include <QtTest>

namespace {

RegistroAviso reminder(const QString& description) {
    RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 9), QTime(9, 0)));
    r.Descripcion = description;
    r.Repetir = 3;
    return r;
}

// The file holds one reminder per letter, in order ("B'" is B with its text changed).
void writeFile(const QString& path, const QStringList& letters) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    int n = 0;
    for (const QString& letter : letters) {
        RegistroAviso r = reminder(letter.left(1));
        if (letter.endsWith(QLatin1Char('\''))) r.Repetir = 5; // changed beyond its description
        r.Numero = static_cast<uint16_t>(++n);
        f.write(r.toBytes());
    }
}

} // namespace

class TestReminderIdentities : public QObject {
    Q_OBJECT
private slots:
    void followTheirReminders_data() {
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>(
            "expected"); // per reminder: the letter whose UID it keeps, "-" for none
        QTest::newRow("unchanged") << QStringList{"A", "B", "C"} << QStringList{"A", "B", "C"};
        QTest::newRow("renumbered after a removal") << QStringList{"A", "C"} << QStringList{"A", "C"};
        QTest::newRow("first removed") << QStringList{"B", "C"} << QStringList{"B", "C"};
        QTest::newRow("appended by another program")
            << QStringList{"A", "B", "C", "D"} << QStringList{"A", "B", "C", "-"};
        QTest::newRow("changed in place") << QStringList{"A", "B'", "C"} << QStringList{"A", "B", "C"};
        QTest::newRow("one removed and one added, same count")
            << QStringList{"A", "C", "D"} << QStringList{"A", "C", "-"};
        QTest::newRow("a copy keeps no UID of its own")
            << QStringList{"A", "A", "B", "C"} << QStringList{"A", "-", "B", "C"};
        QTest::newRow("all removed") << QStringList{} << QStringList{};
    }

    void followTheirReminders() {
        QFETCH(QStringList, after);
        QFETCH(QStringList, expected);
        const QString file = QDir::currentPath() + "/f.QVM";
        QFile::remove(ReminderIdentities::pathFor(file));
        writeFile(file, {"A", "B", "C"});
        QHash<QString, QString> uidOf;
        {
            ReminderIdentities ids = ReminderIdentities::load(file);
            QCOMPARE(ids.count(), 3);
            for (int n = 1; n <= 3; ++n)
                uidOf.insert(QString(QChar('A' + n - 1)), ids.uid(n));
            ids.setValue(2, "caldav.href", "/cal/b.ics");
            ids.save();
        }
        writeFile(file, after);
        ReminderIdentities ids = ReminderIdentities::load(file);
        QVERIFY(ids.problem().isEmpty());
        QCOMPARE(ids.count(), after.size());
        for (int n = 1; n <= after.size(); ++n) {
            const QString want = expected[n - 1];
            if (want == "-") {
                QVERIFY(!uidOf.values().contains(ids.uid(n))); // a new one
            } else {
                QCOMPARE(ids.numberOf(uidOf[want]), n);
                QCOMPARE(ids.value(n, "caldav.href"), want == "B" ? QString("/cal/b.ics") : QString());
            }
        }
    }

    void appendedSavedAndDamaged() {
        const QString file = QDir::currentPath() + "/g.QVM";
        const QString companion = ReminderIdentities::pathFor(file);
        writeFile(file, {"A"});
        ReminderIdentities ids = ReminderIdentities::load(file);
        const QString a = ids.uid(1);
        QVERIFY(AnadirAviso(file, QDir::currentPath() + "/g.IDX", reminder("N")) == 2);
        ids.appended(reminder("N"));
        ids.setUid(2, "event-1@example.org");
        ids.save();
        const QByteArray saved = [&] {
            QFile f(companion);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();

        ReminderIdentities again = ReminderIdentities::load(file);
        QCOMPARE(again.numberOf("event-1@example.org"), 2);
        QCOMPARE(again.uid(1), a);
        QFile(companion).setPermissions(QFileDevice::ReadOwner); // an unchanged file is not written
        again.save();
        QFile(companion).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        QFile f(companion);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{ not json");
        f.close();
        ReminderIdentities damaged = ReminderIdentities::load(file);
        QVERIFY(!damaged.problem().isEmpty());
        QCOMPARE(damaged.numberOf("event-1@example.org"), 0);
        damaged.uid(1);
        damaged.save();
        QVERIFY(ReminderIdentities::load(file).problem().isEmpty());
        QVERIFY(saved.contains("event-1@example.org"));
    }
};

QTEST_GUILESS_MAIN(TestReminderIdentities)
#include "tst_reminderidentities.moc"
