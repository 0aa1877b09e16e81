#include "qv/MainWindowHelp.h"

#include "core/TextCatalogue.h"
#include "ui/HelpPages.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QShortcut>
#include <QTableView>
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
    if (auto* lista = principal->findChild<QTableView*>(QStringLiteral("ListaAvisos"))) {
        lista->setAccessibleName(LeerTexto(20360));
        // Sorting by a column without the mouse: Ctrl+1 .. Ctrl+5 in the list act
        // as a click on that column's title.
        QHeaderView* titulos = lista->horizontalHeader();
        for (int c = 0; c < 5; ++c) {
            auto* atajo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + c)), lista);
            atajo->setContext(Qt::WidgetWithChildrenShortcut);
            QObject::connect(atajo, &QShortcut::activated, titulos,
                             [titulos, c] { emit titulos->sectionClicked(c); });
        }
    }
    HelpPages::installF1(principal);
}
