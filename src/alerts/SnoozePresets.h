#pragma once
// The snooze choices an alert offers beside its minutes spinner: 5, 10, 15 and
// 30 minutes, 1 and 2 hours, tomorrow at this time, and until a chosen time.
// No widgets: the windows and the desktop notification share these.
#include <QDateTime>
#include <QList>
#include <QString>

namespace SnoozePresets {

struct Preset {
    QString key; // stable name, kept in the settings as the last one used
    int minutes; // 0 for the choices that are not a fixed length
    int textId;  // its label in the catalogue
};

inline const QString kTomorrow = QStringLiteral("tomorrow");
inline const QString kUntil = QStringLiteral("until");

// Every choice, in the order they are offered.
const QList<Preset>& all();
// The choice named `key`, or nullptr.
const Preset* find(const QString& key);
// When an alert snoozed at `now` with the fixed-length choice or "tomorrow"
// comes back; invalid for "until" and unknown keys.
QDateTime until(const QString& key, const QDateTime& now);
// Milliseconds from `now` to `when` in alert minutes of `msPerMinute`, at
// least one minute's worth; for timers (capped below 25 days).
int delayMs(const QDateTime& now, const QDateTime& when, int msPerMinute);

} // namespace SnoozePresets
