#pragma once
// The notification area through QSystemTrayIcon: a tool-tip only when the
// record carries one, and each activation turned into the mouse actions a
// click is made of (left click = left down + left up, right click = right down
// + right up, double click, middle click = an action nobody handles).
#include "tray/TrayShell.h"

#include <QObject>
#include <QSystemTrayIcon>

class QtTrayShell : public QObject, public TrayShell {
    Q_OBJECT
public:
    explicit QtTrayShell(QObject* parent = nullptr);

    bool isAvailable() const override;
    void notify(TrayNotifyOp op, const TrayNotifyRecord& record) override;
    void setMessageSink(MessageSink sink) override;
    void setContextMenu(QMenu* menu) override;
    void showMessage(const QString& title, const QString& text) override;

    // The actions one activation stands for, in order.
    static QList<int> actionsFor(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon* systemTrayIcon() { return m_icon; }

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void show(const TrayNotifyRecord& record);

    QSystemTrayIcon* m_icon;
    MessageSink m_sink;
    int m_callbackMessage = 0;
};
