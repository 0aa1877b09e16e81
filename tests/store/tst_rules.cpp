// Occurrence rules: due and past tests, every stepping rule, expiry and removal.
#include "store/OccurrenceRules.h"

#include <QtTest>

namespace {
QDateTime at(int y, int m, int d, int h, int mi, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, mi, s));
}

RegistroAviso aviso(int repetir, QDate d, QTime t) {
    RegistroAviso r;
    r.Repetir = static_cast<quint8>(repetir);
    r.setFechaProx(d);
    r.setHoraProx(t);
    return r;
}
} // namespace

class TestRules : public QObject {
    Q_OBJECT
private slots:
    void dueAndPast() {
        RegistroAviso r = aviso(3, QDate(2026, 12, 8), QTime(10, 30));
        QVERIFY(EsDebido(r, at(2026, 12, 8, 10, 30, 59)));
        QVERIFY(!EsDebido(r, at(2026, 12, 8, 10, 31)));
        QVERIFY(!EsDebido(r, at(2026, 12, 9, 10, 30)));
        QVERIFY(!EsPasado(r, at(2026, 12, 8, 10, 30, 0))); // equal time is not past
        QVERIFY(EsPasado(r, at(2026, 12, 8, 10, 30, 1)));
        QVERIFY(EsPasado(r, at(2026, 12, 9, 0, 0)));
        r.Activo = false;
        QVERIFY(!EsDebido(r, at(2026, 12, 8, 10, 30)));
        QVERIFY(EsPasado(r, at(2026, 12, 9, 0, 0))); // switched-off reminders are caught up too
        r.Terminado = true;
        QVERIFY(!EsPasado(r, at(2026, 12, 9, 0, 0)));
    }

    void steps_data() {
        QTest::addColumn<int>("repetir");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("workingDays");
        QTest::addColumn<QDate>("expected");
        const QTime nine(9, 0);
        Q_UNUSED(nine);
        QTest::newRow("daily") << 3 << QDate(2026, 12, 8) << at(2026, 12, 8, 9, 0) << 1 << QDate(2026, 12, 9);
        QTest::newRow("daily catch-up before its time")
            << 3 << QDate(2026, 12, 6) << at(2026, 12, 8, 8, 0) << 1 << QDate(2026, 12, 8);
        QTest::newRow("daily catch-up after its time")
            << 3 << QDate(2026, 12, 6) << at(2026, 12, 8, 10, 0) << 1 << QDate(2026, 12, 9);
        QTest::newRow("weekly") << 5 << QDate(2026, 12, 8) << at(2026, 12, 8, 9, 0) << 1
                                << QDate(2026, 12, 15);
        QTest::newRow("monthly 31 Jan common year")
            << 6 << QDate(2023, 1, 31) << at(2023, 1, 31, 9, 0) << 1 << QDate(2023, 2, 28);
        QTest::newRow("monthly 31 Jan leap year")
            << 6 << QDate(2024, 1, 31) << at(2024, 1, 31, 9, 0) << 1 << QDate(2024, 2, 29);
        QTest::newRow("monthly 31 Mar")
            << 6 << QDate(2023, 3, 31) << at(2023, 3, 31, 9, 0) << 1 << QDate(2023, 4, 30);
        QTest::newRow("monthly catch-up over several months")
            << 6 << QDate(2023, 1, 31) << at(2023, 5, 2, 9, 0) << 1 << QDate(2023, 5, 31);
        QTest::newRow("yearly") << 7 << QDate(2026, 12, 8) << at(2026, 12, 8, 9, 0) << 1
                                << QDate(2027, 12, 8);
        QTest::newRow("yearly 29 Feb to common year")
            << 7 << QDate(2024, 2, 29) << at(2024, 2, 29, 9, 0) << 1 << QDate(2025, 2, 28);
        QTest::newRow("working days Fri, Mon-Fri")
            << 4 << QDate(2026, 12, 11) << at(2026, 12, 11, 9, 0) << 1 << QDate(2026, 12, 14);
        QTest::newRow("working days Fri, Mon-Sat")
            << 4 << QDate(2026, 12, 11) << at(2026, 12, 11, 9, 0) << 2 << QDate(2026, 12, 12);
        QTest::newRow("working days Sat, Mon-Sat")
            << 4 << QDate(2026, 12, 12) << at(2026, 12, 12, 9, 0) << 2 << QDate(2026, 12, 14);
        QTest::newRow("working days, unknown kind acts as Mon-Fri")
            << 4 << QDate(2026, 12, 11) << at(2026, 12, 11, 9, 0) << 7 << QDate(2026, 12, 14);
        QTest::newRow("working days catch-up from last Friday on Monday after its time")
            << 4 << QDate(2026, 12, 11) << at(2026, 12, 14, 10, 0) << 1 << QDate(2026, 12, 15);
        QTest::newRow("Tue+Thu from Tue")
            << 127 + 2 + 8 << QDate(2026, 12, 8) << at(2026, 12, 8, 9, 0) << 1 << QDate(2026, 12, 10);
        QTest::newRow("Tue+Thu from Thu")
            << 127 + 2 + 8 << QDate(2026, 12, 10) << at(2026, 12, 10, 9, 0) << 1 << QDate(2026, 12, 15);
        QTest::newRow("empty weekday set never hangs")
            << 127 << QDate(2026, 12, 8) << at(2026, 12, 8, 9, 0) << 1 << QDate(2026, 12, 9);
        QTest::newRow("unknown code 255 steps daily")
            << 255 << QDate(2026, 12, 8) << at(2026, 12, 8, 9, 0) << 1 << QDate(2026, 12, 9);
        QTest::newRow("daily over a spring-forward day keeps its wall time")
            << 3 << QDate(2026, 3, 28) << at(2026, 3, 28, 9, 0) << 1 << QDate(2026, 3, 29);
    }

