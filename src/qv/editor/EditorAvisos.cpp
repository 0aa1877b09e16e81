#include "qv/editor/EditorAvisos.h"

#include "core/Clock.h"
#include "qv/MessageBoxes.h"
#include "qv/editor/TVEdicionAvisos.h"
#include "store/FollowReminders.h"
#include "store/ReminderFile.h"

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

int EditarAviso(QWidget* parent, const QString& file, const QString& indexPath, int numero,
                RegistroAviso* antes) {
    const ResumenesAvisos alAbrir = LeerResumenes(file);
    RegistroAviso r = LeerAviso(file, numero);
    TVEdicionAvisos dialog(parent);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.cargar(r);
    if (dialog.exec() != QDialog::Accepted || !dialog.GuardarAviso(r)) return 0;
    const quint16 ahora = SeguirNumero(alAbrir, LeerResumenes(file), static_cast<quint16>(numero));
    if (ahora == 0) {
        // Gone while the dialog was open: the user's values are kept as a new reminder.
        if (antes) *antes = RegistroAviso();
        return AnadirAviso(file, indexPath, r);
    }
    if (antes) *antes = LeerAviso(file, ahora);
    r.Numero = ahora;
    EscribirAviso(file, ahora, r);
    return ahora;
}
