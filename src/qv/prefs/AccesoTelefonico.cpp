// The phonebook factory and the empty phonebook.
#include "qv/prefs/AccesoTelefonico.h"

#ifdef ORB_CON_DIALUP
#include "qv/prefs/AccesoDialUp.h"
#endif

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
#ifdef ORB_CON_DIALUP
    return std::make_unique<AccesoDialUp>();
#else
    return std::make_unique<SinAccesoTelefonico>();
#endif
}
