#pragma once
// The reminder program's calendar sync in the background: at start, every few
// minutes, and 2 s after the reminders file changes (a file-system watch on the
// file and on its folder, which sees a save that renames a new file over it). The file is read and
// written on the owner's thread (the snapshot and the apply steps of
// CalendarSync, each short); only the exchange with the server runs on a
// thread of its own, so neither the windows nor the due-check cycle ever wait
// for the network. One sync at a time; a request during one runs after it.
//
// A failure is told once (failed()) until a sync succeeds again; each
// conflict or refused event once (noted()).
#include "caldav/CalDavClient.h"
#include "sync/SyncPlan.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QFileSystemWatcher;
class QThread;

class BackgroundSync : public QObject {
    Q_OBJECT
public:
    // `remindersFile` gives the file open now (empty: none); `password` the
    // account's password (from the keyring).
    BackgroundSync(std::function<QString()> remindersFile,
                   std::function<QString(const QString& server, const QString& user)> password,
                   QObject* parent = nullptr);
    ~BackgroundSync() override;

    // Minutes between syncs; 0: only at start and after changes.
    void setInterval(int minutes);
    // Syncs as soon as none runs.
    void requestSync();
    // Asked before the server's changes are written: false while the file must
    // not move under the user (an edit dialog is open); the writing then waits.
    void setMayWrite(std::function<bool()> mayWrite) { m_mayWrite = std::move(mayWrite); }
    // The display-order index the program keeps for the file.
    void setIndex(const QString& index) { m_index = index; }
    bool running() const { return m_busy; }

signals:
    void failed(const CalDav::Error& error); // told once until the next success
    void noted(const QVector<SyncNote>& notes);
    void finished(bool ok); // after each sync (tests wait for it)

private:
    void start();
    void watch();       // aims the watch at the file open now
    void fileTouched(); // the file or its folder changed: looked at once it settles
    void checkFile();
    void apply(std::shared_ptr<struct SyncSnapshot> snapshot, std::shared_ptr<struct SyncExchange> exchange,
               const CalDav::Account& account, const QUrl& calendar);

    std::function<QString()> m_file;
    std::function<QString(const QString&, const QString&)> m_password;
    std::function<bool()> m_mayWrite;
    QString m_index;
    QTimer m_interval, m_settle, m_follow;
    QFileSystemWatcher* m_watcher;
    QString m_watched;
    QByteArray m_lastIdentity, m_snapshotIdentity;
    QThread* m_thread = nullptr;
    bool m_again = false;
    bool m_busy = false; // from the snapshot to the end of the apply
    CalDav::ErrorKind m_told = CalDav::ErrorKind::None;
};
