// TSystemTrayIcon: state application, mouse actions, owner window, animation.
#include "tray/TSystemTrayIcon.h"

#include "tray/QtTrayShell.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace {
int s_nextUserID = 0;
bool s_showAppIcon = false;
bool s_showMainForm = false;

// The hint cut to the notification area's 63 characters, never through the
// middle of a surrogate pair.
QString tipText(const QString& hint) {
    QString tip = hint.left(TSystemTrayIcon::kMaxTipLength);
    if (tip.size() == TSystemTrayIcon::kMaxTipLength && tip.back().isHighSurrogate()) tip.chop(1);
    return tip;
}
} // namespace

TSystemTrayIcon::TSystemTrayIcon(QObject* owner, std::unique_ptr<TrayShell> shell)
    : QObject(owner), m_shell(std::move(shell)), m_userID(s_nextUserID++) {
    if (!m_shell) m_shell = std::make_unique<QtTrayShell>();
    m_watchedOwner = ownerWindow();
    if (m_watchedOwner) m_watchedOwner->installEventFilter(this);
}

TSystemTrayIcon::~TSystemTrayIcon() {
    setVisible(false);
}

void TSystemTrayIcon::applyState(bool visible) {
    m_record.id = m_userID;
    m_record.callbackMessage = m_enabled ? messageNumber() : 0;
    m_record.icon = m_icon.isNull() ? QApplication::windowIcon() : m_icon;
    m_record.tip = tipText(m_hint);
    m_record.flags = kTrayFlagMessage | kTrayFlagIcon | (m_showHint ? kTrayFlagTip : 0u);
    if (visible) {
        m_shell->notify(m_visible ? TrayNotifyOp::Modify : TrayNotifyOp::Add, m_record);
        if (!m_receiving) {
            m_shell->setMessageSink([this](int message, int action, QPoint cursor) {
                handleTrayMessage(message, action, cursor);
            });
            m_receiving = true;
        }
    } else if (m_visible) {
        m_shell->notify(TrayNotifyOp::Delete, m_record);
        m_shell->setMessageSink({});
        m_receiving = false;
    }
    m_visible = visible;
}

void TSystemTrayIcon::setVisible(bool on) {
    applyState(on);
}

void TSystemTrayIcon::setEnabled(bool on) {
    m_enabled = on;
    applyState(m_visible);
}

void TSystemTrayIcon::setIcon(const QIcon& icon) {
    m_icon = icon;
    applyState(m_visible);
}

void TSystemTrayIcon::setHint(const QString& hint) {
    m_hint = hint;
    applyState(m_visible);
}

void TSystemTrayIcon::setShowHint(bool on) {
    m_showHint = on;
    applyState(m_visible);
}

void TSystemTrayIcon::setUserID(int id) {
    m_userID = id;
    applyState(m_visible);
}

void TSystemTrayIcon::setPopupMenu(QMenu* menu) {
    m_popupMenu = menu;
    m_shell->setContextMenu(menu);
}

bool TSystemTrayIcon::isTrayAvailable() const {
    return m_shell->isAvailable();
}

bool TSystemTrayIcon::handleTrayMessage(int message, int action, QPoint cursor) {
    if (message != messageNumber()) return false;
    const int x = cursor.x();
    const int y = cursor.y();
    // A handler may delete this component (an exit command, for one).
    const QPointer<TSystemTrayIcon> alive(this);
    switch (action & 0xFF) {
    case TrayMouseMove:
        emit OnMouseMove(this, x, y, Qt::NoButton);
        break;
    case TrayLeftDown:
        emit OnMouseDown(this, x, y, Qt::LeftButton);
        break;
    case TrayLeftUp:
        emit OnMouseUp(this, x, y, Qt::LeftButton);
        if (alive) emit OnLeftClick(this);
        if (alive && m_restoreOnClick) restoreOwner();
        break;
    case TrayRightDown:
        emit OnMouseDown(this, x, y, Qt::RightButton);
        break;
    case TrayRightUp:
        emit OnMouseUp(this, x, y, Qt::RightButton);
        if (alive) emit OnRightClick(this);
        // The desktop may already have opened the menu itself.
        if (alive && m_popupMenu && !m_popupMenu->isVisible()) m_popupMenu->popup(cursor);
        break;
    default:
        break;
    }
    return true;
}

QWidget* TSystemTrayIcon::ownerWindow() const {
    auto* w = qobject_cast<QWidget*>(parent());
    return w ? w->window() : nullptr;
}

void TSystemTrayIcon::restoreOwner() {
    QWidget* w = ownerWindow();
    if (!w) return;
    m_ownerHiddenByUs = false;
    w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}

void TSystemTrayIcon::showMessage(const QString& title, const QString& text) {
    if (m_visible) m_shell->showMessage(title, text);
}

bool TSystemTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_watchedOwner && event->type() == QEvent::WindowStateChange &&
        m_watchedOwner->isMinimized())
        ownerMinimized();
    return QObject::eventFilter(watched, event);
}

void TSystemTrayIcon::ownerMinimized() {
    // Only an owner that the icon can bring back leaves the task bar.
    if (s_showAppIcon || !m_visible || !isTrayAvailable()) return;
    // Hiding inside the state change itself confuses some window managers.
    QTimer::singleShot(0, this, [this] {
        QWidget* w = m_watchedOwner;
        if (!w || !w->isMinimized() || s_showAppIcon || !m_visible) return;
        w->hide();
        m_ownerHiddenByUs = true;
    });
}

bool TSystemTrayIcon::showAppIcon() {
    return s_showAppIcon;
}

void TSystemTrayIcon::setShowAppIcon(bool on) {
    if (on == s_showAppIcon) return;
    s_showAppIcon = on;
    QWidget* w = m_watchedOwner;
    if (!w) return;
    if (on && m_ownerHiddenByUs) {
        m_ownerHiddenByUs = false;
        w->showMinimized();
    } else if (!on && w->isVisible() && w->isMinimized()) {
        ownerMinimized();
    }
}

bool TSystemTrayIcon::showMainForm() {
    return s_showMainForm;
}
void TSystemTrayIcon::setShowMainForm(bool on) {
    s_showMainForm = on;
}

void TSystemTrayIcon::setAnimate(bool on) {
    if (on && !m_animTimer) {
        m_cursor.reset();
        m_animTimer = new QTimer(this);
        m_animTimer->setInterval(static_cast<int>(m_animInterval));
        connect(m_animTimer, &QTimer::timeout, this, &TSystemTrayIcon::animationStep);
        // An interval of 0 holds the animation instead of spinning.
        if (m_animInterval > 0) m_animTimer->start();
    } else if (!on && m_animTimer) {
        delete m_animTimer;
        m_animTimer = nullptr;
    }
}

void TSystemTrayIcon::setAnimInterval(unsigned ms) {
    m_animInterval = std::min<unsigned>(ms, static_cast<unsigned>(std::numeric_limits<int>::max()));
    if (!m_animTimer) return;
    m_animTimer->setInterval(static_cast<int>(m_animInterval));
    if (m_animInterval == 0)
        m_animTimer->stop();
    else if (!m_animTimer->isActive())
        m_animTimer->start();
}

void TSystemTrayIcon::animationStep() {
    if (m_animImages.isEmpty()) return;
    m_icon = m_animImages.at(m_cursor.step(static_cast<int>(m_animImages.size()), m_animPingPong));
    applyState(m_visible);
}
