#include "qv/ProgramHooks.h"

#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/MailCheck.h"
#include "mailfiles/OutgoingMail.h"
#include "mailfiles/ReceivedMailLog.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/MailClientLauncher.h"
#include "qv/windows/TVAvisoEmail.h"
#include "qv/TVPrincipal.h"
#include "alerts/AlertHost.h"
#include "alerts/Sonido.h"
#include "alerts/TVAviso.h"
#include "alerts/TVAvisoEx.h"
#include "qv/editor/EditorAvisos.h"
#include "qv/prefs/TVPreferencias.h"
#include "qv/logic/PasadaAvisos.h"
#include "qv/windows/TVPasados.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>

#include <functional>

namespace ProgramHooks {

namespace {
std::function<void(int, int, const RegistroAviso&)> g_alertRecorder;
}

void setAlertRecorderForTests(std::function<void(int, int, const RegistroAviso&)> recorder) {
    g_alertRecorder = std::move(recorder);
}

void resetOpenAlerts() { ReiniciarAvisosAbiertos(); }
void resetShownLogGuard() {} // the log releases its guard on every way out

void mostrarAviso(int indice, int formato, const RegistroAviso& r) {
    if (g_alertRecorder) {
        g_alertRecorder(indice, formato, r);
        return;
    }
    if (formato == 1) MostrarAviso(static_cast<quint16>(indice), r.Descripcion, r.Texto, r.Sonido);
    else MostrarAvisoEx(static_cast<quint16>(indice), static_cast<quint8>(formato), r.Descripcion, r.Texto, r.Sonido);
}

void sonidoIncorporado() { ReproducirSonidoAviso(QString()); } // the built-in sound of the style set now
void probarSonido(const QString& archivo) { ReproducirSonidoAviso(archivo); }

void borrarEmailSaliente() { mailfiles::BorrarEmailSaliente(ProgramFolders::global().dirMail); }

void crearEmailSaliente(const RegistroAviso& r) {
    // The queue file names the active profile's sender and the recipients'
    // addresses from the address book, read anew for every file.
    const auto& folders = ProgramFolders::global();
    const RegistroPerfiles perfiles = LeerPerfilesParaUso(RutaArchivoPerfiles(folders.dirPrograma));
    mailfiles::EmailSaliente e;
    e.descripcion = r.Descripcion;
    e.numero = r.Numero;
    e.texto = r.Texto;
    if (const auto activo = perfiles.perfilActivo()) {
        e.remitenteNombre = activo->nombreUsuario;
        e.remitenteDireccion = activo->emailUsuario;
    }
    for (uint8_t k : r.Destinatarios)
        if (k != 0) e.destinatarios << perfiles.direccion(k);
    e.momento = Clock::current().now();
    mailfiles::CrearEmailSaliente(folders.dirMail, e);
}

QString textoRevisionEmail(bool email, int checkEmailEvery, int cuenta) {
    return mailfiles::TextoEstadoRevisionEmail(email, checkEmailEvery, cuenta);
}

void revisionEmail(int& cuenta) {
    mailfiles::EstadoRevisionEmail e;
    e.email = Ajustes::email();
    e.checkEmailEvery = Ajustes::checkEmailEvery();
    e.sendOnCheck = Ajustes::sendOnCheck();
    e.timeOut = Ajustes::timeOut();
    e.hayEmailSaliente = mailfiles::HayEmailSaliente(ProgramFolders::global().dirMail);
    e.clienteEnMarcha = MailClientLauncher::enMarcha();
    e.cuentaRevisionEmail = cuenta;
    const mailfiles::DecisionRevisionEmail d = mailfiles::RevisarEmail(e);
    cuenta = d.cuentaRevisionEmail;
    if (d.arrancar) MailClientLauncher::ArrancarClienteEmail(d.enviar, d.recibir, d.minutos);
}

bool clienteEmailEnMarcha() { return MailClientLauncher::enMarcha(); }
bool arrancarClienteEmail(bool enviar, bool recibir, quint8 minutos) {
    return MailClientLauncher::ArrancarClienteEmail(enviar, recibir, minutos);
}
bool hayEmailRecibido() { return mailfiles::HayEmailRecibido(ProgramFolders::global().dirMail); }

void mostrarEmailRecibido(TVPrincipal* principal) {
    const QString dirMail = ProgramFolders::global().dirMail;
    auto* window = new TVAvisoEmail(nullptr);
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
        for (const QString& line : *shown) window->memo()->appendPlainText(line);
        if (Ajustes::saveReceived()) mailfiles::RegistrarEmailRecibido(dirMail, fileLines);
        QFile::remove(path);
        ++added;
    }
    if (added == 0) {
        delete window;
        return;
    }
    QObject::connect(window, &TVAvisoEmail::cerrada, principal, [principal](bool porUsuario) {
        if (!principal->timerEmail()->isActive()) principal->timerEmail()->start();
        principal->mostrarFlagMail(!porUsuario);
        if (porUsuario) principal->minimizarAplicacion();
        else principal->restaurarAplicacion();
    });
    window->show();
}

void revisarAvisosPasados(QWidget* owner, const QString& file) {
    TVPasados window(owner);
    AccionesPasada acciones;
    acciones.pasado = [&window](const RegistroAviso& r) {
        window.agregar(r.Descripcion, r.fechaProx(), r.horaProx(), r.Texto);
    };
    acciones.crearEmail = [](const RegistroAviso& r) { crearEmailSaliente(r); };
    try {
        PasadaPasados(file, ProgramFolders::global().dirTemp + "QVMsgs.IDX", Clock::current().now(),
                      Ajustes::workingDays(), acciones);
    } catch (const ReminderFileError&) {
        return; // the open step that follows reports the file's problem
    }
    if (window.cantidad() == 0) return;
    window.prepararMuestra();
    window.exec();
}

int crearAviso(QWidget* parent, const QString& file, const QString& indexPath) {
    return AnadirAvisoConEditor(parent, file, indexPath);
}
bool editarAviso(QWidget* parent, const QString& file, int numero) { return EditarAviso(parent, file, numero); }
bool preferencias(QWidget* parent) { return EjecutarPreferencias(parent); }

} // namespace ProgramHooks
