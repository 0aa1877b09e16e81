// The notification area through QSystemTrayIcon.
#include "tray/QtTrayShell.h"

#include <QCursor>
#include <QMenu>
#include <QPointer>

QtTrayShell::QtTrayShell(QObject* parent) : QObject(parent), m_icon(new QSystemTrayIcon(this)) {
    connect(m_icon, &QSystemTrayIcon::activated, this, &QtTrayShell::onActivated);
}

bool QtTrayShell::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayShell::show(const TrayNotifyRecord& record) {
    m_callbackMessage = (record.flags & kTrayFlagMessage) ? record.callbackMessage : 0;
    if (record.flags & kTrayFlagIcon) m_icon->setIcon(record.icon);
    m_icon->setToolTip((record.flags & kTrayFlagTip) ? record.tip : QString());
}

void QtTrayShell::notify(TrayNotifyOp op, const TrayNotifyRecord& record) {
    switch (op) {
    case TrayNotifyOp::Add:
        show(record);
        m_icon->show();
        break;
    case TrayNotifyOp::Modify:
        show(record);
        break;
    case TrayNotifyOp::Delete:
        m_icon->hide();
        m_callbackMessage = 0;
        break;
    }
}

void QtTrayShell::setMessageSink(MessageSink sink) {
    m_sink = std::move(sink);
}

void QtTrayShell::setContextMenu(QMenu* menu) {
    m_icon->setContextMenu(menu);
}

void QtTrayShell::showMessage(const QString& title, const QString& text) {
    m_icon->showMessage(title, text, QSystemTrayIcon::Information, 10000);
}

QList<int> QtTrayShell::actionsFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return {TrayLeftDown, TrayLeftUp};
    case QSystemTrayIcon::Context:
        return {TrayRightDown, TrayRightUp};
    case QSystemTrayIcon::DoubleClick:
        return {TrayLeftDoubleClick};
    case QSystemTrayIcon::MiddleClick:
        return {TrayMiddleDown};
    case QSystemTrayIcon::Unknown:
        break;
    }
    return {};
}

void QtTrayShell::onActivated(QSystemTrayIcon::ActivationReason reason) {
    // A handler may hide the icon, drop the sink or even delete this shell:
    // check before each action.
    const QPointer<QtTrayShell> alive(this);
    for (int action : actionsFor(reason)) {
        if (!alive || !m_sink || m_callbackMessage == 0) return;
        const MessageSink sink = m_sink; // the handler may replace m_sink
        sink(m_callbackMessage, action, QCursor::pos());
    }
}
