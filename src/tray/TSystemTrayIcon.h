#pragma once
// TSystemTrayIcon: the program's icon in the desktop's notification area, with
// its hint, its mouse actions, restoring the owner window on a click, a pop-up
// menu, an animation from a list of images, and the owner window kept off the
// task bar while minimized.
#include "tray/TrayAnimation.h"
#include "tray/TrayShell.h"

#include <QIcon>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>

#include <memory>

class QTimer;
class QWidget;

class TSystemTrayIcon : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ visible WRITE setVisible)
    Q_PROPERTY(bool Enabled READ enabled WRITE setEnabled)
    Q_PROPERTY(QIcon Icon READ icon WRITE setIcon)
    Q_PROPERTY(QString Hint READ hint WRITE setHint)
    Q_PROPERTY(bool ShowHint READ showHint WRITE setShowHint)
    Q_PROPERTY(int UserID READ userID WRITE setUserID)
    Q_PROPERTY(bool ShowAppIcon READ showAppIcon WRITE setShowAppIcon)
    Q_PROPERTY(bool ShowMainForm READ showMainForm WRITE setShowMainForm)
    Q_PROPERTY(bool RestoreOnClick READ restoreOnClick WRITE setRestoreOnClick)
    Q_PROPERTY(bool Animate READ animate WRITE setAnimate)
    Q_PROPERTY(unsigned AnimInterval READ animInterval WRITE setAnimInterval)
    Q_PROPERTY(bool AnimPingPong READ animPingPong WRITE setAnimPingPong)

public:
    // Base of the notification message numbers: an icon's number is this plus its UserID.
    static constexpr int kMessageBase = 1284;
    static constexpr int kMaxTipLength = 63;

    // `owner` is normally the main window: it is the window restored by a click
    // and hidden while minimized. Without a shell the desktop's notification
    // area is used. Takes the next UserID of the program (0, 1, 2, ...).
    explicit TSystemTrayIcon(QObject* owner = nullptr, std::unique_ptr<TrayShell> shell = nullptr);
    // Removes the icon from the notification area.
    ~TSystemTrayIcon() override;

    bool visible() const { return m_visible; }
    void setVisible(bool on);
    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);
    // An empty icon shows the application's icon.
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon& icon);
    QString hint() const { return m_hint; }
    void setHint(const QString& hint);
    bool showHint() const { return m_showHint; }
    void setShowHint(bool on);
    int userID() const { return m_userID; }
    void setUserID(int id);
    QMenu* popupMenu() const { return m_popupMenu; }
    void setPopupMenu(QMenu* menu);
    bool restoreOnClick() const { return m_restoreOnClick; }
    void setRestoreOnClick(bool on) { m_restoreOnClick = on; }

    // One value for the whole program: whether the owner keeps its task-bar
    // entry while minimized (off: a minimized owner is hidden and lives in the
    // notification area, as long as there is one).
    static bool showAppIcon();
    void setShowAppIcon(bool on);
    // One value for the whole program: whether the main window is shown at start.
    static bool showMainForm();
    void setShowMainForm(bool on);

    bool animate() const { return m_animTimer != nullptr; }
    void setAnimate(bool on);
    unsigned animInterval() const { return m_animInterval; }
    void setAnimInterval(unsigned ms);
    QList<QIcon> animImageList() const { return m_animImages; }
    void setAnimImageList(const QList<QIcon>& images) { m_animImages = images; }
    bool animPingPong() const { return m_animPingPong; }
    void setAnimPingPong(bool on) { m_animPingPong = on; }

    // Whether the desktop has a notification area. Without one the owner should
    // show its main window so that the program stays reachable.
    bool isTrayAvailable() const;
    // showMainForm(), or no notification area to live in.
    bool shouldShowMainForm() const { return showMainForm() || !isTrayAvailable(); }

    // The record last filled by the state application.
    const TrayNotifyRecord& notifyRecord() const { return m_record; }
    int messageNumber() const { return kMessageBase + m_userID; }
    // The animation timer, present exactly while Animate is on.
    QTimer* animationTimer() const { return m_animTimer; }
    const TrayAnimationCursor& animationCursor() const { return m_cursor; }
    // One animation frame, as the timer runs it.
    void animationStep();

    // A notification message: `message` must be this icon's message number,
    // `action` the mouse action in its low byte. Returns false for messages
    // that are not this icon's.
    bool handleTrayMessage(int message, int action, QPoint cursor);

    // Shows the owner window normally and brings it to the front.
    void restoreOwner();

    // A short message from the icon, while it is visible.
    void showMessage(const QString& title, const QString& text);

signals:
    void OnLeftClick(TSystemTrayIcon* sender);
    void OnRightClick(TSystemTrayIcon* sender);
    // Moves carry Qt::NoButton: the notification area tells no button with them.
    void OnMouseDown(TSystemTrayIcon* sender, int x, int y, Qt::MouseButton button);
    void OnMouseMove(TSystemTrayIcon* sender, int x, int y, Qt::MouseButton button);
    void OnMouseUp(TSystemTrayIcon* sender, int x, int y, Qt::MouseButton button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyState(bool visible);
    QWidget* ownerWindow() const;
    void ownerMinimized();

    std::unique_ptr<TrayShell> m_shell;
    TrayNotifyRecord m_record;
    bool m_visible = false;
    bool m_receiving = false;
    bool m_enabled = true;
    QIcon m_icon;
    QString m_hint;
    bool m_showHint = false;
    int m_userID = 0;
    QPointer<QMenu> m_popupMenu;
    bool m_restoreOnClick = false;
    QTimer* m_animTimer = nullptr;
    unsigned m_animInterval = 200;
    QList<QIcon> m_animImages;
    bool m_animPingPong = false;
    TrayAnimationCursor m_cursor;
    QPointer<QWidget> m_watchedOwner;
    bool m_ownerHiddenByUs = false;
};
