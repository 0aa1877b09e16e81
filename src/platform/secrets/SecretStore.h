#pragma once
// Passwords kept in the desktop keyring (Secret Service, through QtKeychain),
// under one service name and a key per secret. Where no keyring answers (no
// D-Bus session, no Secret Service), the secret goes to an owner-only file
// given by the caller; where() says which one holds it, so a window can say so.
// A secret written to the keyring is removed from the file.
//
// Every call waits for the keyring in a local event loop (a D-Bus round trip).
#include <QString>

#include <optional>

class SecretStore {
public:
    enum class Where { Keyring, File };

    SecretStore(QString service, QString fallbackFile);

    // False with a reason in *error when neither the keyring nor the file took it.
    bool write(const QString& key, const QString& secret, QString* error = nullptr);
    // No value when no secret is stored under `key` (*error empty), or when
    // neither could be read (*error says why).
    std::optional<QString> read(const QString& key, QString* error = nullptr);
    // Removes the secret from both places; true when none is left.
    bool remove(const QString& key, QString* error = nullptr);

    // Where the last successful write or read found its place.
    Where where() const { return m_where; }
    // Whether a keyring answers now (one harmless lookup).
    bool keyringAvailable();

private:
    QString m_service, m_file;
    Where m_where = Where::Keyring;
};
