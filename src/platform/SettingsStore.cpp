#include "platform/SettingsStore.h"

#include "platform/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cstring>

namespace {

// One parsed hive file: keys in file order, each with its values in order.
struct Hive {
    struct Key {
        QString name;
        QList<QPair<QString, SettingValue>> values;
    };
    QList<Key> keys;
    // The file's bytes when some of it could not be understood (not UTF-8, a
    // line that is neither a key, a value nor a comment): kept beside the file
    // as NAME.damaged before the next write replaces it.
    QByteArray damaged;

    Key* find(const QString& key) {
        for (auto& k : keys)
            if (k.name.compare(key, Qt::CaseInsensitive) == 0) return &k;
        return nullptr;
    }
};

QString escape(const QString& s) {
    QString out;
    for (QChar c : s) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString unescape(QStringView s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        if (c == u'\\' && i + 1 < s.size()) {
            const QChar n = s[++i];
            c = n == u'n' ? QChar(u'\n') : n == u'r' ? QChar(u'\r') : n;
        }
        out += c;
    }
    return out;
}

Hive parseHive(const QByteArray& bytes) {
    Hive hive;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString content = utf8(bytes);
    bool understood = !utf8.hasError() && !bytes.contains('\0');
    Hive::Key* current = nullptr;
    for (QStringView line : QStringView(content).split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            hive.keys.append({line.mid(1, line.size() - 2).toString(), {}}); // key names as written
            current = &hive.keys.last();
            continue;
        }
        qsizetype eq = -1; // the first '=' not escaped by a backslash
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] == u'\\')
                ++i;
            else if (line[i] == u'=') {
                eq = i;
                break;
            }
        }
        if (!current || eq <= 0) {
            understood = false;
            continue;
        }
        const QString name = unescape(line.left(eq));
        const QStringView rest = line.mid(eq + 1);
        SettingValue v;
        if (rest.startsWith(QStringLiteral("sz:"))) {
            v.type = SettingType::String;
            v.text = unescape(rest.mid(3));
        } else if (rest.startsWith(QStringLiteral("dword:"))) {
            v.type = SettingType::Integer;
            bool ok = false;
            v.integer = static_cast<qint32>(rest.mid(6).toLongLong(&ok));
            if (!ok) {
                understood = false;
                continue;
            }
        } else if (rest.startsWith(QStringLiteral("hex:"))) {
            v.type = SettingType::Binary;
            v.binary = QByteArray::fromHex(rest.mid(4).toLatin1());
        } else {
            understood = false;
            continue; // unknown type: ignored, as if absent
        }
        current->values.append({name, v});
    }
    if (!understood) hive.damaged = bytes;
    return hive;
}

// A missing file is an empty hive; one that exists but cannot be read throws,
// so that no write ever replaces settings it could not see.
//
// Every read goes to the file, but the program reads one setting at a time, so
// the same few kilobytes were decoded again for each one. The last text read
// of each file is kept with its parse: when the file's bytes are the same, so
// is the hive, and only a changed file is parsed again.
Hive readHive(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return {};
    QFile f(path);
    if (info.isDir() || !f.open(QIODevice::ReadOnly))
        throw SettingsError("Cannot read settings file " + path.toStdString() + ": " +
                            (info.isDir() ? std::string("it is a folder") : f.errorString().toStdString()));
    const QByteArray bytes = f.readAll();

    struct Parsed {
        QByteArray bytes;
        Hive hive;
    };
    static QMutex mutex;
    static QHash<QString, Parsed> lastRead;
    const QMutexLocker lock(&mutex);
    auto it = lastRead.find(path);
    if (it == lastRead.end() || it->bytes != bytes) it = lastRead.insert(path, {bytes, parseHive(bytes)});
    return it->hive;
}

bool sameValue(const SettingValue& a, const SettingValue& b) {
    if (a.type != b.type) return false;
    switch (a.type) {
    case SettingType::String:
        return a.text == b.text;
    case SettingType::Integer:
        return a.integer == b.integer;
    case SettingType::Binary:
        return a.binary == b.binary;
    }
    return false;
}

void writeHive(const QString& path, const Hive& hive) {
    QString out =
        QStringLiteral("# Orbalinder settings. Types: sz (text), dword (32-bit integer), hex (binary).\n");
    for (const auto& key : hive.keys) {
        out += u'[' + key.name + QStringLiteral("]\n");
        for (const auto& [name, v] : key.values) {
            out += escape(name).replace(QLatin1Char('='), QStringLiteral("\\=")) + u'=';
            switch (v.type) {
            case SettingType::String:
                out += QStringLiteral("sz:") + escape(v.text);
                break;
            case SettingType::Integer:
                out += QStringLiteral("dword:") + QString::number(v.integer);
                break;
            case SettingType::Binary:
                out += QStringLiteral("hex:") + QString::fromLatin1(v.binary.toHex());
                break;
            }
            out += u'\n';
        }
        out += u'\n';
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    // What could not be understood is not lost with the rewrite.
    QString error;
    if (!hive.damaged.isEmpty() &&
        !DurableFile::save(path + QStringLiteral(".damaged"), hive.damaged, &error))
        throw SettingsError("Cannot keep the damaged settings file " + path.toStdString() + ": " +
                            error.toStdString());
    DurableFile f(path);
    if (!f.write(out.toUtf8()) || !f.commit())
        throw SettingsError("Cannot write settings file " + path.toStdString() + ": " +
                            std::string(std::strerror(f.errorNumber())));
}

const char* typeName(SettingType t) {
    switch (t) {
    case SettingType::String:
        return "text";
    case SettingType::Integer:
        return "integer";
    case SettingType::Binary:
        return "binary";
    }
    return "?";
}

} // namespace

