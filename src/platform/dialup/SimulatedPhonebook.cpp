// The simulated phonebook: entries in an INI file, connections in memory.
#include "platform/dialup/SimulatedPhonebook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace dialup {

namespace {

bool validName(const QString& name) {
    if (name.trimmed().isEmpty() || name.size() > 256 || name.startsWith(QLatin1Char('.'))) return false;
    for (QChar c : name)
        if (c.unicode() < 32 || c == QLatin1Char('\\') || c == QLatin1Char('/')) return false;
    return true;
}

QString statesText(const QVector<quint32>& states) {
    QStringList parts;
    for (quint32 s : states)
        parts << QString::number(s);
    return parts.join(QLatin1Char(','));
}

QVector<quint32> parseStates(const QString& text) {
    QVector<quint32> states;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const quint32 s = part.trimmed().toUInt(&ok);
        if (ok) states << s;
    }
    return states;
}

} // namespace

SimulatedPhonebook::SimulatedPhonebook(QString filePath) : path_(std::move(filePath)) {}

SimulatedPhonebook::~SimulatedPhonebook() {
    for (auto& t : dialThreads_)
        if (t.joinable()) t.join();
}

QString SimulatedPhonebook::defaultPath() {
    const QString over = qEnvironmentVariable("ORB_DIALUP_PHONEBOOK");
    if (!over.isEmpty()) return over;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Orbalinder/phonebook.conf");
}

QVector<SimulatedEntry> SimulatedPhonebook::load() const {
    QVector<SimulatedEntry> entries;
    if (!QFileInfo::exists(path_)) return entries;
    QSettings file(path_, QSettings::IniFormat);
    const int n = file.beginReadArray(QStringLiteral("entries"));
    for (int i = 0; i < n; ++i) {
        file.setArrayIndex(i);
        SimulatedEntry e;
        e.name = file.value(QStringLiteral("name")).toString();
        if (!validName(e.name)) continue; // a damaged or foreign line never becomes an entry
        e.userName = file.value(QStringLiteral("user")).toString();
        e.password = file.value(QStringLiteral("password")).toString();
        e.passwordSaved = file.value(QStringLiteral("passwordSaved"), false).toBool();
        e.outcome = file.value(QStringLiteral("outcome"), 0).toUInt();
        if (file.contains(QStringLiteral("states")))
            e.states = parseStates(file.value(QStringLiteral("states")).toString());
        e.keepsHandleOnFailure = file.value(QStringLiteral("keepsHandleOnFailure"), false).toBool();
        e.hangUpPolls = qBound(0, file.value(QStringLiteral("hangUpPolls"), 0).toInt(), 1000);
        entries << e;
    }
    file.endArray();
    return entries;
}

bool SimulatedPhonebook::save(const QVector<SimulatedEntry>& entries) const {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings file(path_, QSettings::IniFormat);
    file.clear();
    file.beginWriteArray(QStringLiteral("entries"), int(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        const SimulatedEntry& e = entries[i];
        file.setArrayIndex(i);
        file.setValue(QStringLiteral("name"), e.name);
        file.setValue(QStringLiteral("user"), e.userName);
        file.setValue(QStringLiteral("password"), e.password);
        file.setValue(QStringLiteral("passwordSaved"), e.passwordSaved);
        file.setValue(QStringLiteral("outcome"), e.outcome);
        file.setValue(QStringLiteral("states"), statesText(e.states));
        file.setValue(QStringLiteral("keepsHandleOnFailure"), e.keepsHandleOnFailure);
        file.setValue(QStringLiteral("hangUpPolls"), e.hangUpPolls);
    }
    file.endArray();
    file.sync();
    // saved passwords: readable by the owner only
    QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return file.status() == QSettings::NoError;
}

bool SimulatedPhonebook::put(const SimulatedEntry& entry) {
    if (!validName(entry.name)) return false;
    QVector<SimulatedEntry> entries = load();
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const SimulatedEntry& e) { return e.name == entry.name; });
    if (it != entries.end())
        *it = entry;
    else
        entries << entry;
    return save(entries);
}

bool SimulatedPhonebook::remove(const QString& name) {
    QVector<SimulatedEntry> entries = load();
    const auto removed = entries.removeIf([&](const SimulatedEntry& e) { return e.name == name; });
    return removed > 0 && save(entries);
}

quint32 SimulatedPhonebook::enumEntries(QStringList& names) {
    names.clear();
    for (const SimulatedEntry& e : load())
        names << e.name;
    return 0;
}

