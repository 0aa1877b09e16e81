#pragma once
// The phonebook of the preferences dialog over the dial-up component TDialUp.
#include "qv/prefs/AccesoTelefonico.h"

#include <memory>

class TDialUp;

namespace dialup {
class DialUpBackend;
}

class AccesoDialUp : public AccesoTelefonico {
public:
    // Without a backend, the one the settings name.
    explicit AccesoDialUp(std::shared_ptr<dialup::DialUpBackend> backend = {});
    ~AccesoDialUp() override;

    // Returned when the dial-up service or one of its functions is missing.
    static constexpr int kSinServicio = SinAccesoTelefonico::kSinServicio;

    int GetEntries() override;
    QStringList Entries() const override;
    void setEntry(const QString& name) override;
    QString Entry() const override;
    int GetEntryUserName(QString& text) override;
    int GetEntryPassword(QString& text) override;
    int SetEntryUserName(const QString& text) override;
    int SetEntryPassword(const QString& text) override;
    int CreateEntry(QWidget* owner) override;
    int EditEntry(QWidget* owner) override;

private:
    std::unique_ptr<TDialUp> m_ras;
};
