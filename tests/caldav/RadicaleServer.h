#pragma once
// A real Radicale on loopback with TLS and passwords (scripts/caldavserver.sh),
// in the test's own folder on a port of its own, and the independent client
// (tests/caldav/phone.py, python3-caldav) that plays another device.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

struct RadicaleServer {
    QString dir;
    int port = 0;

    QString script() const { return QStringLiteral(ORB_SOURCE_DIR "/scripts/caldavserver.sh"); }
    QString caFile() const { return dir + QStringLiteral("/tls/ca.pem"); }
    QUrl base() const { return QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(port)); }
    QUrl calendar(const QString& user = QStringLiteral("alice")) const {
        return QUrl(QStringLiteral("https://127.0.0.1:%1/%2/reminders/").arg(port).arg(user));
    }

    bool run(const QString& command, QString* output = nullptr) const {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CS_PORT"), QString::number(port));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(script(), {command, dir});
        const bool ok =
            p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (output) *output = QString::fromUtf8(p.readAll());
        return ok;
    }
    // A port from the test's process id, so tests running at once do not meet.
    bool start(const QString& folder) {
        dir = folder;
        if (port == 0) port = 26000 + int(QCoreApplication::applicationPid() % 4000);
        QString out;
        if (!run(QStringLiteral("start"), &out)) {
            qWarning("%s", qPrintable(out));
            return false;
        }
        return true;
    }
    bool stop() const { return run(QStringLiteral("stop")); }

    // The other device: phone.py CALENDAR alice alicepass CA COMMAND ARGS...
    QString phone(const QStringList& args, bool* ok = nullptr) const {
        QProcess p;
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(QStringLiteral("/usr/bin/python3"),
                QStringList{QStringLiteral(ORB_SOURCE_DIR "/tests/caldav/phone.py"), calendar().toString(),
                            QStringLiteral("alice"), QStringLiteral("alicepass"), caFile()} +
                    args);
        const bool done = p.waitForFinished(60000) && p.exitCode() == 0;
        if (!done)
            qWarning("phone.py %s: %s", qPrintable(args.join(' ')), p.readAllStandardError().constData());
        if (ok) *ok = done;
        return QString::fromUtf8(p.readAllStandardOutput());
    }
};
