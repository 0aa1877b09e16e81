#include "sync/BackgroundSync.h"

#include "calendar/CalendarFiles.h"
#include "platform/FileIdentity.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"
#include "sync/CalendarSync.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QThread>

#include <memory>

namespace {

constexpr int kSettleMs = 2000;  // a change is looked at once the file was left alone this long
constexpr int kFollowMs = 20000; // how often the name of the open file is asked for (no file is read)

QByteArray identityOf(const QString& file) {
    const auto id = FileIdentity::of(file);
    if (!id) return "missing";
    return QByteArray::number(qint64(id->size)) + ':' + QByteArray::number(qint64(id->modifiedNs)) + ':' +
           QByteArray::number(quint64(id->inode));
}

} // namespace

BackgroundSync::BackgroundSync(std::function<QString()> remindersFile,
                               std::function<QString(const QString&, const QString&)> password,
                               QObject* parent)
    : QObject(parent), m_file(std::move(remindersFile)), m_password(std::move(password)) {
    m_interval.setInterval(5 * 60000);
    connect(&m_interval, &QTimer::timeout, this, &BackgroundSync::requestSync);
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &BackgroundSync::fileTouched);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &BackgroundSync::fileTouched);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &BackgroundSync::checkFile);
    // Another file opened: the watch follows it.
    m_follow.setInterval(kFollowMs);
    connect(&m_follow, &QTimer::timeout, this, &BackgroundSync::watch);
    m_interval.start();
    m_follow.start();
    m_watched = m_file();
    m_lastIdentity = m_watched.isEmpty() ? QByteArray() : identityOf(m_watched);
    if (!m_watched.isEmpty()) m_watcher->addPath(QFileInfo(m_watched).absolutePath());
    watch();
}

BackgroundSync::~BackgroundSync() {
    if (m_thread) { // the exchange ends within its request time-outs
        m_thread->wait();
        delete m_thread;
    }
}

void BackgroundSync::setInterval(int minutes) {
    if (minutes <= 0) {
        m_interval.stop();
        return;
    }
    m_interval.start(minutes * 60000);
}

void BackgroundSync::requestSync() {
    if (m_busy) {
        m_again = true;
        return;
    }
    start();
}

void BackgroundSync::watch() {
    const QString file = m_file();
    if (file != m_watched) {
        if (!m_watcher->files().isEmpty()) m_watcher->removePaths(m_watcher->files());
        if (!m_watcher->directories().isEmpty()) m_watcher->removePaths(m_watcher->directories());
        m_watched = file;
        if (!file.isEmpty()) m_watcher->addPath(QFileInfo(file).absolutePath());
        m_lastIdentity.clear(); // the file now open is synced once it settles
        m_settle.start();
    }
    // A save that renames a new file over the old one ends the watch of the file.
    if (!file.isEmpty() && !m_watcher->files().contains(file) && QFileInfo::exists(file))
        m_watcher->addPath(file);
}

void BackgroundSync::fileTouched() {
    watch();
    m_settle.start();
}

void BackgroundSync::checkFile() {
    const QString file = m_file();
    if (file.isEmpty()) return;
    const QByteArray now = identityOf(file);
    if (now != m_lastIdentity) requestSync();
    m_lastIdentity = now;
}

void BackgroundSync::start() {
    const QString file = m_file();
    if (file.isEmpty()) return;
    CalendarLinks account;
    if (!account.load(file) || account.server.isEmpty() || account.calendar.isEmpty()) return;
    auto snapshot = std::make_shared<SyncSnapshot>();
    try {
        *snapshot = SnapshotForSync(file);
        m_snapshotIdentity = identityOf(file);
    } catch (const ReminderFileError& e) {
        emit failed({CalDav::ErrorKind::Protocol, 0, QString::fromUtf8(e.what())});
        emit finished(false);
        return;
    }
    const CalDav::Account acc{account.server, account.user,
                              m_password(account.server.toString(), account.user), account.caFile};
    const QUrl calendar = account.calendar;
    const CalendarSettings settings = CurrentCalendarSettings(ProgramFolders::global().dirPrograma);
    auto exchange = std::make_shared<SyncExchange>();
    m_busy = true;
    m_thread = QThread::create([snapshot, exchange, acc, calendar, settings] {
        CalDav::Client client(acc); // its network objects live on this thread
        *exchange = ExchangeWithServer(*snapshot, client, calendar, settings);
    });
    connect(m_thread, &QThread::finished, this, [this, snapshot, exchange, acc, calendar] {
        m_thread->deleteLater();
        m_thread = nullptr;
        apply(snapshot, exchange, acc, calendar);
    });
    m_thread->start();
}

void BackgroundSync::apply(std::shared_ptr<SyncSnapshot> snapshot, std::shared_ptr<SyncExchange> exchange,
                           const CalDav::Account& acc, const QUrl& calendar) {
    if (m_mayWrite && !m_mayWrite()) {
        QTimer::singleShot(2000, this, [=, this] { apply(snapshot, exchange, acc, calendar); });
        return;
    }
    const QString index =
        m_index.isEmpty() ? ProgramFolders::global().dirTemp + QStringLiteral("QVMsgs.IDX") : m_index;
    // A save while the server was asked is synced next, as is a reminder the apply left alone.
    if (identityOf(snapshot->remindersFile) != m_snapshotIdentity) m_again = true;
    const SyncOutcome out = ApplyExchange(*snapshot, *exchange, calendar, index, acc);
    if (out.skipped > 0) m_again = true;
    m_lastIdentity = identityOf(snapshot->remindersFile); // our own writes start no sync
    watch();
    if (!out.notes.isEmpty()) emit noted(out.notes);
    CalDav::Error error = out.error;
    if (!error && !out.fileProblem.isEmpty()) error = {CalDav::ErrorKind::Protocol, 0, out.fileProblem};
    if (error && error.kind != m_told) emit failed(error);
    m_told = error.kind;
    m_busy = false;
    emit finished(!error);
    if (m_again) {
        m_again = false;
        start();
    }
}
