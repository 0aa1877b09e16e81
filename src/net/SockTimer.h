#pragma once
// TSockTimer: the time-out timer of the socket component. Ticks arrive on the
// owner's thread while it processes events; no thread of its own.
#include <QObject>

#include <functional>

class TSockTimer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ enabled WRITE setEnabled)
    Q_PROPERTY(unsigned Interval READ interval WRITE setInterval)

public:
    using TimerEvent = std::function<void(QObject* sender)>;

    explicit TSockTimer(QObject* owner = nullptr);
    ~TSockTimer() override;

    bool enabled() const { return m_enabled; }
    void setEnabled(bool value);
    unsigned interval() const { return m_interval; }
    void setInterval(unsigned milliseconds);
    const TimerEvent& onTimer() const { return m_onTimer; }
    // Assigning the handler re-arms the timer; an empty handler stops it.
    void setOnTimer(TimerEvent handler);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // Kills the running timer and starts a new one when enabled, with a
    // non-zero interval and a handler. Throws ENetError "No Timer"
    // when the platform refuses a timer.
    void rearm();

    bool m_enabled = true;
    unsigned m_interval = 1000;
    TimerEvent m_onTimer;
    int m_timerId = 0;
};
