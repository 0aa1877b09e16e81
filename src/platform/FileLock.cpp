#include "platform/FileLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Held {
    int fd = -1;
    FileLock::Mode mode = FileLock::Mode::Shared;
    int depth = 0;
};

QHash<QString, Held>& heldLocks() {
    static QHash<QString, Held> table;
    return table;
}

QString keyOf(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

bool sameFile(int fd, const QByteArray& path) {
    struct stat a {
    }, b{};
    return ::fstat(fd, &a) == 0 && ::stat(path.constData(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

} // namespace

FileLock::FileLock(const QString& path, Mode mode, int waitMs) : m_key(keyOf(path)) {
    auto it = heldLocks().find(m_key);
    if (it != heldLocks().end()) {
        if (mode == Mode::Exclusive && it->mode == Mode::Shared) {
            // A shared lock turned exclusive: the same wait as a new lock.
            QElapsedTimer clock;
            clock.start();
            while (::flock(it->fd, LOCK_EX | LOCK_NB) != 0) {
                if ((errno != EWOULDBLOCK && errno != EINTR) || clock.elapsed() >= waitMs) {
                    m_errno = errno == EINTR ? EWOULDBLOCK : errno;
                    return;
                }
                QThread::msleep(5);
            }
            it->mode = Mode::Exclusive;
        }
        ++it->depth;
        m_held = true;
        return;
    }
    const QByteArray name = QFile::encodeName(m_key);
    QElapsedTimer clock;
    clock.start();
    const int operation = mode == Mode::Exclusive ? LOCK_EX : LOCK_SH;
    for (;;) {
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            m_errno = errno;
            return;
        }
        bool locked = false;
        for (;;) {
            if (::flock(fd, operation | LOCK_NB) == 0) {
                locked = true;
                break;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) break;
            if (clock.elapsed() >= waitMs) {
                errno = EWOULDBLOCK;
                break;
            }
            QThread::msleep(5);
        }
        if (!locked) {
            m_errno = errno;
            ::close(fd);
            return;
        }
        // The holder before us may have replaced the file: lock the new one.
        if (sameFile(fd, name)) {
            heldLocks().insert(m_key, Held{fd, mode, 1});
            m_held = true;
            return;
        }
        ::close(fd);
        if (clock.elapsed() >= waitMs) {
            m_errno = EWOULDBLOCK;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (!m_held) return;
    auto it = heldLocks().find(m_key);
    if (it == heldLocks().end()) return;
    if (--it->depth > 0) return;
    ::close(it->fd); // releases the lock
    heldLocks().erase(it);
}

bool FileLock::timedOut() const {
    return m_errno == EWOULDBLOCK;
}

bool FileLock::heldExclusively(const QString& path) {
    auto it = heldLocks().constFind(keyOf(path));
    return it != heldLocks().constEnd() && it->mode == Mode::Exclusive;
}

void FileLock::handOver(const QString& path, int fd) {
    auto it = heldLocks().find(keyOf(path));
    if (it == heldLocks().end()) {
        ::close(fd);
        return;
    }
    ::close(it->fd); // waiters on the old file wake, see it replaced and lock the new one
    it->fd = fd;
}
