#include "platform/DesktopHandlers.h"

#include <QProcess>
#include <QStandardPaths>

namespace DesktopHandlers {

namespace {
QString query(const QString& xdgMime, const QStringList& args) {
    QProcess p;
    p.start(xdgMime, args);
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}
} // namespace

bool hasHandler(const QString& filePath) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return false;
    const QString type = query(xdgMime, {QStringLiteral("query"), QStringLiteral("filetype"), filePath});
    if (type.isEmpty()) return false;
    return !query(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type}).isEmpty();
}

} // namespace DesktopHandlers
