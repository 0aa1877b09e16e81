#include "platform/GlobalMarker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString markerPath(const QString& name) {
    QString safe;
    for (QChar c : name)
        safe += (c.isLetterOrNumber() || c == u'-' || c == u'_') ? c : QChar(u'_');
    return GlobalMarker::directory() + "/" + safe + ".marker";
}

// Makes `path` when missing (mode 0700) and checks that it is a folder of
// this user that nobody else may use. Empty when it is.
QString privateFolderProblem(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("cannot make %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return QStringLiteral("cannot examine %1: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(st.st_mode)) return QStringLiteral("%1 is not a folder").arg(path);
    if (st.st_uid != ::getuid()) return QStringLiteral("%1 belongs to another user").arg(path);
    if ((st.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0)
        return QStringLiteral("%1 is open to other users").arg(path);
    return {};
}

int openMarker(const QString& name) {
    if (!GlobalMarker::folderProblem().isEmpty()) {
        errno = EACCES;
        return -1;
    }
    const QByteArray path = QFile::encodeName(markerPath(name));
    return ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}
} // namespace

QString GlobalMarker::directory() {
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty()) base = QDir::tempPath() + "/orbalinder-" + QString::number(::getuid());
    return base + "/orbalinder";
}

QString GlobalMarker::folderProblem() {
    const QString folder = directory();
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // The shared temporary folder: the parent is ours to check as well.
        const QString parent = QFileInfo(folder).path();
        if (QString problem = privateFolderProblem(parent); !problem.isEmpty()) return problem;
    }
    return privateFolderProblem(folder);
}

GlobalMarker::~GlobalMarker() {
    remove();
}

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
