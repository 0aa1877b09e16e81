#pragma once
// The one source of "now" for the programs' logic. Tests replace it with a
// fixed or stepping clock; nothing else reads the system clock directly.
#include <QDateTime>

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0; // local wall time

    // The process-wide clock (the system clock unless a test installed another).
    static const Clock& current();
    // Installs `clock` (not owned) as the process-wide clock; nullptr restores the system clock.
    static void install(const Clock* clock);
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A clock that stays where it is set; for tests.
class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime at = {}) : m_at(std::move(at)) {}
    QDateTime now() const override { return m_at; }
    void set(const QDateTime& at) { m_at = at; }
    void advanceSecs(qint64 s) { m_at = m_at.addSecs(s); }

private:
    QDateTime m_at;
};
