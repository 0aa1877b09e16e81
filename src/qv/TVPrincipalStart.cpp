// The main window's start and exit sequences, its clock and indicators, and the
// switches for reminders and e-mail.
#include "qv/TVPrincipal.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "mailfiles/MailCheck.h"
#include "qv/Icons.h"
#include "qv/LogReview.h"
#include "qv/MessageBoxes.h"
#include "qv/ProgramServices.h"
#include "qv/TVAcercade.h"
#include "qv/prefs/TVPreferencias.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "tray/TSystemTrayIcon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

void TVPrincipal::secuenciaInicio() {
    AsignarTextos();
    if (m_lista) {
        disposicionInicial();
    } else if (const QScreen* s = QGuiApplication::primaryScreen()) {
        // Measuring the columns loads the fonts: that waits for the view. The
        // window's corner meanwhile, for the alerts' default positions:
        move(s->availableGeometry().center() - rect().center());
    }

    auto& folders = ProgramFolders::global();
    folders = ProgramFolders::from(ObtenerDirPrograma());
    folders.createWorkFolders();
    setWindowTitle(QStringLiteral("Norvo Orbalinder 2.0"));

    actualizarReloj();
    // The first start makes the start-at-login entry: the user is told once.
    const bool arranqueAntes = Ajustes::ExisteArranqueWindows();
    Ajustes::CrearAjustesPorDefecto(pos());
    const bool arranqueNuevo = !arranqueAntes && Ajustes::ExisteArranqueWindows();

    if (Ajustes::messages()) m_timerPrincipal->start();
    if (Ajustes::email()) m_timerEmail->start();
    m_cuentaRevisionEmail = mailfiles::CuentaInicialRevisionEmail(Ajustes::checkEmailEvery());
    actualizarPanelEmail();

    mostrarFlagAviso(false);
    mostrarFlagMail(false);

    m_archivoAvisos.clear();
    m_numAvisos = 0;
    habilitarComandos();
    QFile::remove(folders.dirTemp + "QVMsgs.IDX");

    NameLists::global() = NameLists::build();
    m_sortDirection = SortDirection::None;
    m_services.resetOpenAlerts();
    AlertHost::install(this);
    // The preferences restart the mail countdown when they are accepted.
    TVPreferencias::setCuentaRevisionEmail([this](int ticks) {
        m_cuentaRevisionEmail = ticks;
        actualizarPanelEmail();
    });
    QFile::remove(folders.dirTemp + "QVLnch.IDX");

    createTray();
    if (arranqueNuevo) {
        if (trayAvailable())
            m_tray->showMessage(QStringLiteral("Norvo Orbalinder 2.0"), LeerTexto(20807));
        else
            MessageBoxes::notice(this, LeerTexto(20807));
    }
    if (Ajustes::splash()) {
        // Not modal: nothing of the start waits for it.
        auto* splash = new TVAcercade(TVAcercade::Modo::Splash, this);
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->setModal(false);
        splash->show();
    }

    reflejarAvisos(Ajustes::messages());
    reflejarEmail(Ajustes::email());

    if (Ajustes::eraseUnsent()) {
        m_services.borrarEmailSaliente();
        avisarCorreo();
    }

    m_ultimaPasada = Clock::current().now();
    m_activos.cargar({});
    const QString last = m_fileArgument.isEmpty() ? Ajustes::openFile() : m_fileArgument;
    if (!last.isEmpty()) {
        // The file is open, and the cycle runs on it, before anything missed is
        // shown: reminders that fall due while the user reads alert as usual.
        std::optional<ResumenesAvisos> leidos;
        QVector<RegistroAviso> perdidos;
        if (Ajustes::dueMsgs()) leidos = m_services.revisarAvisosPasados(last, &perdidos);
        AbrirArchivoAvisos(last, leidos ? &*leidos : nullptr);
        m_services.reanudarAvisosPospuestos(last);
        mostrarPerdidos(perdidos, last);
    }
    reanudarOtrosArchivos();
}

void TVPrincipal::reanudarOtrosArchivos() {
    QStringList perdidos;
    for (const QString& ruta : m_activos.rutas()) {
        if (ruta == m_archivoAvisos) continue;
        if (!QFileInfo::exists(ruta)) {
            m_activos.quitar(ruta);
            perdidos << QDir::toNativeSeparators(ruta);
            continue;
        }
        QVector<RegistroAviso> avisos;
        if (Ajustes::dueMsgs()) m_services.revisarAvisosPasados(ruta, &avisos);
        m_services.reanudarAvisosPospuestos(ruta);
        if (ArchivosActivos::Archivo* a = m_activos.buscar(ruta)) a->ultimaPasada = m_ultimaPasada;
        mostrarPerdidos(avisos, ruta);
    }
    m_activos.guardar();
    // The shown file went away but others fire: the list shows the first of them.
    if (m_archivoAvisos.isEmpty() && m_activos.cuenta() > 0) AbrirArchivoAvisos(m_activos.rutas().first());
    if (!m_archivoAvisos.isEmpty()) setCaptionFor(m_archivoAvisos);
    if (!perdidos.isEmpty())
        QTimer::singleShot(0, this, [this, perdidos] {
            MessageBoxes::warning(this, LeerTexto(20818).arg(perdidos.join(u'\n')));
        });
}

