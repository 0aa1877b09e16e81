#pragma once
// TDialUp: the non-visual dial-up component of both programs. Lists phonebook
// entries, keeps their saved credentials, dials (synchronously or with progress
// events on the owner's thread), hangs up and reports open connections.
#include "dialup/StateTexts.h"
#include "platform/dialup/DialUpBackend.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <stdexcept>

enum class TDialMode { dmAsync, dmSync };

// The dial-up service or one of its functions is missing.
class DialUpLibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TDialUp : public QObject {
    Q_OBJECT
public:
    // Without a backend, the one the settings name is used.
    explicit TDialUp(QObject* owner = nullptr, std::shared_ptr<dialup::DialUpBackend> backend = {});
    ~TDialUp() override;

    TDialMode DialMode = TDialMode::dmAsync;
    QString Entry;
    TLanguage Language = TLanguage::English;
    QString DUNA_Key;

    const QStringList& Entries() const { return entries_; }
    const QStringList& DUNA() const { return duna_; } // no dial-up adapter statistics here
    QString ServerIP() const { return {}; }
    QString ClientIP() const { return {}; }
    qint32 BytesXmit() const { return 0; }
    qint32 BytesRecv() const { return 0; }
    qint32 ConnectionSpeed() const { return 0; }

    // Each returns the service's result code, 0 on success. A missing service or
    // function throws DialUpLibraryError.
    quint32 GetEntries();
    quint32 CreateEntry();
    quint32 EditEntry();
    quint32 GetEntryUserName(QString& value);
    quint32 GetEntryPassword(QString& value);
    quint32 SetEntryUserName(const QString& value);
    quint32 SetEntryPassword(const QString& value);
    quint32 Dial();
    quint32 ListActiveConnections();
    quint32 HangUp();
    quint32 ValidateEntry(const QString& name);
    QString StateText(quint32 state, quint32 error) const;

    // Longest wait for a hung-up connection to go (the service may never say so).
    int hangUpTimeoutMs = 30000;

signals:
    void OnEntryGet(const QString& entryName);
    void OnDialing();
    void OnConnect();
    void OnNotConnected(int errorCode, const QString& errorMessage);
    void OnAsyncEvent(int state, int error, const QString& messageText);
    void OnError(int errorCode, const QString& errorMessage);
    void OnActiveConnection(quint32 handle, const dialup::ConnectionStatus& status,
                            const QString& statusString, const QString& entryName, const QString& deviceType,
                            const QString& deviceName);

private:
    dialup::DialUpBackend& require(const char* function) const;
    quint32 hangUpAndWait(quint32 handle);
    void deliverPending();
    static void notify(quint32 message, quint32 state, quint32 error);

    std::shared_ptr<dialup::DialUpBackend> backend_;
    QStringList entries_;
    QStringList duna_;
    quint32 handle_ = 0;
    QTimer timer_;
    // The last notification not yet delivered (guarded by the receiver lock).
    bool pending_ = false;
    quint32 pendingMessage_ = 0, pendingState_ = 0, pendingError_ = 0;
};
