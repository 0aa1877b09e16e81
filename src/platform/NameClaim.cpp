#include "platform/NameClaim.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

NameClaim ClaimName(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return NameClaim::Done;
    if (errno == EEXIST) return NameClaim::Taken;
    if (errno != EINVAL && errno != ENOSYS) return NameClaim::Failed;
    // A file system without the flag: a hard link refuses a taken name just as well.
    if (::link(source.constData(), target.constData()) != 0)
        return errno == EEXIST ? NameClaim::Taken : NameClaim::Failed;
    ::unlink(source.constData());
    return NameClaim::Done;
}
