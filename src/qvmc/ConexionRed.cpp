#include "qvmc/ConexionRed.h"

#include <QProcess>
#include <QStandardPaths>

QString ConexionRed::nmcli() {
    return nmcliOverride.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("nmcli")) : nmcliOverride;
}

int ConexionRed::run(const QStringList& args, QString* out, int timeoutMs) const {
    const QString exe = nmcli();
    if (exe.isEmpty()) return -1;
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return -2;
    }
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput()) + QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3;
}

QStringList ConexionRed::ListActiveConnections() const {
    QString out;
    if (run({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME"), QStringLiteral("connection"),
             QStringLiteral("show"), QStringLiteral("--active")},
            &out, 10000) != 0)
        return {};
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int ConexionRed::ValidateEntry() const {
    QString out;
    if (Entry.isEmpty() || run({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME"),
                                QStringLiteral("connection"), QStringLiteral("show")},
                               &out, 10000) != 0)
        return 0;
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).contains(Entry) ? 1 : 0;
}

int ConexionRed::Dial() {
    if (OnDialing) OnDialing(Entry);
    QString out;
    const int rc = run({QStringLiteral("connection"), QStringLiteral("up"), QStringLiteral("id"), Entry}, &out, 90000);
    if (rc != 0) {
        if (OnError) OnError(rc, out.trimmed().isEmpty() ? QStringLiteral("Dialing failed") : out.trimmed());
        return rc == 0 ? 1 : rc;
    }
    if (OnConnect) OnConnect(Entry);
    return 0;
}

int ConexionRed::HangUp() {
    return run({QStringLiteral("connection"), QStringLiteral("down"), QStringLiteral("id"), Entry}, nullptr, 30000);
}
