#include "platform/Autostart.h"

#include "platform/DesktopIdentity.h"
#include "platform/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Autostart {

namespace {

// Desktop entry values: a string value escapes backslash and line breaks; inside
// it, Exec quotes its argument and doubles '%' (field codes).
QString escapeString(const QString& s) {
    QString out;
    for (QChar c : s) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString unescapeString(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar c = s[++i];
        out += c == u'n'   ? QChar(u'\n')
               : c == u't' ? QChar(u'\t')
               : c == u'r' ? QChar(u'\r')
               : c == u's' ? QChar(u' ')
                           : c;
    }
    return out;
}

QString quoteExecArgument(const QString& arg) {
    QString q;
    for (QChar c : arg) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') q += u'\\';
        q += c;
        if (c == u'%') q += u'%';
    }
    return u'"' + q + u'"';
}

// The first argument of an Exec value (after string unescaping).
QString firstExecArgument(const QString& exec) {
    if (!exec.startsWith(u'"')) {
        const QString word = exec.section(u' ', 0, 0);
        return QString(word).replace(QStringLiteral("%%"), QStringLiteral("%"));
    }
    QString out;
    for (qsizetype i = 1; i < exec.size() && exec[i] != u'"'; ++i) {
        if (exec[i] == u'\\' && i + 1 < exec.size())
            ++i;
        else if (exec[i] == u'%' && i + 1 < exec.size() && exec[i + 1] == u'%')
            ++i;
        out += exec[i];
    }
    return out;
}

QString entryValue(const QString& key) {
    QFile f(entryPath());
    if (!f.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(key + u'=')) return unescapeString(line.mid(key.size() + 1));
    }
    return {};
}

} // namespace

QString entryPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + "/.config";
    return base + "/autostart/Orbalinder.desktop";
}

bool exists() {
    return QFileInfo::exists(entryPath());
}

bool set(bool on, const QString& programPath, const QString& workingFolder) {
    if (!on) return !exists() || QFile::remove(entryPath());
    QDir().mkpath(QFileInfo(entryPath()).absolutePath());
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=Orbalinder\n"
                                  "Comment=Reminder manager\n");
    text += QStringLiteral("Icon=") + QString::fromLatin1(kDesktopId) + u'\n';
    // TryExec: a desktop skips the entry once the program is gone (uninstalled).
    text += "TryExec=" + escapeString(programPath) + u'\n';
    text += "Exec=" + escapeString(quoteExecArgument(programPath)) + u'\n';
    text += "Path=" + escapeString(workingFolder) + u'\n';
    // The delay lets the desktop's notification area come up before the program
    // looks for it (GNOME's AppIndicator extension registers late).
    text += QStringLiteral("Terminal=false\nX-GNOME-Autostart-enabled=true\nX-GNOME-Autostart-Delay=5\n");
    return DurableFile::save(entryPath(), text.toUtf8());
}

QString program() {
    const QString exec = entryValue(QStringLiteral("Exec"));
    return exec.isEmpty() ? QString() : firstExecArgument(exec);
}

QString workingFolder() {
    return entryValue(QStringLiteral("Path"));
}

} // namespace Autostart
