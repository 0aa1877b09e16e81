#include "qv/DesktopServices.h"

#include "alerts/AlertHost.h"
#include "alerts/AvisoNotificacion.h"
#include "alerts/AvisosPospuestos.h"
#include "alerts/Sonido.h"
#include "alerts/TVAviso.h"
#include "alerts/TVAvisoEx.h"
#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/MailCheck.h"
#include "mailfiles/OutgoingMail.h"
#include "mailfiles/ReceivedMailLog.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/MailClientLauncher.h"
#include "qv/TVPrincipal.h"
#include "qv/editor/EditorAvisos.h"
#include "qv/logic/PasadaAvisos.h"
#include "qv/prefs/TVPreferencias.h"
#include "qv/windows/TVAvisoEmail.h"
#include "qv/windows/TVPasados.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>

#include <memory>

void DesktopServices::resetOpenAlerts() {
    ReiniciarAvisosAbiertos();
}

AlertWindowBase* DesktopServices::mostrarAviso(const QString& archivo, int indice, int formato,
                                               const RegistroAviso& r) {
    if (formato == 4) {
        QString why;
        // A notification has no window of ours to hand back.
        if (MostrarAvisoNotificacion(static_cast<quint16>(indice), r.Descripcion, r.Texto, r.Sonido, &why,
                                     archivo))
            return nullptr;
        // No notification service with actions: the classic window, said once per run.
        if (!m_notificacionesContadas) m_avisosCorreo << LeerTexto(20710).arg(why);
        m_notificacionesContadas = true;
        formato = 1;
    }
    if (formato == 1)
        return MostrarAviso(static_cast<quint16>(indice), r.Descripcion, r.Texto, r.Sonido, archivo);
    return MostrarAvisoEx(static_cast<quint16>(indice), static_cast<quint8>(formato), r.Descripcion, r.Texto,
                          r.Sonido, archivo);
}

void DesktopServices::reanudarAvisosPospuestos(const QString& file) {
    ReanudarAvisosPospuestos(file, Ajustes::msgWindowFmt());
}

void DesktopServices::borrarEmailSaliente() {
    // The user's choice, but never silent: whose mail went is told once.
    QStringList avisos;
    for (const QString& ruta : mailfiles::BorrarEmailSaliente(ProgramFolders::global().dirMail))
        avisos << mailfiles::AvisoDeEmailSaliente(ruta);
    if (!avisos.isEmpty()) m_avisosCorreo << LeerTexto(20115).arg(avisos.join(u'\n'));
}

void DesktopServices::crearEmailSaliente(const QString& archivo, const RegistroAviso& r) {
    // The queue file names the active profile's sender and the recipients'
    // addresses from the address book, read anew for every file.
    const auto& folders = ProgramFolders::global();
    const RegistroPerfiles perfiles = LeerPerfilesParaUso(RutaArchivoPerfiles(folders.dirPrograma));
    mailfiles::EmailSaliente e;
    e.descripcion = r.Descripcion;
    e.numero = r.Numero;
    e.texto = r.Texto;
    e.archivoAvisos = archivo;
    if (const auto activo = perfiles.perfilActivo()) {
        e.remitenteNombre = activo->nombreUsuario;
        e.remitenteDireccion = activo->emailUsuario;
    }
    for (uint8_t k : r.Destinatarios)
        if (k != 0) e.destinatarios << perfiles.direccion(k);
    e.momento = Clock::current().now();
    // Never dropped unseen: a file that cannot be written is kept and written at
    // a later pass; the user is told once per reminder.
    const bool yaContado = m_cola.avisos().contains(e.descripcion);
    QString error;
    if (!m_cola.crear(folders.dirMail, e, &error) && !yaContado)
        m_avisosCorreo << LeerTexto(20103).arg(e.descripcion, error);
}

void DesktopServices::revisionEmail(int& cuenta) {
    mailfiles::EstadoRevisionEmail e;
    e.email = Ajustes::email();
    e.checkEmailEvery = Ajustes::checkEmailEvery();
    e.sendOnCheck = Ajustes::sendOnCheck();
    e.timeOut = Ajustes::timeOut();
    const QString dirMail = ProgramFolders::global().dirMail;
    m_cola.reintentar(dirMail);
    revisarSesionEmail();
    // Files the last session could not send do not start the client at every
    // tick: they go with the next periodic check (or a manual run).
    e.hayEmailSaliente = m_resultado.hayEmailNuevo(dirMail);
    e.clienteEnMarcha = MailClientLauncher::enMarcha();
    e.cuentaRevisionEmail = cuenta;
    mailfiles::DecisionRevisionEmail d = mailfiles::RevisarEmail(e);
    cuenta = d.cuentaRevisionEmail;
    if (!d.arrancar) return;
    if (!d.enviar && mailfiles::HayEmailSaliente(dirMail)) d.enviar = true; // a periodic check sends them
    m_resultado.soltar();
    MailClientLauncher::ArrancarClienteEmail(d.enviar, d.recibir, d.minutos);
}

