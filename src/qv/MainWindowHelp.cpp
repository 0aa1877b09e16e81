#include "qv/MainWindowHelp.h"

#include "core/TextCatalogue.h"
#include "ui/HelpPages.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

void AsignarAyudaPrincipal(QWidget* principal) {
    using HelpPages::setContext;
    setContext(principal, 3);
    auto set = [&](const char* name, int context) {
        if (QWidget* w = principal->findChild<QWidget*>(QLatin1String(name))) setContext(w, context);
    };
    set("ListaAvisos", 4);
    set("Botonera", 5);
    set("Barra", 7);
    for (const char* name : {"MPArchivo", "MPFunciones", "MPAyuda", "PopMenuAvisos"}) {
        auto* menu = principal->findChild<QMenu*>(QLatin1String(name));
        if (!menu) continue;
        setContext(menu, 4);
        const bool funciones = qstrcmp(name, "MPFunciones") == 0;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            setContext(a, !funciones ? 4 : a->objectName() == QLatin1String("MFRevisarAvisos") ? 0 : 1);
        }
    }
    if (QWidget* lista = principal->findChild<QWidget*>(QStringLiteral("ListaAvisos")))
        lista->setAccessibleName(LeerTexto(20360));
    HelpPages::installF1(principal);
}
