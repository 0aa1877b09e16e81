#include "qv/alerts/AlertWindow.h"

#include "core/TextCatalogue.h"
#include "qv/alerts/MensajesMostrados.h"
#include "qv/alerts/Sonido.h"
#include "settings/Ajustes.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {
int g_abiertos = 0;
AlertHost* g_host = nullptr;
} // namespace

int AlertWindow::AvisosAbiertos() { return g_abiertos; }
void AlertWindow::resetAvisosAbiertos() { g_abiertos = 0; }
void AlertWindow::setHost(AlertHost* host) { g_host = host; }

AlertWindow::AlertWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    ++g_abiertos;
    m_timer = new QTimer(this);
    m_timer->setObjectName("TimerAviso");
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &AlertWindow::TimerAvisoTimer);
}

AlertWindow::~AlertWindow() = default;

void AlertWindow::buildCommon(QWidget* parent, const char* editName) {
    m_cerrar = new QPushButton(parent);
    m_cerrar->setObjectName("BotonCerrar");
    m_labelRepetir = new QLabel(parent);
    m_labelRepetir->setObjectName("LabelRepetir");
    m_labelRepetir->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_spinner = new QSpinBox(parent);
    m_spinner->setObjectName("UpDownRepetir");
    m_spinner->setRange(0, 59);
    m_spinner->setWrapping(true);
    m_spinner->setValue(0);
    m_spinner->setFocusPolicy(Qt::NoFocus);
    m_spinner->findChild<QLineEdit*>()->setObjectName(editName);
    m_spinner->findChild<QLineEdit*>()->setMaxLength(2);
    m_labelMin = new QLabel(QStringLiteral("min."), parent);
    m_labelMin->setObjectName("LabelMin");
    connect(m_cerrar, &QPushButton::clicked, this, &AlertWindow::BotonCerrarClick);
}

void AlertWindow::armFromSettings() {
    const int interval = Ajustes::closeMsgs() * msPorMinuto;
    m_timer->stop();
    m_timer->setInterval(interval);
    m_autoCloseArmed = interval > 0;
    if (m_autoCloseArmed) m_timer->start();
}

void AlertWindow::showEvent(QShowEvent* e) {
    m_labelRepetir->setText(LeerTexto(5001));
    m_cerrar->setText(LeerTexto(5002));
    armFromSettings();
    ReproducirSonidoAviso(m_soundFile);
    restoreGeometryFromSettings();
    QWidget::showEvent(e);
}

void AlertWindow::BotonCerrarClick() {
    const int n = m_spinner->value();
    if (n > 0) {
        m_timer->stop();
        m_timer->setInterval(n * msPorMinuto);
        m_timer->start();
        m_autoCloseArmed = false;
    }
    saveGeometryToSettings();
    m_closedByUser = true;
    close();
}

void AlertWindow::TimerAvisoTimer() {
    if (m_autoCloseArmed) {
        m_closedByUser = false;
        close(); // unattended
        return;
    }
    // The pause is over: back with the sound and the automatic close.
    m_timer->stop();
    m_spinner->setValue(0);
    show(); // the show handling arms the automatic close again
}

void AlertWindow::closeEvent(QCloseEvent* e) {
    if (!m_autoCloseArmed && m_spinner->value() != 0) {
        // A pause: only hidden, still counted among the open alerts.
        e->ignore();
        hide();
        return;
    }
    if (g_abiertos == 1 && g_host) g_host->minimizarAplicacion();
    if (g_abiertos > 0) --g_abiertos;
    if (!m_closedByUser) {
        RegistrarMensajeMostrado(windowTitle(), lineasTexto());
        if (g_host) {
            g_host->mostrarFlagAviso(true);
            g_host->restaurarAplicacion();
        }
    } else if (g_host) {
        g_host->mostrarFlagAviso(false);
    }
    m_timer->stop();
    e->accept(); // WA_DeleteOnClose destroys the window
}

void AlertWindow::assertTopMost(bool activate) {
    raise();
    if (activate) activateWindow();
}

void AlertWindow::changeEvent(QEvent* e) {
    // Losing focus must not let other windows cover the alert; it stays on top
    // without taking the focus back.
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()) assertTopMost(false);
    QWidget::changeEvent(e);
}