    void steps() {
        QFETCH(int, repetir);
        QFETCH(QDate, from);
        QFETCH(QDateTime, now);
        QFETCH(int, workingDays);
        QFETCH(QDate, expected);
        RegistroAviso r = aviso(repetir, from, QTime(9, 0));
        QVERIFY(!AvanzarAviso(r, now, workingDays));
        QCOMPARE(r.fechaProx(), expected);
        QCOMPARE(r.horaProx(), QTime(9, 0));
        QVERIFY(!r.Terminado);
    }

    // Monthly and yearly reminders come back to the chosen day after a shorter
    // month, the day kept through the stored record; a stored day that does not
    // agree with the date (another program moved it) gives way to the date's.
    void keepsTheChosenDay_data() {
        QTest::addColumn<int>("repetir");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<int>("storedDay");
        QTest::addColumn<QList<QDate>>("expected");
        QTest::newRow("monthly on the 31st")
            << 6 << QDate(2023, 1, 31) << 0
            << QList<QDate>{{2023, 2, 28}, {2023, 3, 31}, {2023, 4, 30}, {2023, 5, 31}};
        QTest::newRow("monthly on the 30th, leap February")
            << 6 << QDate(2024, 1, 30) << 0 << QList<QDate>{{2024, 2, 29}, {2024, 3, 30}, {2024, 4, 30}};
        QTest::newRow("monthly on the 29th over a common February")
            << 6 << QDate(2023, 1, 29) << 0 << QList<QDate>{{2023, 2, 28}, {2023, 3, 29}};
        QTest::newRow("monthly on the 15th")
            << 6 << QDate(2023, 1, 15) << 0 << QList<QDate>{{2023, 2, 15}, {2023, 3, 15}};
        QTest::newRow("monthly, stored 31 on 30 April")
            << 6 << QDate(2023, 4, 30) << 31 << QList<QDate>{{2023, 5, 31}, {2023, 6, 30}};
        QTest::newRow("monthly, a stored day that disagrees is not used")
            << 6 << QDate(2023, 1, 31) << 5 << QList<QDate>{{2023, 2, 28}, {2023, 3, 31}};
        QTest::newRow("monthly, a stored day out of range is not used")
            << 6 << QDate(2023, 4, 30) << 200 << QList<QDate>{{2023, 5, 30}};
        QTest::newRow("yearly on 29 February")
            << 7 << QDate(2024, 2, 29) << 0
            << QList<QDate>{{2025, 2, 28}, {2026, 2, 28}, {2027, 2, 28}, {2028, 2, 29}, {2029, 2, 28}};
        QTest::newRow("yearly on 28 February stays")
            << 7 << QDate(2023, 2, 28) << 0 << QList<QDate>{{2024, 2, 28}, {2025, 2, 28}};
    }

