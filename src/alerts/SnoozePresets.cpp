#include "alerts/SnoozePresets.h"

#include <algorithm>

namespace SnoozePresets {

const QList<Preset>& all() {
    static const QList<Preset> presets = {
        {QStringLiteral("5"), 5, 20700},
        {QStringLiteral("10"), 10, 20701},
        {QStringLiteral("15"), 15, 20702},
        {QStringLiteral("30"), 30, 20703},
        {QStringLiteral("60"), 60, 20704},
        {QStringLiteral("120"), 120, 20705},
        {kTomorrow, 0, 20706},
        {kUntil, 0, 20707},
    };
    return presets;
}

const Preset* find(const QString& key) {
    for (const Preset& p : all())
        if (p.key == key) return &p;
    return nullptr;
}

QDateTime until(const QString& key, const QDateTime& now) {
    if (key == kTomorrow) return now.addDays(1); // the same wall-clock time, across a clock change too
    const Preset* p = find(key);
    if (!p || p->minutes <= 0) return {};
    return now.addSecs(qint64(p->minutes) * 60);
}

int delayMs(const QDateTime& now, const QDateTime& when, int msPerMinute) {
    const qint64 secs = std::max<qint64>(now.secsTo(when), 60);
    const qint64 ms = secs * msPerMinute / 60;
    return int(std::min<qint64>(ms, qint64(24) * 24 * 3600 * 1000));
}

} // namespace SnoozePresets
