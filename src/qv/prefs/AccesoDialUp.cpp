// TDialUp behind the dialog's phonebook interface; a missing dial-up service
// becomes a failed operation, which the dialog reports, never an escaped error.
#include "qv/prefs/AccesoDialUp.h"

#include "dialup/DialUp.h"

#include <exception>

namespace {
template <typename F> int protegido(F&& operacion) {
    try {
        return static_cast<int>(operacion());
    } catch (const std::exception&) {
        return AccesoDialUp::kSinServicio;
    }
}
} // namespace

AccesoDialUp::AccesoDialUp(std::shared_ptr<dialup::DialUpBackend> backend)
    : m_ras(std::make_unique<TDialUp>(nullptr, std::move(backend))) {
    m_ras->DialMode = TDialMode::dmAsync;
    m_ras->Language = TLanguage::English;
}

AccesoDialUp::~AccesoDialUp() = default;

int AccesoDialUp::GetEntries() {
    return protegido([&] { return m_ras->GetEntries(); });
}
QStringList AccesoDialUp::Entries() const {
    return m_ras->Entries();
}
void AccesoDialUp::setEntry(const QString& name) {
    m_ras->Entry = name;
}
QString AccesoDialUp::Entry() const {
    return m_ras->Entry;
}

int AccesoDialUp::GetEntryUserName(QString& text) {
    text.clear();
    return protegido([&] { return m_ras->GetEntryUserName(text); });
}

int AccesoDialUp::GetEntryPassword(QString& text) {
    text.clear();
    return protegido([&] { return m_ras->GetEntryPassword(text); });
}

int AccesoDialUp::SetEntryUserName(const QString& text) {
    return protegido([&] { return m_ras->SetEntryUserName(text); });
}

int AccesoDialUp::SetEntryPassword(const QString& text) {
    return protegido([&] { return m_ras->SetEntryPassword(text); });
}

int AccesoDialUp::CreateEntry(QWidget*) {
    return protegido([&] { return m_ras->CreateEntry(); });
}
int AccesoDialUp::EditEntry(QWidget*) {
    return protegido([&] { return m_ras->EditEntry(); });
}