void DesktopServices::revisarSesionEmail() {
    if (MailClientLauncher::enMarcha()) return; // its status is read once it has ended
    const auto& folders = ProgramFolders::global();
    if (const auto fallida = m_resultado.recoger(folders.dirTemp, folders.dirMail))
        m_avisosCorreo << TextoSesionEmailFallida(
            *fallida, Ajustes::email() && Ajustes::checkEmailEvery() > 0, Ajustes::rutasActivas());
}

QString DesktopServices::tomarAvisoCorreo() {
    const QString texto = m_avisosCorreo.join(QStringLiteral("\n\n"));
    m_avisosCorreo.clear();
    return texto;
}

QStringList DesktopServices::emailSinEncolar() {
    if (!m_cola.vacia()) m_cola.reintentar(ProgramFolders::global().dirMail);
    return m_cola.avisos();
}

QStringList DesktopServices::emailNoEnviado() {
    return m_resultado.avisosRetenidos(ProgramFolders::global().dirMail);
}

bool DesktopServices::clienteEmailEnMarcha() {
    return MailClientLauncher::enMarcha();
}
bool DesktopServices::arrancarClienteEmail(bool enviar, bool recibir, quint8 minutos) {
    // By hand: the files held after a failed session go too.
    revisarSesionEmail();
    if (!MailClientLauncher::enMarcha()) m_resultado.soltar();
    return MailClientLauncher::ArrancarClienteEmail(enviar, recibir, minutos);
}
bool DesktopServices::hayEmailRecibido() {
    return mailfiles::HayEmailRecibido(ProgramFolders::global().dirMail);
}

void DesktopServices::mostrarEmailRecibido(
    std::function<void(bool porUsuario)> alCerrar,
    std::function<void(const QList<mailfiles::AvisoRecibido>&)> anadir) {
    const QString dirMail = ProgramFolders::global().dirMail;
    auto* window = new TVAvisoEmail(nullptr);
    QList<mailfiles::AvisoRecibido> avisos;
    int added = 0;
    for (const QString& path : mailfiles::ListarEmailRecibido(dirMail)) {
        QStringList fileLines;
        const auto shown = mailfiles::LeerEmailRecibido(path, &fileLines);
        if (!shown) {
            // An unreadable or empty file is set aside under another name, kept
            // for the user, so it neither blocks the others nor comes back every tick.
            QFile::rename(path, path + QStringLiteral(".BAD"));
            continue;
        }
        for (const QString& line : *shown)
            window->memo()->appendPlainText(line);
        if (auto aviso = mailfiles::AvisoDeEmailRecibido(fileLines)) avisos << *aviso;
        if (Ajustes::saveReceived()) mailfiles::RegistrarEmailRecibido(dirMail, fileLines);
        QFile::remove(path);
        ++added;
    }
    if (added == 0) {
        delete window;
        return;
    }
    QObject::connect(window, &TVAvisoEmail::cerrada, window, std::move(alCerrar));
    window->ofrecerAvisos(avisos, std::move(anadir));
    window->show();
}

std::optional<ResumenesAvisos> DesktopServices::revisarAvisosPasados(const QString& file,
                                                                     QVector<RegistroAviso>* perdidos) {
    AccionesPasada acciones;
    acciones.pasado = [perdidos](const RegistroAviso& r) {
        if (perdidos) perdidos->append(r);
    };
    acciones.crearEmail = [this, file](const RegistroAviso& r) { crearEmailSaliente(file, r); };
    ResumenesAvisos leidos;
    try {
        PasadaPasados(file, ProgramFolders::global().dirTemp + "QVMsgs.IDX", Clock::current().now(),
                      Ajustes::workingDays(), acciones, &leidos);
    } catch (const ReminderFileError&) {
        return std::nullopt; // the open step that follows reports the file's problem
    }
    return leidos;
}

int DesktopServices::crearAviso(QWidget* parent, const QString& file, const QString& indexPath) {
    return AnadirAvisoConEditor(parent, file, indexPath);
}
int DesktopServices::editarAviso(QWidget* parent, const QString& file, const QString& indexPath, int numero,
                                 RegistroAviso* antes) {
    return EditarAviso(parent, file, indexPath, numero, antes);
}
bool DesktopServices::preferencias(QWidget* parent) {
    return EjecutarPreferencias(parent);
}
