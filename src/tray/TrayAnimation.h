#pragma once
// Frame order of the tray icon animation: 0, 1, ..., n-1, 0, ... when wrapping,
// 0, 1, ..., n-1, n-2, ..., 1, 0, 1, ... forth and back.

class TrayAnimationCursor {
public:
    // The frame to show now out of `frameCount` (> 0); moves on to the next one.
    int step(int frameCount, bool pingPong);
    void reset() {
        m_index = 0;
        m_direction = 1;
    }
    int index() const { return m_index; }
    int direction() const { return m_direction; }

private:
    int m_index = 0;
    int m_direction = 1;
};