    void keepsTheChosenDay() {
        QFETCH(int, repetir);
        QFETCH(QDate, from);
        QFETCH(int, storedDay);
        QFETCH(QList<QDate>, expected);
        RegistroAviso r = aviso(repetir, from, QTime(9, 0));
        r.DiaElegido = static_cast<uint8_t>(storedDay);
        for (const QDate& next : expected) {
            AvanzarAviso(r, QDateTime(r.fechaProx(), QTime(9, 0)), 1);
            r = RegistroAviso::fromBytes(r.toBytes().constData()); // the day travels in the stored record
            QCOMPARE(r.fechaProx(), next);
            QCOMPARE(r.DiaElegido == 0,
                     next.day() == DiaDelAviso(r)); // stored only while the date is shorter
        }
    }

    void hourly() {
        for (int second : {0, 30}) { // shown at the first instant of its minute, or later in it
            RegistroAviso r = aviso(1, QDate(2026, 12, 8), QTime(23, 15));
            AvanzarAviso(r, at(2026, 12, 8, 23, 15, second), 1);
            QCOMPARE(r.fechaProx(), QDate(2026, 12, 9));
            QCOMPARE(r.horaProx(), QTime(0, 15));
        }
        RegistroAviso r;
        // From days back: today, then the first hour not yet gone.
        r = aviso(1, QDate(2026, 12, 1), QTime(8, 40));
        AvanzarAviso(r, at(2026, 12, 8, 11, 5), 1);
        QCOMPARE(r.fechaProx(), QDate(2026, 12, 8));
        QCOMPARE(r.horaProx(), QTime(11, 40));
        // A future hourly reminder is left alone.
        r = aviso(1, QDate(2026, 12, 9), QTime(8, 0));
        AvanzarAviso(r, at(2026, 12, 8, 11, 5), 1);
        QCOMPARE(r.fechaProx(), QDate(2026, 12, 9));
    }

    void onceExpiryAndRemoval() {
        RegistroAviso once = aviso(0, QDate(2026, 12, 8), QTime(9, 0));
        QVERIFY(!AvanzarAviso(once, at(2026, 12, 8, 9, 0), 1));
        QVERIFY(once.Terminado);
        QCOMPARE(once.Estado, uint16_t(2));

        RegistroAviso removed = aviso(0, QDate(2026, 12, 8), QTime(9, 0));
        removed.Caduca = removed.BorrarAlCaducar = true;
        removed.setFechaUlt(QDate(2030, 1, 1)); // whatever the expiry date
        QVERIFY(AvanzarAviso(removed, at(2026, 12, 8, 9, 0), 1));
        QCOMPARE(removed.Estado, uint16_t(0));

        RegistroAviso expires = aviso(3, QDate(2026, 12, 8), QTime(9, 0));
        expires.Caduca = true;
        expires.setFechaUlt(QDate(2026, 12, 8));
        QVERIFY(!AvanzarAviso(expires, at(2026, 12, 8, 9, 0), 1));
        QVERIFY(expires.Terminado);
        QCOMPARE(expires.fechaProx(), QDate(2026, 12, 8)); // finished, not stepped

        // A weekly reminder expiring on a day it does not fire ends at its last
        // showing before that day, instead of going on for ever.
        RegistroAviso weekly = aviso(5, QDate(2026, 12, 8), QTime(9, 0));
        weekly.Caduca = true;
        weekly.setFechaUlt(QDate(2026, 12, 10));
        AvanzarAviso(weekly, at(2026, 12, 8, 9, 0), 1);
        QVERIFY(weekly.Terminado);
        QCOMPARE(weekly.fechaProx(), QDate(2026, 12, 8));
    }

    void farPastDateTerminates() {
        RegistroAviso r = aviso(3, QDate(1900, 1, 1), QTime(9, 0));
        AvanzarAviso(r, at(2026, 12, 8, 10, 0), 1);
        QCOMPARE(r.fechaProx(), QDate(2026, 12, 9));
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
