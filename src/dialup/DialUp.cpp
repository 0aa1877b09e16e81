// TDialUp: result codes and events over a dial-up backend.
#include "dialup/DialUp.h"

#include "dialup/DialUpBackendSetting.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <condition_variable>
#include <mutex>

using namespace dialup;

namespace {
// The one component that receives asynchronous dial notifications.
std::mutex receiverMutex;
std::condition_variable consumed;
TDialUp* receiver = nullptr;
} // namespace

TDialUp::TDialUp(QObject* owner, std::shared_ptr<DialUpBackend> backend)
    : QObject(owner), backend_(backend ? std::move(backend) : makeBackend(dialUpBackendName())) {
    timer_.setInterval(1);
    timer_.setSingleShot(false);
    connect(&timer_, &QTimer::timeout, this, &TDialUp::deliverPending);
}

TDialUp::~TDialUp() {
    std::lock_guard lock(receiverMutex);
    if (receiver == this) receiver = nullptr;
    consumed.notify_all(); // a waiting notifier gives up on this component
}

DialUpBackend& TDialUp::require(const char* function) const {
    const QString error = backend_->loadError();
    if (!error.isEmpty()) throw DialUpLibraryError(error.toStdString());
    if (!backend_->provides(QLatin1String(function)))
        throw DialUpLibraryError(std::string("Function ") + function + " not found!");
    return *backend_;
}

QString TDialUp::StateText(quint32 state, quint32 error) const {
    if (error != 0) return errorText(error);
    return connectionStateText(state, Language);
}

quint32 TDialUp::GetEntries() {
    entries_.clear();
    QStringList names;
    quint32 rc = require("RasEnumEntries").enumEntries(names);
    if (rc == 0 && names.size() > 100) rc = kErrorBufferTooSmall; // room for 100 entries
    if (rc != 0) return rc;
    for (const QString& name : names) {
        entries_ << name;
        emit OnEntryGet(name);
    }
    return 0;
}

quint32 TDialUp::CreateEntry() {
    return require("RasCreatePhonebookEntry").openEntryEditor(QString());
}

quint32 TDialUp::EditEntry() {
    return require("RasEditPhonebookEntry").openEntryEditor(Entry);
}

quint32 TDialUp::GetEntryUserName(QString& value) {
    DialParams params;
    const quint32 rc = require("RasGetEntryDialParams").getDialParams(Entry, params);
    if (rc == 0) value = params.userName;
    return rc;
}

quint32 TDialUp::GetEntryPassword(QString& value) {
    DialParams params;
    const quint32 rc = require("RasGetEntryDialParams").getDialParams(Entry, params);
    if (rc == 0) value = params.passwordSaved ? params.password : QString();
    return rc;
}

quint32 TDialUp::SetEntryUserName(const QString& value) {
    DialParams params;
    if (const quint32 rc = require("RasGetEntryDialParams").getDialParams(Entry, params)) return rc;
    params.userName = value;
    return require("RasSetEntryDialParams").setDialParams(params, false);
}

quint32 TDialUp::SetEntryPassword(const QString& value) {
    DialParams params;
    if (const quint32 rc = require("RasGetEntryDialParams").getDialParams(Entry, params)) return rc;
    params.password = value;
    params.passwordSaved = true;
    return require("RasSetEntryDialParams").setDialParams(params, false);
}

quint32 TDialUp::ValidateEntry(const QString& name) {
    return require("RasValidateEntryName").validateEntryName(name);
}

quint32 TDialUp::hangUpAndWait(quint32 handle) {
    DialUpBackend& service = require("RasHangUp");
    const quint32 rc = service.hangUp(handle);
    if (rc != 0) return rc;
    require("RasGetConnectStatus");
    // Wait until the connection is gone, letting events run; a service that never
    // lets go cannot hold the program forever.
    const QDeadlineTimer deadline(hangUpTimeoutMs);
    ConnectionStatus status;
    while (service.connectStatus(handle, status) != kErrorInvalidHandle && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return rc;
}

quint32 TDialUp::HangUp() {
    return hangUpAndWait(handle_);
}

quint32 TDialUp::Dial() {
    if (handle_ != 0) hangUpAndWait(handle_);
    DialParams params;
    quint32 rc = require("RasGetEntryDialParams").getDialParams(Entry, params);
    if (rc != 0) {
        emit OnError(int(rc), QStringLiteral("GetEntryDialParams failed"));
        return rc;
    }
    handle_ = 0;
    DialUpBackend& service = require("RasDial");

    if (DialMode == TDialMode::dmSync) {
        emit OnDialing();
        quint32 handle = 0;
        rc = service.dial(params, DialNotifier(), handle);
        handle_ = handle;
        if (rc != 0) {
            if (handle != 0) hangUpAndWait(handle);
            emit OnNotConnected(int(rc), StateText(0, rc));
        } else {
            emit OnConnect();
        }
        return rc;
    }

    {
        std::lock_guard lock(receiverMutex);
        receiver = this;
        pending_ = false;
    }
    emit OnDialing();
    quint32 handle = 0;
    rc = service.dial(params, &TDialUp::notify, handle);
    handle_ = handle;
    if (rc != 0) emit OnError(int(rc), StateText(0, rc));
    return rc;
}

// Runs on the service's thread: waits until the previous notification was
// delivered, stores this one and asks the owner's thread to deliver it.
void TDialUp::notify(quint32 message, quint32 state, quint32 error) {
    std::unique_lock lock(receiverMutex);
    TDialUp* target = receiver;
    consumed.wait(lock, [&] { return receiver != target || !target || !target->pending_; });
    if (!target || receiver != target) return;
    target->pendingMessage_ = message;
    target->pendingState_ = state;
    target->pendingError_ = error;
    target->pending_ = true;
    QMetaObject::invokeMethod(
        target, [target] { target->timer_.start(); }, Qt::QueuedConnection);
}

void TDialUp::deliverPending() {
    timer_.stop();
    quint32 state = 0, error = 0;
    {
        std::lock_guard lock(receiverMutex);
        if (!pending_) return;
        state = pendingState_;
        error = pendingError_;
    }
    emit OnAsyncEvent(int(state), int(error), StateText(state, error));
    {
        std::lock_guard lock(receiverMutex);
        pending_ = false;
    }
    consumed.notify_all();
}

quint32 TDialUp::ListActiveConnections() {
    QVector<ConnectionInfo> connections;
    const quint32 rc = require("RasEnumConnections").enumConnections(connections);
    if (rc != 0) return rc;
    if (connections.size() > 100) return kErrorBufferTooSmall;
    for (const ConnectionInfo& c : connections) {
        ConnectionStatus status;
        require("RasGetConnectStatus").connectStatus(c.handle, status);
        emit OnActiveConnection(c.handle, status, StateText(status.state, status.error), c.entryName,
                                c.deviceType, c.deviceName);
    }
    return rc;
}
