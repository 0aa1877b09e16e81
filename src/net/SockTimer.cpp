// TSockTimer: one QObject timer re-armed whenever a property changes.
#include "net/SockTimer.h"

#include "net/SockErrors.h"

#include <QCoreApplication>
#include <QTimerEvent>

#include <stdexcept>

TSockTimer::TSockTimer(QObject* owner) : QObject(owner) {}

TSockTimer::~TSockTimer() {
    m_enabled = false;
    if (m_timerId) killTimer(m_timerId);
    m_timerId = 0;
}

void TSockTimer::setEnabled(bool value) {
    if (value == m_enabled) return;
    m_enabled = value;
    rearm();
}

void TSockTimer::setInterval(unsigned milliseconds) {
    if (milliseconds == m_interval) return;
    m_interval = milliseconds;
    rearm();
}

void TSockTimer::setOnTimer(TimerEvent handler) {
    m_onTimer = std::move(handler);
    rearm();
}

void TSockTimer::rearm() {
    if (m_timerId) killTimer(m_timerId);
    m_timerId = 0;
    if (m_interval == 0 || !m_enabled || !m_onTimer) return;
    const int ms = m_interval > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(m_interval);
    m_timerId = startTimer(ms, Qt::PreciseTimer);
    if (m_timerId == 0) throw ENetError("No Timer");
}

void TSockTimer::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timerId || !m_onTimer) return;
    try {
        TimerEvent handler = m_onTimer;
        handler(this);
    } catch (const std::exception& e) {
        // The tick runs from the event loop: an exception must not escape into it.
        qWarning("TSockTimer: %s", e.what());
    }
}
