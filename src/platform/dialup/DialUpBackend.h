#pragma once
// The dial-up service behind TDialUp: a phonebook of entries, dialing, hanging up
// and open connections, with numeric result codes (0 = success) as callers expect.
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

namespace dialup {

// Result codes shared by every backend.
inline constexpr quint32 kErrorInvalidHandle = 6;
inline constexpr quint32 kErrorNotSupported = 50;
inline constexpr quint32 kErrorInvalidName = 123;
inline constexpr quint32 kErrorAlreadyExists = 183;
inline constexpr quint32 kErrorBufferTooSmall = 603;
inline constexpr quint32 kErrorCannotFindEntry = 623;
inline constexpr quint32 kErrorNoCarrier = 679;
inline constexpr quint32 kErrorAuthentication = 691;
inline constexpr quint32 kErrorRemoteDisconnection = 629;
inline constexpr quint32 kErrorTimeout = 638;
inline constexpr quint32 kErrorServiceUnavailable = 711;

// Connection states.
inline constexpr quint32 kStateOpenPort = 0;
inline constexpr quint32 kStateConnectDevice = 2;
inline constexpr quint32 kStateAuthenticate = 5;
inline constexpr quint32 kStateConnected = 8192;
inline constexpr quint32 kStateDisconnected = 8193;

// The text of a result code, cut to what a 100-byte buffer holds.
QString errorText(quint32 code);

struct DialParams {
    QString entryName;
    QString userName;
    QString password;
    bool passwordSaved = false;
};

struct ConnectionStatus {
    quint32 state = 0;
    quint32 error = 0;
    QString deviceType;
    QString deviceName;
};

struct ConnectionInfo {
    quint32 handle = 0;
    QString entryName;
    QString deviceType;
    QString deviceName;
};

// Called by an asynchronous dial, on a thread of the backend, with
// (message, state, error); the last call carries state Connected or an error.
using DialNotifier = std::function<void(quint32 message, quint32 state, quint32 error)>;

class DialUpBackend {
public:
    virtual ~DialUpBackend() = default;

    // Empty when the service can be used, otherwise why not ("Error opening ...").
    virtual QString loadError() const { return {}; }
    // Whether the named service function exists ("RasDial", "RasCreatePhonebookEntry", ...).
    virtual bool provides(const QString& function) const {
        Q_UNUSED(function);
        return true;
    }

    virtual quint32 enumEntries(QStringList& names) = 0;
    virtual quint32 validateEntryName(const QString& name) = 0;
    virtual quint32 getDialParams(const QString& entry, DialParams& params) = 0;
    // Stores user name and password; removePassword forgets the saved password.
    virtual quint32 setDialParams(const DialParams& params, bool removePassword) = 0;
    // Opens the system's editor for a new entry (empty name) or an existing one.
    virtual quint32 openEntryEditor(const QString& entry) = 0;

    // Without a notifier the call returns when the connection is made or has failed;
    // `handle` may be set even on failure (a half-made connection to hang up).
    virtual quint32 dial(const DialParams& params, const DialNotifier& notifier, quint32& handle) = 0;
    virtual quint32 hangUp(quint32 handle) = 0;
    virtual quint32 connectStatus(quint32 handle, ConnectionStatus& status) = 0;
    virtual quint32 enumConnections(QVector<ConnectionInfo>& connections) = 0;
};

// The backend a setting value names: "nmcli" for NetworkManager, anything else
// (or an empty value) the simulated phonebook at its usual place.
std::shared_ptr<DialUpBackend> makeBackend(const QString& name);

} // namespace dialup
