#include "qv/ProgramHooks.h"

#include "core/Clock.h"
#include "qv/MailClientLauncher.h"
#include "qv/TVPrincipal.h"
#include "qv/alerts/MensajesMostrados.h"
#include "qv/alerts/Sonido.h"
#include "qv/alerts/TVAviso.h"
#include "qv/alerts/TVAvisoEx.h"
#include "qv/editor/EditorAvisos.h"
#include "qv/logic/PasadaAvisos.h"
#include "qv/windows/TVPasados.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <functional>

namespace ProgramHooks {

namespace {
std::function<void(int, int, const RegistroAviso&)> g_alertRecorder;
}

void setAlertRecorderForTests(std::function<void(int, int, const RegistroAviso&)> recorder) {
    g_alertRecorder = std::move(recorder);
}

void resetOpenAlerts() { AlertWindow::resetAvisosAbiertos(); }
void resetShownLogGuard() { ResetLogGuard(); }

void mostrarAviso(int indice, int formato, const RegistroAviso& r) {
    if (g_alertRecorder) {
        g_alertRecorder(indice, formato, r);
        return;
    }
    if (formato == 1) MostrarAviso(indice, r.Descripcion, r.Texto, r.Sonido);
    else MostrarAvisoEx(indice, formato, r.Descripcion, r.Texto, r.Sonido);
}

void sonidoIncorporado() { ReproducirSonidoIncorporado(); }
void probarSonido(const QString& archivo) { ReproducirSonidoAviso(archivo); }

void borrarEmailSaliente() {}
void crearEmailSaliente(const RegistroAviso&) {}

QString textoRevisionEmail(bool, int, int) { return {}; }
void revisionEmail(int&) {}

bool clienteEmailEnMarcha() { return MailClientLauncher::enMarcha(); }
bool arrancarClienteEmail(bool enviar, bool recibir, quint8 minutos) {
    return MailClientLauncher::ArrancarClienteEmail(enviar, recibir, minutos);
}
bool hayEmailRecibido() { return false; }
void mostrarEmailRecibido(TVPrincipal*) {}

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
bool preferencias(QWidget*) { return true; }

} // namespace ProgramHooks
