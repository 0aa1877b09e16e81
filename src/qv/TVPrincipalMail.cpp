// The main window's side of e-mail: the mail-check countdown and its status
// text, starting the mail client, switching e-mail on and off, and picking up
// incoming mail.
#include "qv/TVPrincipal.h"

#include "core/TextCatalogue.h"
#include "mailfiles/MailCheck.h"
#include "qv/MessageBoxes.h"
#include "qv/ProgramServices.h"
#include "settings/Ajustes.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QToolButton>

void TVPrincipal::actualizarPanelEmail() {
    m_panel[2]->setText(mailfiles::TextoEstadoRevisionEmail(Ajustes::email(), Ajustes::checkEmailEvery(),
                                                            m_cuentaRevisionEmail));
}

void TVPrincipal::revisionEmail() {
    m_services.revisionEmail(m_cuentaRevisionEmail);
}

void TVPrincipal::avisarCorreo() {
    const QStringList sinEncolar = m_services.emailSinEncolar();
    m_panelCorreo->setText(
        sinEncolar.isEmpty() ? QString() : LeerTexto(20104).arg(sinEncolar.join(QStringLiteral(", "))));
    m_panelCorreo->setVisible(!sinEncolar.isEmpty());
    const QStringList noEnviado = m_services.emailNoEnviado();
    if (noEnviado != m_emailNoEnviado) {
        m_emailNoEnviado = noEnviado;
        setTrayState(Ajustes::messages());
    }
    const QString aviso = m_services.tomarAvisoCorreo();
    // After the current handler: the cycle is not held while the box is open.
    if (!aviso.isEmpty()) QTimer::singleShot(0, this, [this, aviso] { MessageBoxes::warning(this, aviso); });
}

void TVPrincipal::comandoDesactEmail(bool fromMenu) {
    m_mfDesactEmail->setChecked(!m_mfDesactEmail->isChecked());
    if (fromMenu) m_speedDesactEmail->setChecked(!m_mfDesactEmail->isChecked()); // a button inverts itself
    m_cuentaRevisionEmail = mailfiles::CuentaInicialRevisionEmail(Ajustes::checkEmailEvery());
    Ajustes::setEmail(!m_mfDesactEmail->isChecked());
    if (Ajustes::email())
        m_timerEmail->start();
    else
        m_timerEmail->stop();
    actualizarPanelEmail();
}

void TVPrincipal::comandoEmailManualmente() {
    if (m_services.clienteEmailEnMarcha()) return;
    m_services.arrancarClienteEmail(true, true, static_cast<quint8>(Ajustes::timeOut()));
    avisarCorreo();
}

void TVPrincipal::alCerrarEmailRecibido(bool porUsuario) {
    if (!m_timerEmail->isActive()) m_timerEmail->start();
    mostrarFlagMail(!porUsuario);
    if (porUsuario)
        minimizarAplicacion();
    else
        restaurarAplicacion();
}

void TVPrincipal::TimerEmailTimer() {
    if (m_services.clienteEmailEnMarcha()) return;
    m_services.revisarSesionEmail();
    avisarCorreo();
    if (!m_services.hayEmailRecibido()) return;
    m_timerEmail->stop();
    const QPointer<TVPrincipal> self(this);
    m_services.mostrarEmailRecibido(
        [self](bool porUsuario) {
            if (self) self->alCerrarEmailRecibido(porUsuario);
        },
        [self](const QList<mailfiles::AvisoRecibido>& avisos) {
            if (self) self->anadirAvisosRecibidos(avisos);
        });
    m_timerEmail->start();
}
