#include "platform/DurableFile.h"

#include "platform/FileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int> workCounter{0};

const char* const kWorkMark = ".orbwork-";

QString workNameFor(const QString& target) {
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QString::fromLatin1(kWorkMark) +
           QString::number(::getpid()) + u'-' + QString::number(++workCounter);
}

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

// The folder's entry for the renamed file reaches the disk too.
void syncFolderOf(const QString& path) {
    const int fd =
        ::open(encoded(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

DurableFile::DurableFile(const QString& target, int mode) : m_target(QFileInfo(target).absoluteFilePath()) {
    m_work = workNameFor(m_target);
    struct stat old {};
    const bool hadOld = ::stat(encoded(m_target).constData(), &old) == 0;
    const mode_t created = mode != kKeepMode ? mode_t(mode) : hadOld ? (old.st_mode & 07777) : 0666;
    m_fd = ::open(encoded(m_work).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, created);
    if (m_fd < 0) {
        failWith(errno, "create");
        return;
    }
    // The mode asked for or kept, whatever the umask (a kept 0600 stays 0600).
    if (mode != kKeepMode || hadOld) ::fchmod(m_fd, created);
}

DurableFile::~DurableFile() {
    discard();
}

bool DurableFile::failWith(int errorNumber, const char* step) {
    if (m_errno == 0) {
        m_errno = errorNumber ? errorNumber : EIO;
        m_step = step;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_committed) ::unlink(encoded(m_work).constData());
    return false;
}

bool DurableFile::write(const char* data, qint64 size) {
    if (m_fd < 0 || m_errno) return false;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return failWith(errno, "write");
        }
        if (n == 0) return failWith(ENOSPC, "write");
        data += n;
        size -= n;
    }
    return true;
}

bool DurableFile::sync() {
    if (m_fd < 0 || m_errno) return false;
    if (::fsync(m_fd) != 0) return failWith(errno, "write");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return failWith(errno, "write");
    return true;
}

bool DurableFile::renameOver() {
    if (::rename(encoded(m_work).constData(), encoded(m_target).constData()) != 0)
        return failWith(errno, "replace");
    m_committed = true;
    return true;
}

bool DurableFile::commit() {
    if (m_fd < 0 || m_errno) return false;
    if (::fsync(m_fd) != 0) return failWith(errno, "write");
    // A lock we hold on the target covers the new file from the moment it
    // takes the target's name: locked before the rename, nobody can get in.
    int lockFd = -1;
    if (FileLock::heldExclusively(m_target)) {
        lockFd = ::open(encoded(m_work).constData(), O_RDONLY | O_CLOEXEC);
        if (lockFd < 0 || ::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            if (lockFd >= 0) ::close(lockFd);
            return failWith(e, "lock");
        }
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || !renameOver()) {
        const int e = errno;
        if (lockFd >= 0) ::close(lockFd);
        return failWith(m_errno ? m_errno : e, "write");
    }
    if (lockFd >= 0) FileLock::handOver(m_target, lockFd);
    syncFolderOf(m_target);
    return true;
}

void DurableFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_committed && !m_work.isEmpty()) ::unlink(encoded(m_work).constData());
    m_work.clear();
}

QString DurableFile::errorString() const {
    if (!m_errno) return {};
    const char* verb = std::strcmp(m_step, "create") == 0    ? "Cannot create a work file for"
                       : std::strcmp(m_step, "replace") == 0 ? "Cannot replace"
                       : std::strcmp(m_step, "lock") == 0    ? "Cannot lock"
                                                             : "Cannot write";
    return QStringLiteral("%1 %2: %3")
        .arg(QString::fromLatin1(verb), QDir::toNativeSeparators(m_target),
             QString::fromLocal8Bit(std::strerror(m_errno)));
}

bool DurableFile::save(const QString& target, const QByteArray& bytes, QString* error, int mode) {
    DurableFile f(target, mode);
    if (f.write(bytes) && f.commit()) return true;
    if (error) *error = f.errorString();
    return false;
}

bool DurableFile::savePair(const QString& first, const QByteArray& firstBytes, const QString& second,
                           const QByteArray& secondBytes, QString* error, int mode) {
    DurableFile a(first, mode), b(second, mode);
    auto fail = [&](const DurableFile& which) {
        if (error) *error = which.errorString();
        return false;
    };
    if (!a.write(firstBytes) || !a.sync()) return fail(a);
    if (!b.write(secondBytes) || !b.sync()) return fail(b);
    // The old first file is kept under a work name until the second is in place.
    const QString keep = workNameFor(a.m_target);
    const QByteArray keepName = encoded(keep), firstName = encoded(a.m_target);
    const bool hadFirst = QFileInfo::exists(a.m_target);
    if (hadFirst && ::link(firstName.constData(), keepName.constData()) != 0 &&
        !QFile::copy(a.m_target, keep)) {
        a.failWith(errno, "replace");
        return fail(a);
    }
    if (!a.renameOver()) {
        ::unlink(keepName.constData());
        return fail(a);
    }
    if (!b.renameOver()) {
        if (hadFirst)
            ::rename(keepName.constData(), firstName.constData());
        else
            ::unlink(firstName.constData());
        return fail(b);
    }
    ::unlink(keepName.constData());
    syncFolderOf(a.m_target);
    if (QFileInfo(a.m_target).absolutePath() != QFileInfo(b.m_target).absolutePath())
        syncFolderOf(b.m_target);
    return true;
}

bool DurableFile::processRuns(qint64 pid) {
    if (pid <= 0) return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QStringList DurableFile::removeStaleWorkFiles(const QString& folder, const QStringList& extraPatterns) {
    QStringList removed;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) return removed;
    static const QRegularExpression ours(QStringLiteral("^\\..+\\.orbwork-(\\d+)-\\d+$"));
    QList<QRegularExpression> others;
    for (const QString& pattern : extraPatterns) {
        // escape() also escapes '%': "%1" reads "\%1" by then.
        QString rx = QRegularExpression::escape(pattern);
        rx.replace(QStringLiteral("\\%1"), QStringLiteral("(\\d+)"))
            .replace(QStringLiteral("\\*"), QStringLiteral(".*"));
        others << QRegularExpression(u'^' + rx + u'$');
    }
    const QStringList names =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        QRegularExpressionMatch m = ours.match(name);
        for (qsizetype i = 0; !m.hasMatch() && i < others.size(); ++i)
            m = others[i].match(name);
        if (!m.hasMatch()) continue;
        const qint64 pid = m.captured(1).toLongLong();
        if (pid == ::getpid() || processRuns(pid)) continue;
        if (QFile::remove(dir.filePath(name))) removed << name;
    }
    return removed;
}
