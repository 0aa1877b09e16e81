// Frame order of the tray icon animation.
#include "tray/TrayAnimation.h"

int TrayAnimationCursor::step(int frameCount, bool pingPong) {
    const int shown = m_index % frameCount;
    m_index += m_direction;
    if (pingPong && m_index >= frameCount - 1) {
        m_direction = -1;
        m_index = frameCount - 1;
    }
    if (m_index >= frameCount) m_index = 0;
    if (m_index < 1) {
        m_direction = 1;
        m_index = 0;
    }
    return shown;
}
