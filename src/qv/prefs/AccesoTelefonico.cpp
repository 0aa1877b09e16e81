// The phonebook factory and the empty phonebook.
#include "qv/prefs/AccesoTelefonico.h"

int SinAccesoTelefonico::GetEntryUserName(QString& text) {
    text.clear();
    return kSinServicio;
}

int SinAccesoTelefonico::GetEntryPassword(QString& text) {
    text.clear();
    return kSinServicio;
}

namespace {
FabricaAccesoTelefonico& fabricaGlobal() {
    static FabricaAccesoTelefonico fabrica;
    return fabrica;
}
} // namespace

void EstablecerFabricaAccesoTelefonico(FabricaAccesoTelefonico fabrica) {
    fabricaGlobal() = std::move(fabrica);
}

std::unique_ptr<AccesoTelefonico> CrearAccesoTelefonico() {
    if (fabricaGlobal()) {
        if (auto acceso = fabricaGlobal()()) return acceso;
    }
    return std::make_unique<SinAccesoTelefonico>();
}
