// The due-check cycle: every 15 seconds the clock, and, with reminders on and
// a file holding reminders, one pass over the file.
#include "qv/TVPrincipal.h"

#include "core/Clock.h"
#include "qv/FileErrorTexts.h"
#include "qv/MessageBoxes.h"
#include "qv/ProgramServices.h"
#include "qv/logic/PasadaAvisos.h"
#include "qv/windows/TVPasados.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QFrame>
#include <QMap>
#include <QPainter>
#include <QTimer>

void TVPrincipal::setBotoneraBusy(bool busy) {
    // Painted over the panel (see pintarBotoneraOcupada), never through a new palette:
    // every new palette gives the buttons new keys in the style's pixmap cache, which
    // then grew by some kilobytes at every pass until the cache's 10 MB limit.
    m_botoneraOcupada = busy;
    m_botonera->repaint();
}

void TVPrincipal::pintarBotoneraOcupada() {
    QPainter painter(m_botonera);
    const QColor colour = m_botoneraOcupada ? QColor(255, 0, 0) : palette().color(QPalette::Button);
    painter.fillRect(m_botonera->rect(), colour);
}

void TVPrincipal::TimerPrincipalTimer() {
    pasadaCiclo();
    actualizarListaTodos(); // what the passes changed in any file
}

void TVPrincipal::pasadaCiclo() {
    actualizarReloj();
    actualizarPanelEmail();
    if (!Ajustes::messages()) return;
    const bool otros = pasadaOtrosArchivos();
    if (m_archivoAvisos.isEmpty() || m_numAvisos == 0) {
        if (otros && Ajustes::email()) revisionEmail();
        if (otros) avisarCorreo();
        return;
    }

    const QDateTime ahora = Clock::current().now();
    // Catch-up of minutes no pass saw follows the start-up setting.
    const QDateTime desde = Ajustes::dueMsgs() ? m_ultimaPasada : QDateTime();
    if (m_memoriaPasada.sinCambios(m_archivoAvisos, ahora, desde)) {
        // The file is as the last pass left it and nothing in it falls in these
        // minutes: the pass would show, write and list exactly what is there.
        m_ultimaPasada = ahora;
        ++m_pasadasSaltadas;
        if (Ajustes::email()) revisionEmail();
        avisarCorreo();
        return;
    }

    m_timerPrincipal->stop();
    setBotoneraBusy(true);
    const int formato = Ajustes::msgWindowFmt();
    QVector<RegistroAviso> perdidos;
    AccionesPasada acciones;
    acciones.mostrar = [this, formato](int indice, const RegistroAviso& r) {
        m_services.mostrarAviso(m_archivoAvisos, indice, formato, r);
    };
    acciones.crearEmail = [this](const RegistroAviso& r) {
        m_services.crearEmailSaliente(m_archivoAvisos, r);
    };
    acciones.pasado = [&perdidos](const RegistroAviso& r) { perdidos.append(r); };
    const EstadoLista antes = estadoLista();
    try {
        ResumenesAvisos leidos; // the list is refreshed from the pass's own reading
        const ResultadoPasada hecho =
            PasadaDebidos(m_archivoAvisos, ProgramFolders::global().dirTemp + "QVMsgs.IDX", ahora, desde,
                          Ajustes::workingDays(), acciones, &m_memoriaPasada, &leidos);
        m_numAvisos = ContarAvisos(m_archivoAvisos);
        CargarListaAvisos(&leidos);
        seguirEstadoLista(antes, /*reordenar=*/hecho.compactado);
    } catch (const ReminderFileError& e) {
        // The pass ends here; the cycle stays stopped and the panel red until
        // reminders are switched off and on again.
        mostrarPerdidos(perdidos, m_archivoAvisos);
        MessageBoxes::error(this, FileErrorTexts::error(e));
        return;
    }
    m_ultimaPasada = ahora;
    mostrarPerdidos(perdidos, m_archivoAvisos);
    habilitarComandos();
    setBotoneraBusy(false);
    if (Ajustes::email()) revisionEmail();
    avisarCorreo();
    m_timerPrincipal->start();
}

bool TVPrincipal::pasadaOtrosArchivos() {
    if (m_activos.cuenta() - int(m_activos.contiene(m_archivoAvisos)) <= 0) return false;
    const int formato = Ajustes::msgWindowFmt();
    QMap<QString, QVector<RegistroAviso>> perdidos;
    QStringList fallos;
    m_activos.pasadaOtros(
        m_archivoAvisos, Clock::current().now(), Ajustes::dueMsgs(), Ajustes::workingDays(),
        ProgramFolders::global().dirTemp,
        [&](const QString& ruta) {
            AccionesPasada acciones;
            acciones.mostrar = [this, formato, ruta](int indice, const RegistroAviso& r) {
                m_services.mostrarAviso(ruta, indice, formato, r);
            };
            acciones.crearEmail = [this, ruta](const RegistroAviso& r) {
                m_services.crearEmailSaliente(ruta, r);
            };
            acciones.pasado = [&perdidos, ruta](const RegistroAviso& r) { perdidos[ruta].append(r); };
            return acciones;
        },
        [&fallos](const QString&, const ReminderFileError& e) { fallos << FileErrorTexts::error(e); });
    for (auto it = perdidos.cbegin(); it != perdidos.cend(); ++it)
        mostrarPerdidos(it.value(), it.key());
    // Told once the pass is over, so that the cycle goes on while the box is open.
    for (const QString& fallo : std::as_const(fallos))
        QTimer::singleShot(0, this, [this, fallo] { MessageBoxes::error(this, fallo); });
    return true;
}

void TVPrincipal::mostrarPerdidos(const QVector<RegistroAviso>& perdidos, const QString& archivo) {
    if (perdidos.isEmpty()) return;
    auto* pasados = new TVPasados(this);
    pasados->setAttribute(Qt::WA_DeleteOnClose);
    const int formato = Ajustes::msgWindowFmt();
    for (const RegistroAviso& r : perdidos) {
        pasados->agregar(r.Descripcion, r.fechaProx(), r.horaProx(), r.Texto);
        pasados->agregarAlerta(m_services.mostrarAviso(archivo, r.Numero - 1, formato, r));
    }
    pasados->prepararMuestra();
    pasados->show(); // not modal: the cycle goes on while it is open
}
