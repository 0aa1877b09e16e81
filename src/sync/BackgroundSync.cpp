#include "sync/BackgroundSync.h"

#include "calendar/CalendarFiles.h"
#include "platform/FileIdentity.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"
#include "sync/CalendarSync.h"

#include <QThread>

#include <memory>

namespace {

constexpr int kWatchMs = 20000; // how often the file is looked at for changes (one stat)

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
    m_watch.setInterval(kWatchMs);
    connect(&m_watch, &QTimer::timeout, this, &BackgroundSync::checkFile);
    m_interval.start();
    m_watch.start();
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

void BackgroundSync::checkFile() {
    const QString file = m_file();
    if (file.isEmpty()) return;
    const QByteArray now = identityOf(file);
    if (!m_lastIdentity.isEmpty() && now != m_lastIdentity) requestSync();
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
    const SyncOutcome out = ApplyExchange(*snapshot, *exchange, calendar, index, acc);
    m_lastIdentity = identityOf(snapshot->remindersFile); // our own writes start no sync
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
