#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Autostart {

QString entryPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + "/.config";
    return base + "/autostart/Orbalinder.desktop";
}

bool exists() { return QFileInfo::exists(entryPath()); }

static QString quoteExec(const QString& path) {
    QString q = path;
    q.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\"")).replace(u'`', QStringLiteral("\\`")).replace(u'$', QStringLiteral("\\$"));
    return u'"' + q + u'"';
}

bool set(bool on, const QString& programPath) {
    if (!on) return !exists() || QFile::remove(entryPath());
    QDir().mkpath(QFileInfo(entryPath()).absolutePath());
    const QString dir = QFileInfo(programPath).absolutePath();
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=Orbalinder\n"
                                  "Comment=Reminder manager\n");
    text += "Exec=" + quoteExec(programPath) + "\n";
    text += "Path=" + dir + "\n";
    text += "Terminal=false\nX-GNOME-Autostart-enabled=true\n";
    QSaveFile f(entryPath());
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) >= 0 && f.commit();
}

QString program() {
    QFile f(entryPath());
    if (!f.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (!line.startsWith("Exec=")) continue;
        QString v = line.mid(5);
        if (v.startsWith(u'"') && v.endsWith(u'"') && v.size() >= 2) {
            v = v.mid(1, v.size() - 2);
            QString out;
            for (qsizetype i = 0; i < v.size(); ++i) {
                if (v[i] == u'\\' && i + 1 < v.size()) ++i;
                out += v[i];
            }
            return out;
        }
        return v;
    }
    return {};
}

} // namespace Autostart
