#pragma once
// Typed named values under one key of a settings hive: the Linux stand-in for a
// registry key. Values are strings, 32-bit integers (Booleans are integers, any
// non-zero value reads as true) and binary blobs.
//
// Nothing is cached: every read goes to the hive file (only the parse of bytes
// read before is reused), so a write made by one routine, dialog or process is
// seen by every later read. Every write replaces the hive file atomically
// (a crash leaves the old or the new file, never none).
//
// A read of a missing value, or of a value of another type, throws SettingsError;
// so does every access to a hive file that exists but cannot be read.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class SettingType { String, Integer, Binary };

struct SettingValue {
    SettingType type = SettingType::String;
    QString text;       // String
    qint32 integer = 0; // Integer
    QByteArray binary;  // Binary
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual bool keyExists() const = 0;
    virtual void createKey() = 0; // throws SettingsError when the hive cannot be written
    virtual QStringList valueNames() const = 0;
    virtual std::optional<SettingValue> value(const QString& name) const = 0;
    virtual void setValue(const QString& name, const SettingValue& value) = 0;
    virtual bool deleteValue(const QString& name) = 0;

    bool exists(const QString& name) const { return value(name).has_value(); }
    QString readString(const QString& name) const;
    qint32 readInteger(const QString& name) const;
    bool readBool(const QString& name) const { return readInteger(name) != 0; }
    // The value when it is binary and not larger than maxSize bytes.
    QByteArray readBinary(const QString& name, int maxSize) const;

    void writeString(const QString& name, const QString& v);
    void writeInteger(const QString& name, qint32 v);
    void writeBool(const QString& name, bool v) { writeInteger(name, v ? 1 : 0); }
    void writeBinary(const QString& name, const QByteArray& v);
};

// A key of a hive kept in a text file ("[key]" sections, "name=type:payload" lines,
// UTF-8). Several keys may share one file. A read-only store refuses every write.
class FileSettingsStore final : public SettingsStore {
public:
    FileSettingsStore(QString filePath, QString key, bool readOnly = false);

    bool keyExists() const override;
    void createKey() override;
    QStringList valueNames() const override;
    std::optional<SettingValue> value(const QString& name) const override;
    void setValue(const QString& name, const SettingValue& value) override;
    bool deleteValue(const QString& name) override;

    const QString& filePath() const { return m_path; }

private:
    QString m_path;
    QString m_key;
    bool m_readOnly;
};

// The hives the programs use.
namespace Hives {
// The user hive file: $XDG_CONFIG_HOME/Orbalinder/settings.conf.
QString userHivePath();
// The machine hive file: the first Orbalinder/machine.conf found in $XDG_CONFIG_DIRS
// (default /etc/xdg); empty when there is none.
QString machineHivePath();
} // namespace Hives
