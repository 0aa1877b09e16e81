#include "qv/editor/EditorAvisos.h"

#include "core/Clock.h"
#include "store/ReminderFile.h"
#include "qv/MessageBoxes.h"
#include "qv/editor/TVEdicionAvisos.h"

int AnadirAvisoConEditor(QWidget* parent, const QString& file, const QString& indexPath) {
    const int count = ContarAvisos(file);
    if (count >= 65535) {
        MessageBoxes::errorText(parent, 9016);
        return 0;
    }
    TVEdicionAvisos dialog(parent);
    dialog.setWindowModality(Qt::WindowModal); // alerts stay usable meanwhile
    dialog.cargarNuevo(count + 1);
    RegistroAviso r = RegistroAviso::nuevo(Clock::current().now());
    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return 0;
        if (dialog.GuardarAviso(r)) break; // a refused save reopens with the entries as typed
    }
    return AnadirAviso(file, indexPath, r);
}

bool EditarAviso(QWidget* parent, const QString& file, int numero) {
    RegistroAviso r = LeerAviso(file, numero);
    TVEdicionAvisos dialog(parent);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.cargar(r);
    if (dialog.exec() == QDialog::Accepted && dialog.GuardarAviso(r)) EscribirAviso(file, numero, r);
    return true;
}
