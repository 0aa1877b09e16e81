#pragma once
// A phonebook of the program's own, kept in a settings file, whose entries dial
// with scripted outcomes: used by tests and on machines without a network manager.
#include "platform/dialup/DialUpBackend.h"

#include <QMap>

#include <mutex>
#include <thread>
#include <vector>

namespace dialup {

// One entry as stored. `outcome` is the result of dialing it (0 = connects),
// `states` the progress states reported before the end, `keepsHandleOnFailure`
// whether a failed dial leaves a half-made connection, `hangUpPolls` how many
// status queries still see the connection after it was hung up.
struct SimulatedEntry {
    QString name;
    QString userName;
    QString password;
    bool passwordSaved = false;
    quint32 outcome = 0;
    QVector<quint32> states{kStateOpenPort, kStateConnectDevice, kStateAuthenticate};
    bool keepsHandleOnFailure = false;
    int hangUpPolls = 0;
};

class SimulatedPhonebook final : public DialUpBackend {
public:
    explicit SimulatedPhonebook(QString filePath);
    ~SimulatedPhonebook() override;

    // $XDG_CONFIG_HOME/Orbalinder/phonebook.conf, or $ORB_DIALUP_PHONEBOOK when set.
    static QString defaultPath();

    QVector<SimulatedEntry> load() const;
    bool save(const QVector<SimulatedEntry>& entries) const;
    // Adds or replaces the entry of the same name.
    bool put(const SimulatedEntry& entry);
    bool remove(const QString& name);

    quint32 enumEntries(QStringList& names) override;
    quint32 validateEntryName(const QString& name) override;
    quint32 getDialParams(const QString& entry, DialParams& params) override;
    quint32 setDialParams(const DialParams& params, bool removePassword) override;
    quint32 openEntryEditor(const QString& entry) override;
    quint32 dial(const DialParams& params, const DialNotifier& notifier, quint32& handle) override;
    quint32 hangUp(quint32 handle) override;
    quint32 connectStatus(quint32 handle, ConnectionStatus& status) override;
    quint32 enumConnections(QVector<ConnectionInfo>& connections) override;

    // Handles whose hang-up was asked for (for tests and diagnostics).
    QVector<quint32> hungUp() const;

private:
    struct Connection {
        QString entry;
        quint32 state = 0;
        quint32 error = 0;
        int pollsLeft = -1; // >= 0 once hung up
    };
    quint32 openConnection(const QString& entry);

    QString path_;
    mutable std::mutex mutex_;
    QMap<quint32, Connection> connections_;
    QVector<quint32> hungUp_;
    quint32 nextHandle_ = 1;
    std::vector<std::thread> dialThreads_;
};

} // namespace dialup
