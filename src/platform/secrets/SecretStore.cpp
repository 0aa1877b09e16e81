#include "platform/secrets/SecretStore.h"

#include "platform/DurableFile.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QFile>
#include <QMap>

namespace {

struct Outcome {
    QKeychain::Error error = QKeychain::NoError;
    QString text;
    QString value;
};

// Runs a job to its end. The keyring is missing when it reports no backend, or
// any failure other than "not found" / "denied" (no bus, no service on it).
Outcome run(QKeychain::Job* job) {
    job->setAutoDelete(false);
    job->setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job->start();
    loop.exec();
    Outcome o{job->error(), job->errorString(), {}};
    if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(job)) o.value = read->textData();
    delete job;
    return o;
}

bool keyringMissing(QKeychain::Error e) {
    return e == QKeychain::NoBackendAvailable || e == QKeychain::NotImplemented || e == QKeychain::OtherError;
}

// The file: one "key<TAB>base64 of the UTF-8 secret" per line.
bool readFile(const QString& path, QMap<QString, QString>& out, QString* error) {
    out.clear();
    QFile f(path);
    if (!f.exists()) return true;
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, f.errorString());
        return false;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        const int tab = line.indexOf('\t');
        if (tab <= 0) continue;
        out.insert(QString::fromUtf8(line.left(tab)),
                   QString::fromUtf8(QByteArray::fromBase64(line.mid(tab + 1))));
    }
    return true;
}

bool writeFile(const QString& path, const QMap<QString, QString>& entries, QString* error) {
    QByteArray out;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        out += it.key().toUtf8() + '\t' + it.value().toUtf8().toBase64() + '\n';
    // Owner-only from its first byte; a full disk leaves the old file whole.
    return DurableFile::save(path, out, error, 0600);
}

} // namespace

SecretStore::SecretStore(QString service, QString fallbackFile)
    : m_service(std::move(service)), m_file(std::move(fallbackFile)) {}

bool SecretStore::keyringAvailable() {
    auto* job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(QStringLiteral("orbalinder-keyring-probe"));
    return !keyringMissing(run(job).error);
}

bool SecretStore::write(const QString& key, const QString& secret, QString* error) {
    auto* job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(key);
    job->setTextData(secret);
    const Outcome o = run(job);
    QMap<QString, QString> entries;
    if (o.error == QKeychain::NoError) {
        m_where = Where::Keyring;
        // A copy left in the file from a time without keyring goes away.
        if (readFile(m_file, entries, nullptr) && entries.remove(key) > 0)
            writeFile(m_file, entries, nullptr);
        return true;
    }
    if (!keyringMissing(o.error)) {
        if (error) *error = QStringLiteral("the keyring refused the password: %1").arg(o.text);
        return false;
    }
    if (!readFile(m_file, entries, error)) return false;
    entries.insert(key, secret);
    if (!writeFile(m_file, entries, error)) return false;
    m_where = Where::File;
    return true;
}

std::optional<QString> SecretStore::read(const QString& key, QString* error) {
    if (error) error->clear();
    auto* job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(key);
    const Outcome o = run(job);
    if (o.error == QKeychain::NoError) {
        m_where = Where::Keyring;
        return o.value;
    }
    if (o.error != QKeychain::EntryNotFound && !keyringMissing(o.error)) {
        if (error) *error = QStringLiteral("the keyring refused the password: %1").arg(o.text);
        return std::nullopt;
    }
    QMap<QString, QString> entries;
    if (!readFile(m_file, entries, error)) return std::nullopt;
    const auto it = entries.constFind(key);
    if (it == entries.constEnd()) return std::nullopt;
    m_where = Where::File;
    return *it;
}

bool SecretStore::remove(const QString& key, QString* error) {
    auto* job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(key);
    const Outcome o = run(job);
    if (o.error != QKeychain::NoError && o.error != QKeychain::EntryNotFound && !keyringMissing(o.error)) {
        if (error) *error = QStringLiteral("the keyring refused: %1").arg(o.text);
        return false;
    }
    QMap<QString, QString> entries;
    if (!readFile(m_file, entries, error)) return false;
    if (entries.remove(key) > 0) return writeFile(m_file, entries, error);
    return true;
}
