#pragma once
// NetworkManager through the `nmcli` command: connections are the entries,
// activating one dials it, deactivating hangs it up.
#include "platform/dialup/DialUpBackend.h"

#include <QMap>

#include <mutex>
#include <thread>
#include <vector>

namespace dialup {

struct NmcliResult {
    int exitCode = -1; // -1: could not run
    QByteArray out;
    QByteArray err;
};
using NmcliRunner = std::function<NmcliResult(const QStringList& args)>;

// Splits one line of nmcli's terse output ("-t") into fields, undoing its
// backslash escapes of ':' and '\'.
QStringList splitTerseLine(const QString& line);

class NmcliBackend final : public DialUpBackend {
public:
    // Without a runner the real `nmcli` is run (absent: loadError says so).
    explicit NmcliBackend(NmcliRunner runner = {});
    ~NmcliBackend() override;

    QString loadError() const override;
    bool provides(const QString& function) const override;

    quint32 enumEntries(QStringList& names) override;
    quint32 validateEntryName(const QString& name) override;
    quint32 getDialParams(const QString& entry, DialParams& params) override;
    quint32 setDialParams(const DialParams& params, bool removePassword) override;
    quint32 openEntryEditor(const QString& entry) override;
    quint32 dial(const DialParams& params, const DialNotifier& notifier, quint32& handle) override;
    quint32 hangUp(quint32 handle) override;
    quint32 connectStatus(quint32 handle, ConnectionStatus& status) override;
    quint32 enumConnections(QVector<ConnectionInfo>& connections) override;

private:
    struct Active {
        QString name, uuid, type, device, state;
    };
    QVector<Active> activeConnections();
    quint32 handleFor(const QString& uuid);
    QString uuidOf(const QString& entry);
    QString typeOf(const QString& entry);

    NmcliRunner run_;
    QString loadError_;
    std::mutex mutex_;
    QMap<quint32, QString> handles_; // handle -> connection UUID
    quint32 nextHandle_ = 1;
    std::vector<std::thread> dialThreads_;
};

} // namespace dialup
