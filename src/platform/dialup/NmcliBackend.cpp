// NetworkManager backend: every operation is one short `nmcli` run.
#include "platform/dialup/NmcliBackend.h"

#include <QProcess>
#include <QStandardPaths>

namespace dialup {

namespace {

NmcliResult runNmcli(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    NmcliResult r;
    if (!p.waitForStarted(5000)) return r;
    if (!p.waitForFinished(120000)) { // activation may take long, but never forever
        p.kill();
        p.waitForFinished(1000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QStringList lines(const QByteArray& out) {
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// nmcli exit codes to result codes.
quint32 mapExit(const NmcliResult& r) {
    switch (r.exitCode) {
    case 0:
        return 0;
    case 10:
        return kErrorCannotFindEntry; // connection or device does not exist
    case 4:
        return kErrorNoCarrier; // activation failed
    case 3:
        return kErrorTimeout;
    case 1: // no NetworkManager to talk to
    case 8:
        return kErrorServiceUnavailable;
    case -1:
        return kErrorNotSupported; // could not run or did not end
    default:
        return kErrorRemoteDisconnection;
    }
}

// The settings holding user name and password for a connection type.
QPair<QString, QString> credentialFields(const QString& type) {
    if (type == QLatin1String("gsm") || type == QLatin1String("cdma") || type == QLatin1String("pppoe"))
        return {type + QStringLiteral(".username"), type + QStringLiteral(".password")};
    return {QStringLiteral("802-1x.identity"), QStringLiteral("802-1x.password")};
}

} // namespace

QStringList splitTerseLine(const QString& line) {
    QStringList fields;
    QString cur;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            cur += line[++i];
        } else if (c == QLatin1Char(':')) {
            fields << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    fields << cur;
    return fields;
}

NmcliBackend::NmcliBackend(NmcliRunner runner) : run_(std::move(runner)) {
    if (!run_) {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("nmcli"));
        if (program.isEmpty()) loadError_ = QStringLiteral("Error opening nmcli");
        run_ = [program](const QStringList& args) { return runNmcli(program, args); };
    }
}

NmcliBackend::~NmcliBackend() {
    for (auto& t : dialThreads_)
        if (t.joinable()) t.join();
}

QString NmcliBackend::loadError() const {
    return loadError_;
}

bool NmcliBackend::provides(const QString& function) const {
    if (function == QLatin1String("RasCreatePhonebookEntry") ||
        function == QLatin1String("RasEditPhonebookEntry"))
        return !QStandardPaths::findExecutable(QStringLiteral("nm-connection-editor")).isEmpty();
    return true;
}

quint32 NmcliBackend::enumEntries(QStringList& names) {
    names.clear();
    const NmcliResult r = run_({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME"),
                                QStringLiteral("connection"), QStringLiteral("show")});
    if (r.exitCode != 0) return mapExit(r);
    for (const QString& line : lines(r.out))
        names << splitTerseLine(line).value(0);
    return 0;
}

quint32 NmcliBackend::validateEntryName(const QString& name) {
    if (name.trimmed().isEmpty() || name.contains(QLatin1Char('\n'))) return kErrorInvalidName;
    QStringList names;
    if (const quint32 rc = enumEntries(names)) return rc;
    return names.contains(name) ? kErrorAlreadyExists : 0;
}

QString NmcliBackend::typeOf(const QString& entry) {
    const NmcliResult r =
        run_({QStringLiteral("-g"), QStringLiteral("connection.type"), QStringLiteral("connection"),
              QStringLiteral("show"), QStringLiteral("id"), entry});
    return r.exitCode == 0 ? QString::fromUtf8(r.out).trimmed() : QString();
}

QString NmcliBackend::uuidOf(const QString& entry) {
    const NmcliResult r =
        run_({QStringLiteral("-g"), QStringLiteral("connection.uuid"), QStringLiteral("connection"),
              QStringLiteral("show"), QStringLiteral("id"), entry});
    return r.exitCode == 0 ? QString::fromUtf8(r.out).trimmed() : QString();
}

quint32 NmcliBackend::getDialParams(const QString& entry, DialParams& params) {
    const QString type = typeOf(entry);
    if (type.isEmpty()) return kErrorCannotFindEntry;
    const auto fields = credentialFields(type);
    // multiline terse output: "setting.property:value" lines, values never escaped
    const NmcliResult r =
        run_({QStringLiteral("-s"), QStringLiteral("-e"), QStringLiteral("no"), QStringLiteral("-t"),
              QStringLiteral("-f"), fields.first + QLatin1Char(',') + fields.second,
              QStringLiteral("connection"), QStringLiteral("show"), QStringLiteral("id"), entry});
    if (r.exitCode != 0) return mapExit(r);
    params.entryName = entry;
    for (const QString& line : lines(r.out)) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0) continue;
        const QString key = line.left(colon);
        const QString value = line.mid(colon + 1);
        if (key == fields.first)
            params.userName = value;
        else if (key == fields.second)
            params.password = value;
    }
    params.passwordSaved = !params.password.isEmpty();
    return 0;
}

quint32 NmcliBackend::setDialParams(const DialParams& params, bool removePassword) {
    const QString type = typeOf(params.entryName);
    if (type.isEmpty()) return kErrorCannotFindEntry;
    const auto fields = credentialFields(type);
    QStringList args{QStringLiteral("connection"),
                     QStringLiteral("modify"),
                     QStringLiteral("id"),
                     params.entryName,
                     fields.first,
                     params.userName};
    if (removePassword)
        args << fields.second << QString();
    else if (!params.password.isEmpty())
        args << fields.second << params.password;
    return mapExit(run_(args));
}

quint32 NmcliBackend::openEntryEditor(const QString& entry) {
    QStringList args;
    if (entry.isEmpty())
        args << QStringLiteral("--create");
    else
        args << QStringLiteral("--edit") << uuidOf(entry);
    return QProcess::startDetached(QStringLiteral("nm-connection-editor"), args) ? 0 : kErrorNotSupported;
}

quint32 NmcliBackend::handleFor(const QString& uuid) {
    std::lock_guard lock(mutex_);
    for (auto it = handles_.cbegin(); it != handles_.cend(); ++it)
        if (it.value() == uuid) return it.key();
    const quint32 h = nextHandle_++;
    handles_.insert(h, uuid);
    return h;
}

quint32 NmcliBackend::dial(const DialParams& params, const DialNotifier& notifier, quint32& handle) {
    handle = 0;
    const QString uuid = uuidOf(params.entryName);
    if (uuid.isEmpty()) return kErrorCannotFindEntry;
    handle = handleFor(uuid);
    const QStringList args{QStringLiteral("connection"), QStringLiteral("up"), QStringLiteral("uuid"), uuid};
    if (!notifier) return mapExit(run_(args));
    dialThreads_.emplace_back([this, args, notifier]() {
        notifier(0, kStateOpenPort, 0);
        const quint32 rc = mapExit(run_(args));
        notifier(0, rc == 0 ? kStateConnected : kStateOpenPort, rc);
    });
    return 0;
}

QVector<NmcliBackend::Active> NmcliBackend::activeConnections() {
    QVector<Active> active;
    const NmcliResult r =
        run_({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME,UUID,TYPE,DEVICE,STATE"),
              QStringLiteral("connection"), QStringLiteral("show"), QStringLiteral("--active")});
    if (r.exitCode != 0) return active;
    for (const QString& line : lines(r.out)) {
        const QStringList f = splitTerseLine(line);
        if (f.size() >= 5) active << Active{f[0], f[1], f[2], f[3], f[4]};
    }
    return active;
}

quint32 NmcliBackend::hangUp(quint32 handle) {
    QString uuid;
    {
        std::lock_guard lock(mutex_);
        uuid = handles_.value(handle);
    }
    if (uuid.isEmpty()) return kErrorInvalidHandle;
    const NmcliResult r =
        run_({QStringLiteral("connection"), QStringLiteral("down"), QStringLiteral("uuid"), uuid});
    return r.exitCode == 0 ? 0 : kErrorInvalidHandle; // not active: nothing to hang up
}

quint32 NmcliBackend::connectStatus(quint32 handle, ConnectionStatus& status) {
    QString uuid;
    {
        std::lock_guard lock(mutex_);
        uuid = handles_.value(handle);
    }
    if (uuid.isEmpty()) return kErrorInvalidHandle;
    for (const Active& a : activeConnections()) {
        if (a.uuid != uuid) continue;
        const bool up = a.state == QLatin1String("activated");
        status = ConnectionStatus{up ? kStateConnected : kStateConnectDevice, 0, a.type, a.device};
        return 0;
    }
    return kErrorInvalidHandle;
}

quint32 NmcliBackend::enumConnections(QVector<ConnectionInfo>& connections) {
    connections.clear();
    for (const Active& a : activeConnections())
        connections << ConnectionInfo{handleFor(a.uuid), a.name, a.type, a.device};
    return 0;
}

} // namespace dialup