// ---- SettingsStore: typed access ----

static SettingValue requireType(const SettingsStore& s, const QString& name, SettingType t) {
    const auto v = s.value(name);
    if (!v) throw SettingsError("Setting " + name.toStdString() + " does not exist");
    if (v->type != t)
        throw SettingsError("Setting " + name.toStdString() + " is " + typeName(v->type) + ", not " +
                            typeName(t));
    return *v;
}

QString SettingsStore::readString(const QString& name) const {
    return requireType(*this, name, SettingType::String).text;
}

qint32 SettingsStore::readInteger(const QString& name) const {
    return requireType(*this, name, SettingType::Integer).integer;
}

QByteArray SettingsStore::readBinary(const QString& name, int maxSize) const {
    QByteArray b = requireType(*this, name, SettingType::Binary).binary;
    if (b.size() > maxSize)
        throw SettingsError("Setting " + name.toStdString() + " is larger than " + std::to_string(maxSize) +
                            " bytes");
    return b;
}

void SettingsStore::writeString(const QString& name, const QString& v) {
    SettingValue s;
    s.type = SettingType::String;
    s.text = v;
    setValue(name, s);
}

void SettingsStore::writeInteger(const QString& name, qint32 v) {
    SettingValue s;
    s.type = SettingType::Integer;
    s.integer = v;
    setValue(name, s);
}

void SettingsStore::writeBinary(const QString& name, const QByteArray& v) {
    SettingValue s;
    s.type = SettingType::Binary;
    s.binary = v;
    setValue(name, s);
}

// ---- FileSettingsStore ----

FileSettingsStore::FileSettingsStore(QString filePath, QString key, bool readOnly)
    : m_path(std::move(filePath)), m_key(std::move(key)), m_readOnly(readOnly) {}

bool FileSettingsStore::keyExists() const {
    Hive h = readHive(m_path);
    return h.find(m_key) != nullptr;
}

void FileSettingsStore::createKey() {
    if (m_readOnly) throw SettingsError("The machine settings are read-only");
    Hive h = readHive(m_path);
    if (h.find(m_key)) return;
    h.keys.append({m_key, {}});
    writeHive(m_path, h);
}

QStringList FileSettingsStore::valueNames() const {
    Hive h = readHive(m_path);
    QStringList names;
    if (auto* k = h.find(m_key))
        for (const auto& v : k->values)
            names << v.first;
    return names;
}

std::optional<SettingValue> FileSettingsStore::value(const QString& name) const {
    Hive h = readHive(m_path);
    if (auto* k = h.find(m_key))
        for (const auto& v : k->values)
            if (v.first.compare(name, Qt::CaseInsensitive) == 0) return v.second;
    return std::nullopt;
}

void FileSettingsStore::setValue(const QString& name, const SettingValue& value) {
    if (m_readOnly) throw SettingsError("The machine settings are read-only");
    Hive h = readHive(m_path);
    Hive::Key* k = h.find(m_key);
    if (!k) {
        h.keys.append({m_key, {}});
        k = &h.keys.last();
    }
    for (auto& v : k->values)
        if (v.first.compare(name, Qt::CaseInsensitive) == 0) {
            // The same value again (the open file at every start): nothing to
            // replace, and no file to rewrite and flush to disk.
            if (sameValue(v.second, value)) return;
            v.second = value;
            writeHive(m_path, h);
            return;
        }
    k->values.append({name, value});
    writeHive(m_path, h);
}

bool FileSettingsStore::deleteValue(const QString& name) {
    if (m_readOnly) throw SettingsError("The machine settings are read-only");
    Hive h = readHive(m_path);
    Hive::Key* k = h.find(m_key);
    if (!k) return false;
    for (qsizetype i = 0; i < k->values.size(); ++i)
        if (k->values[i].first.compare(name, Qt::CaseInsensitive) == 0) {
            k->values.removeAt(i);
            writeHive(m_path, h);
            return true;
        }
    return false;
}

namespace Hives {

QString userHivePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + "/.config";
    return base + "/Orbalinder/settings.conf";
}

QString machineHivePath() {
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty()) dirs = "/etc/xdg";
    for (const QString& d : dirs.split(u':', Qt::SkipEmptyParts)) {
        const QString p = d + "/Orbalinder/machine.conf";
        if (QFileInfo::exists(p)) return p;
    }
    return {};
}

} // namespace Hives
