#include "qv/SettingsProblems.h"

#include "core/TextCatalogue.h"
#include "qv/MessageBoxes.h"

#include <QDir>
#include <QStringList>
#include <QTimer>

namespace SettingsProblems {

QString texto(const Ajustes::ProblemaAjuste& p) {
    using Tipo = Ajustes::ProblemaAjuste::Tipo;
    const QString archivo = QDir::toNativeSeparators(p.archivo);
    switch (p.tipo) {
    case Tipo::Lectura:
        return LeerTexto(20100).arg(p.valor, archivo, p.motivo);
    case Tipo::Escritura:
        return LeerTexto(20101).arg(p.valor, archivo, p.motivo);
    case Tipo::Arranque:
        break;
    }
    return LeerTexto(20102).arg(archivo, p.motivo);
}

void instalar() {
    // The routines are called inside timer handlers and dialogs: the box comes
    // afterwards, from the event loop, never in the middle of a read.
    static QStringList pendientes;
    Ajustes::setAvisador([](const Ajustes::ProblemaAjuste& p) {
        if (pendientes.isEmpty())
            QTimer::singleShot(0, [] {
                const QString todo = pendientes.join(QStringLiteral("\n\n"));
                pendientes.clear();
                MessageBoxes::warning(nullptr, todo);
            });
        pendientes << texto(p);
    });
}

} // namespace SettingsProblems