quint32 SimulatedPhonebook::validateEntryName(const QString& name) {
    if (!validName(name)) return kErrorInvalidName;
    for (const SimulatedEntry& e : load())
        if (e.name.compare(name, Qt::CaseInsensitive) == 0) return kErrorAlreadyExists;
    return 0;
}

quint32 SimulatedPhonebook::getDialParams(const QString& entry, DialParams& params) {
    for (const SimulatedEntry& e : load()) {
        if (e.name != entry) continue;
        params.entryName = e.name;
        params.userName = e.userName;
        params.passwordSaved = e.passwordSaved;
        params.password = e.passwordSaved ? e.password : QString();
        return 0;
    }
    return kErrorCannotFindEntry;
}

quint32 SimulatedPhonebook::setDialParams(const DialParams& params, bool removePassword) {
    QVector<SimulatedEntry> entries = load();
    for (SimulatedEntry& e : entries) {
        if (e.name != params.entryName) continue;
        e.userName = params.userName;
        if (removePassword) {
            e.password.clear();
            e.passwordSaved = false;
        } else {
            e.password = params.password;
            e.passwordSaved = params.passwordSaved || !params.password.isEmpty();
        }
        return save(entries) ? 0 : kErrorNotSupported;
    }
    return kErrorCannotFindEntry;
}

quint32 SimulatedPhonebook::openEntryEditor(const QString&) {
    return kErrorNotSupported; // entries are edited with "qvtool dialup"
}

quint32 SimulatedPhonebook::openConnection(const QString& entry) {
    std::lock_guard lock(mutex_);
    const quint32 handle = nextHandle_++;
    connections_.insert(handle, Connection{entry, kStateOpenPort, 0, -1});
    return handle;
}

quint32 SimulatedPhonebook::dial(const DialParams& params, const DialNotifier& notifier, quint32& handle) {
    handle = 0;
    SimulatedEntry entry;
    bool found = false;
    for (const SimulatedEntry& e : load())
        if (e.name == params.entryName) {
            entry = e;
            found = true;
        }
    if (!found) return kErrorCannotFindEntry;

    const quint32 h = openConnection(entry.name);
    auto finish = [this, h, entry]() {
        std::lock_guard lock(mutex_);
        auto it = connections_.find(h);
        if (it == connections_.end()) return;
        if (entry.outcome == 0)
            it->state = kStateConnected;
        else if (entry.keepsHandleOnFailure)
            it->error = entry.outcome;
        else
            connections_.erase(it);
    };

    if (!notifier) {
        finish();
        if (entry.outcome == 0 || entry.keepsHandleOnFailure) handle = h;
        return entry.outcome;
    }

    handle = h;
    dialThreads_.emplace_back([entry, notifier, finish]() {
        for (quint32 s : entry.states)
            notifier(0, s, 0);
        finish();
        const quint32 last = entry.states.isEmpty() ? kStateOpenPort : entry.states.last();
        notifier(0, entry.outcome == 0 ? kStateConnected : last, entry.outcome);
    });
    return 0;
}

quint32 SimulatedPhonebook::hangUp(quint32 handle) {
    std::lock_guard lock(mutex_);
    auto it = connections_.find(handle);
    if (it == connections_.end()) return kErrorInvalidHandle;
    hungUp_ << handle;
    int polls = 0;
    for (const SimulatedEntry& e : load())
        if (e.name == it->entry) polls = e.hangUpPolls;
    if (polls <= 0)
        connections_.erase(it);
    else
        it->pollsLeft = polls;
    return 0;
}

quint32 SimulatedPhonebook::connectStatus(quint32 handle, ConnectionStatus& status) {
    std::lock_guard lock(mutex_);
    auto it = connections_.find(handle);
    if (it == connections_.end()) return kErrorInvalidHandle;
    if (it->pollsLeft == 0) {
        connections_.erase(it);
        return kErrorInvalidHandle;
    }
    if (it->pollsLeft > 0) --it->pollsLeft;
    status =
        ConnectionStatus{it->state, it->error, QStringLiteral("modem"), QStringLiteral("Simulated modem")};
    return 0;
}

quint32 SimulatedPhonebook::enumConnections(QVector<ConnectionInfo>& connections) {
    std::lock_guard lock(mutex_);
    connections.clear();
    for (auto it = connections_.cbegin(); it != connections_.cend(); ++it)
        if (it->pollsLeft < 0)
            connections << ConnectionInfo{it.key(), it->entry, QStringLiteral("modem"),
                                          QStringLiteral("Simulated modem")};
    return 0;
}

QVector<quint32> SimulatedPhonebook::hungUp() const {
    std::lock_guard lock(mutex_);
    return hungUp_;
}

} // namespace dialup
