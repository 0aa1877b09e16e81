#pragma once
// Shared set-up for the mail file tests: a fixed clock, a known locale and a
// small catalogue holding the texts these files use.
#include "core/Clock.h"
#include "core/TextCatalogue.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

namespace testsupport {

inline void useFixedWorld(FixedClock& clock, const QTemporaryDir& dir) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 42, 17)));
    Clock::install(&clock);
    const QString path = dir.filePath(QStringLiteral("catalogue.cat"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("9101\tMessage created on\n9102\tReminder:\n9103\tText:\n"
            "1401\tNext check in \n1402\tE-mail check off\n");
    f.close();
    QVERIFY(TextCatalogue::global().load(path));
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
    return f.readAll();
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace testsupport
