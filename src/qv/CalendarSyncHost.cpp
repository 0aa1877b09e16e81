#include "qv/CalendarSyncHost.h"

#include "core/TextCatalogue.h"
#include "qv/MessageBoxes.h"
#include "sync/BackgroundSync.h"
#include "sync/CalendarLinks.h"
#include "sync/CalendarPasswords.h"

#include <QApplication>
#include <QTimer>

CalendarSyncHost::CalendarSyncHost(std::function<QString()> remindersFile, QObject* parent)
    : QObject(parent) {
    m_sync = std::make_unique<BackgroundSync>(
        remindersFile,
        [](const QString& server, const QString& user) {
            return CalendarPasswords::store().read(CalendarPasswords::key(server, user)).value_or(QString());
        },
        this);
    m_sync->setMayWrite([] { return QApplication::activeModalWidget() == nullptr; });
    // The interval of the file's account, read at each start of a sync.
    connect(m_sync.get(), &BackgroundSync::finished, this, [this, remindersFile] {
        CalendarLinks account;
        const QString file = remindersFile();
        if (!file.isEmpty() && account.load(file)) m_sync->setInterval(account.minutes);
    });
    // Told from the event loop, never in the middle of a pass.
    connect(m_sync.get(), &BackgroundSync::failed, this, [](const CalDav::Error& e) {
        QTimer::singleShot(0, [text = failureText(e)] { MessageBoxes::warning(nullptr, text); });
    });
    connect(m_sync.get(), &BackgroundSync::noted, this, [](const QVector<SyncNote>& notes) {
        QStringList texts;
        for (const SyncNote& n : notes)
            texts << noteText(n);
        QTimer::singleShot(
            0, [text = texts.join(QStringLiteral("\n\n"))] { MessageBoxes::warning(nullptr, text); });
    });
    QTimer::singleShot(0, m_sync.get(), &BackgroundSync::requestSync); // at start
}

CalendarSyncHost::~CalendarSyncHost() = default;

QString CalendarSyncHost::failureText(const CalDav::Error& e) {
    using K = CalDav::ErrorKind;
    switch (e.kind) {
    case K::Unreachable:
        return LeerTexto(20620).arg(e.text);
    case K::Credentials:
        return LeerTexto(20621).arg(e.text);
    case K::Tls:
    case K::TrustFile:
        return LeerTexto(20622).arg(e.text);
    case K::Server:
        return LeerTexto(20623).arg(e.text);
    default:
        return LeerTexto(20624).arg(e.text);
    }
}

QString CalendarSyncHost::noteText(const SyncNote& n) {
    switch (n.kind) {
    case SyncNote::Kind::ConflictKeptServer:
        return LeerTexto(20625).arg(n.description);
    case SyncNote::Kind::ConflictKeptLocal:
        return LeerTexto(20626).arg(n.description);
    case SyncNote::Kind::Refused:
        return LeerTexto(20627).arg(n.description, n.detail);
    }
    return {};
}
