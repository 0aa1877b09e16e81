#include "platform/GlobalMarker.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
QString markerPath(const QString& name) {
    QString safe;
    for (QChar c : name) safe += (c.isLetterOrNumber() || c == u'-' || c == u'_') ? c : QChar(u'_');
    return GlobalMarker::directory() + "/" + safe + ".marker";
}

int openMarker(const QString& name) {
    QDir().mkpath(GlobalMarker::directory());
    const QByteArray path = QFile::encodeName(markerPath(name));
    return ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}
} // namespace

QString GlobalMarker::directory() {
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty()) base = QDir::tempPath() + "/orbalinder-" + QString::number(::getuid());
    return base + "/orbalinder";
}

GlobalMarker::~GlobalMarker() { remove(); }

bool GlobalMarker::exists(const QString& name) {
    const int fd = openMarker(name);
    if (fd < 0) return false;
    // flock locks belong to the open file description, so this probe conflicts
    // with a holder in this same process too.
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd); // closing releases the probe's lock
    return !free;
}

bool GlobalMarker::add(const QString& name) {
    if (held()) return true;
    const int fd = openMarker(name);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void GlobalMarker::remove() {
    if (m_fd < 0) return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