void TVPrincipal::comandoSalir() {
    m_saliendo = true;
    close();
    m_saliendo = false; // still here: something refused the close
}

void TVPrincipal::closeEvent(QCloseEvent* event) {
    // The close box does not stop the reminders silently: with a notification
    // area the program goes on there (said once), without one the user is asked.
    guardarDisposicion();
    if (!m_saliendo) {
        if (trayAvailable()) {
            event->ignore();
            hide();
            if (!Ajustes::trayNoticeShown()) {
                m_tray->showMessage(LeerTexto(20202), LeerTexto(20203));
                Ajustes::setTrayNoticeShown(true);
            }
            return;
        }
        if (!MessageBoxes::confirmText(this, 20204)) {
            event->ignore();
            return;
        }
    }
    // Mail still kept in memory is lost with the program: the user is told whose.
    const QStringList sinEncolar = m_services.emailSinEncolar();
    if (!sinEncolar.isEmpty()) MessageBoxes::warning(this, LeerTexto(20105).arg(sinEncolar.join(u'\n')));
    const auto& folders = ProgramFolders::global();
    QFile::remove(folders.dirTemp + "QVMsgs.IDX");
    QFile::remove(folders.dirTemp + "QVLnch.IDX");
    m_timerPrincipal->stop();
    m_timerEmail->stop();
    destroyTray();
    AlertHost::install(nullptr);
    TVPreferencias::setCuentaRevisionEmail({});
    event->accept();
    emit exitSequenceDone();
    QApplication::quit();
}

void TVPrincipal::actualizarReloj() {
    const QDateTime now = Clock::current().now();
    m_panel[0]->setText(DisplayFormats::weekdayDate(now.date()));
    m_panel[1]->setText(DisplayFormats::listTime(now.time()));
}

void TVPrincipal::mostrarFlagAviso(bool visible) {
    m_flagAviso->setVisible(visible);
}

void TVPrincipal::registroMensajes(bool escrito) {
    // Told once until a later entry is written again.
    if (!escrito && !m_registroFallido)
        QTimer::singleShot(0, this, [this] {
            MessageBoxes::warning(this,
                                  LeerTexto(20114).arg(QDir::toNativeSeparators(
                                      ProgramFolders::global().dirMail + QStringLiteral("QV_MSGS.TXT"))));
        });
    m_registroFallido = !escrito;
}
void TVPrincipal::mostrarFlagMail(bool visible) {
    m_flagMail->setVisible(visible);
}

bool TVPrincipal::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_botonera && event->type() == QEvent::Paint) pintarBotoneraOcupada();
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m_flagAviso) {
            comandoRevisarLog(int(LogKind::MensajesMostrados));
            return true;
        }
        if (watched == m_flagMail) {
            comandoRevisarLog(int(LogKind::EmailRecibido));
            return true;
        }
    }
    if ((watched == m_lista || watched == m_listaTodos) && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Insert:
            comandoCrearAviso();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            comandoEditarAviso();
            return true;
        case Qt::Key_Delete:
            comandoEliminarAviso();
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TVPrincipal::reflejarAvisos(bool on) {
    m_mfDesactAvisos->setChecked(!on);
    m_speedDesactAvisos->setChecked(on);
    setTrayState(on);
}

void TVPrincipal::reflejarEmail(bool on) {
    m_mfDesactEmail->setChecked(!on);
    m_speedDesactEmail->setChecked(on);
}

void TVPrincipal::comandoDesactAvisos(bool fromMenu) {
    m_mfDesactAvisos->setChecked(!m_mfDesactAvisos->isChecked());
    if (fromMenu)
        m_speedDesactAvisos->setChecked(!m_speedDesactAvisos->isChecked()); // a button inverts itself
    const bool on = !m_mfDesactAvisos->isChecked();
    Ajustes::setMessages(on);
    if (on) {
        // Minutes passed while reminders were off are not caught up.
        m_ultimaPasada = Clock::current().now();
        for (const QString& ruta : m_activos.rutas())
            m_activos.buscar(ruta)->ultimaPasada = m_ultimaPasada;
        m_timerPrincipal->start();
    } else {
        m_timerPrincipal->stop();
    }
    setTrayState(on);
}

void TVPrincipal::comandoRevisarLog(int kind) {
    const auto k = static_cast<LogKind>(kind);
    LogReview::ensureExists(k);
    if (k == LogKind::MensajesMostrados) mostrarFlagAviso(false);
    if (k == LogKind::EmailRecibido) mostrarFlagMail(false);
    LogReview::openWithDesktop(LogReview::path(k));
}

void TVPrincipal::comandoAcercaDe() {
    TVAcercade about(TVAcercade::Modo::AcercaDe, this);
    about.setWindowModality(Qt::WindowModal);
    if (about.exec() < 0) MessageBoxes::errorText(this, 9003);
}
