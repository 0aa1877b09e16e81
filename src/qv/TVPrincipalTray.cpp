// The main window's notification-area icon.
#include "qv/TVPrincipal.h"

#include "core/TextCatalogue.h"
#include "qv/Icons.h"
#include "qv/ProgramServices.h"
#include "tray/TSystemTrayIcon.h"

#include <QApplication>
#include <QMenu>
#include <QTableView>
#include <QTimer>

#include <utility>

void TVPrincipal::createTray() {
    m_tray = new TSystemTrayIcon(this, m_services.bandeja());
    m_tray->setObjectName("PrincipalTray");
    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName("PopMenuTray");
    m_trayMenu->addAction(m_maMostrar);
    m_trayMenu->setDefaultAction(m_maMostrar);
    m_trayMenu->addAction(m_maPreferencias);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_myAcercade);
    m_trayMenu->addAction(m_mfDesactAvisos);
    m_trayMenu->addAction(m_mfEmailManual);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_maSalir);
    m_tray->setPopupMenu(m_trayMenu);
    m_tray->setRestoreOnClick(true);
    m_tray->setShowHint(true);
    m_tray->setIcon(Icons::byName("ICN_ACTIVADO"));
    m_tray->setHint(LeerTexto(1501));
    m_tray->setVisible(true);
}

void TVPrincipal::destroyTray() {
    if (m_tray) m_tray->setVisible(false);
}

void TVPrincipal::setTrayState(bool on) {
    if (!m_tray) return;
    m_tray->setIcon(Icons::byName(on ? "ICN_ACTIVADO" : "ICN_DESACTIVADO"));
    QString hint = LeerTexto(on ? 1501 : 1502);
    if (!m_emailNoEnviado.isEmpty())
        hint += u'\n' + LeerTexto(20113).arg(m_emailNoEnviado.join(QStringLiteral(", ")));
    m_tray->setHint(hint);
}

bool TVPrincipal::trayAvailable() const {
    return m_tray && m_tray->isTrayAvailable();
}

void TVPrincipal::restaurar() {
    construirVista();
    showNormal();
    raise();
    activateWindow();
    listaActiva()->setFocus(Qt::ActiveWindowFocusReason); // Insert, arrows and Enter work at once
}

void TVPrincipal::atenderSegundoArranque(const QString& file) {
    if (!file.isEmpty()) {
        if (QApplication::activeModalWidget())
            QApplication::activeModalWidget()->raise();
        else
            AbrirArchivoAvisos(file);
    }
    restaurar();
}

void TVPrincipal::minimizarAplicacion() {
    pedirVentana(Peticion::Minimizar);
}
void TVPrincipal::restaurarAplicacion() {
    pedirVentana(Peticion::Restaurar);
}

void TVPrincipal::pedirVentana(Peticion p) {
    const bool pendiente = m_peticionVentana != Peticion::Ninguna;
    m_peticionVentana = p;
    if (pendiente) return;
    QTimer::singleShot(0, this, [this] {
        const Peticion p = std::exchange(m_peticionVentana, Peticion::Ninguna);
        if (p == Peticion::Restaurar) {
            restaurar();
        } else if (p == Peticion::Minimizar) {
            // Back to the tray when there is one, else to the task bar; either
            // way the tray icon's click or a second start brings it back.
            // Never under an open dialog of its own: the dialog would lose its window.
            if (QApplication::activeModalWidget()) return;
            if (trayAvailable())
                hide();
            else
                showMinimized();
        }
    });
}
