#pragma once
// The dial-up phonebook as the preferences dialog sees it: list the entries,
// create or edit one, read and store the user name and password saved with an
// entry. Every operation returns the platform's result code, 0 for success.
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

class AccesoTelefonico {
public:
    virtual ~AccesoTelefonico() = default;

    // Refills entries(); on failure entries() is empty.
    virtual int GetEntries() = 0;
    virtual QStringList Entries() const = 0;

    // The entry the operations below act on.
    virtual void setEntry(const QString& name) = 0;
    virtual QString Entry() const = 0;

    // Empty text when the entry has none saved or does not exist.
    virtual int GetEntryUserName(QString& text) = 0;
    virtual int GetEntryPassword(QString& text) = 0;
    // Replace one saved value, keeping the others.
    virtual int SetEntryUserName(const QString& text) = 0;
    virtual int SetEntryPassword(const QString& text) = 0;

    // The desktop's dialogs for a new entry and for editing Entry().
    virtual int CreateEntry(QWidget* owner) = 0;
    virtual int EditEntry(QWidget* owner) = 0;
};

// A phonebook with no entries, for machines without a dial-up service: listing
// gives nothing, reads give empty texts, changes fail with kSinServicio.
class SinAccesoTelefonico : public AccesoTelefonico {
public:
    static constexpr int kSinServicio = 711; // "the remote access service is not available"

    int GetEntries() override { return 0; }
    QStringList Entries() const override { return {}; }
    void setEntry(const QString& name) override { m_entry = name; }
    QString Entry() const override { return m_entry; }
    int GetEntryUserName(QString& text) override;
    int GetEntryPassword(QString& text) override;
    int SetEntryUserName(const QString&) override { return kSinServicio; }
    int SetEntryPassword(const QString&) override { return kSinServicio; }
    int CreateEntry(QWidget*) override { return kSinServicio; }
    int EditEntry(QWidget*) override { return kSinServicio; }

private:
    QString m_entry;
};

// Where the preferences dialog gets its phonebook. Without a factory it uses
// the dial-up component when the build has one, else SinAccesoTelefonico;
// tests install their own.
using FabricaAccesoTelefonico = std::function<std::unique_ptr<AccesoTelefonico>()>;
void EstablecerFabricaAccesoTelefonico(FabricaAccesoTelefonico fabrica);
std::unique_ptr<AccesoTelefonico> CrearAccesoTelefonico();
