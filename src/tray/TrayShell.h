#pragma once
// What the tray component asks of the desktop's notification area: add, change
// and remove one icon described by a notification record, and report mouse
// actions on it as (message number, mouse action) pairs.
#include <QIcon>
#include <QPoint>
#include <QString>

#include <functional>

class QMenu;

enum class TrayNotifyOp { Add = 0, Modify = 1, Delete = 2 };

// Flags of a notification record.
inline constexpr unsigned kTrayFlagMessage = 1;
inline constexpr unsigned kTrayFlagIcon = 2;
inline constexpr unsigned kTrayFlagTip = 4;

// Mouse actions as reported with a notification message.
enum TrayMouseAction {
    TrayMouseMove = 0,
    TrayLeftDown = 1,
    TrayLeftUp = 2,
    TrayLeftDoubleClick = 3,
    TrayRightDown = 4,
    TrayRightUp = 5,
    TrayMiddleDown = 7, // reported, handled by nobody
};

struct TrayNotifyRecord {
    int id = 0;              // identifier of the icon (the component's UserID)
    unsigned flags = 0;      // kTrayFlag... bits saying which fields count
    int callbackMessage = 0; // message number sent on mouse actions; 0 = none
    QIcon icon;
    QString tip; // at most 63 characters
};

class TrayShell {
public:
    // Receives mouse actions: the record's message number, the action, and the
    // cursor position on the screen.
    using MessageSink = std::function<void(int message, int action, QPoint cursor)>;

    virtual ~TrayShell() = default;
    // Whether the desktop has a notification area at all.
    virtual bool isAvailable() const = 0;
    virtual void notify(TrayNotifyOp op, const TrayNotifyRecord& record) = 0;
    // Mouse actions go to `sink` while one is set; an empty function stops them.
    // Nothing is sent while the current record's message number is 0.
    virtual void setMessageSink(MessageSink sink) = 0;
    // A menu the desktop may open itself on a right click (some notification
    // areas never report that click to the program).
    virtual void setContextMenu(QMenu* menu) { (void)menu; }
    // A short message from the icon (a balloon or a desktop notification).
    virtual void showMessage(const QString& title, const QString& text) {
        (void)title;
        (void)text;
    }
};
