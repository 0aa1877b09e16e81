// The main window's reminders file commands and list.
#include "qv/TVPrincipal.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "platform/FileIdentity.h"
#include "qv/AllFilesListModel.h"
#include "qv/FileErrorTexts.h"
#include "qv/MessageBoxes.h"
#include "qv/ProgramServices.h"
#include "qv/ReminderListModel.h"
#include "qv/RowTexts.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/FollowReminders.h"
#include "store/ReminderFile.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace {
QString indexPath() {
    return ProgramFolders::global().dirTemp + "QVMsgs.IDX";
}
} // namespace

void TVPrincipal::setCaptionFor(const QString& path) {
    if (path.isEmpty()) {
        setWindowTitle(QStringLiteral("Norvo Orbalinder 2.0"));
        return;
    }
    const int activos = m_activos.cuenta();
    if (m_vistaTodos) {
        setWindowTitle(QStringLiteral("Norvo Orbalinder 2.0 - ") + LeerTexto(20821).arg(activos));
        return;
    }
    const QString title = QStringLiteral("Norvo Orbalinder 2.0 - ") + QFileInfo(path).fileName();
    setWindowTitle(activos > 1 ? LeerTexto(20817).arg(title).arg(activos) : title);
}

void TVPrincipal::habilitarComandos() {
    const bool file = !m_archivoAvisos.isEmpty();
    const bool some = m_vistaTodos ? m_todos->rowCount() > 0 : file && m_numAvisos > 0;
    for (QAction* a : {m_mppEditar, m_mppEliminar, m_mppActDesact})
        a->setEnabled(some);
    for (QToolButton* b : {m_speedEditar, m_speedEliminar})
        b->setEnabled(some);
    m_mppCrear->setEnabled(file);
    m_maCerrar->setEnabled(file);
    m_maVerTodos->setEnabled(file || m_vistaTodos);
    m_speedCrear->setEnabled(file);
}

int TVPrincipal::filaEnfocada() const {
    const QModelIndex current = m_seleccion->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TVPrincipal::enfocarFila(int row) {
    if (row < 0 || row >= m_model->rowCount()) return;
    m_seleccion->setCurrentIndex(m_model->index(row, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TVPrincipal::CargarListaAvisos(ResumenesAvisos* leidos) {
    if (m_archivoAvisos.isEmpty()) {
        m_model->setRows({}, {});
    } else {
        const QVector<quint16> order = LeerIndice(indexPath());
        m_model->setRows(leidos ? std::move(*leidos) : LeerResumenes(m_archivoAvisos), order);
    }
    selloPropio(); // the file as we last saw it: our own writes are not news
    actualizarListaTodos();
}

void TVPrincipal::AbrirArchivoAvisos(const QString& path, ResumenesAvisos* leidos) {
    if (!QFileInfo::exists(path)) {
        Ajustes::setOpenFile(QString());
        MessageBoxes::errorText(this, 9001);
        return;
    }
    // A damaged file is used for its whole reminders; the user is told what is
    // wrong once it is open, so that the cycle runs on it while the box is open.
    const QString problem = FileErrorTexts::warning(path, DiagnosticarArchivo(path));
    mostrarOtroArchivo(path);
    m_archivoAvisos = path;
    setCaptionFor(path);
    Ajustes::setOpenFile(path);
    try {
        m_numAvisos = ContarAvisos(path);
        CrearIndice(indexPath(), m_numAvisos);
        // One reading of the file serves the catch-up pass, the list and the
        // next due-check pass, unless the file changed after it.
        const bool vigente = leidos && leidos->identidad && leidos->identidad == FileIdentity::of(path);
        CargarListaAvisos(vigente ? leidos : nullptr);
        if (m_model->rowCount() == m_numAvisos)
            m_memoriaPasada.desdeResumenes(path, m_model->resumenes());
        else
            m_memoriaPasada.olvidar();
    } catch (const ReminderFileError& e) {
        MessageBoxes::error(this, FileErrorTexts::error(e));
    }
    vigilarArchivo();
    habilitarComandos();
    if (m_numAvisos > 0) enfocarFila(0);
    if (!problem.isEmpty()) MessageBoxes::warning(this, problem);
}

void TVPrincipal::mostrarOtroArchivo(const QString& siguiente) {
    ArchivosActivos::Archivo* antes = m_activos.buscar(m_archivoAvisos);
    if (antes && antes != m_activos.buscar(siguiente)) {
        antes->memoria = std::move(m_memoriaPasada);
        m_memoriaPasada = MemoriaPasada();
        antes->ultimaPasada = m_ultimaPasada;
    }
    m_activos.anadir(siguiente, m_ultimaPasada);
    m_activos.guardar();
}

void TVPrincipal::comandoNuevoArchivo(const QString& chosenPath) {
    QString path = chosenPath;
    if (path.isEmpty()) {
        QFileDialog dialog(this, LeerTexto(1902), ProgramFolders::global().dirPrograma, LeerTexto(1903));
        dialog.setObjectName("DialogoAbrir");
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix("QVM");
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        path = dialog.selectedFiles().first();
    }
    // A file that cannot be created changes nothing: the open file stays open.
    try {
        CrearArchivoAvisos(path);
        CrearIndice(indexPath(), 0);
    } catch (const ReminderFileError& e) {
        MessageBoxes::error(this, FileErrorTexts::error(e));
        return;
    }
    m_model->setRows({}, {});
    mostrarOtroArchivo(path);
    m_memoriaPasada.olvidar();
    m_archivoAvisos = path;
    setCaptionFor(path);
    Ajustes::setOpenFile(path);
    m_numAvisos = 0;
    vigilarArchivo();
    habilitarComandos();
}

void TVPrincipal::comandoAbrirArchivo(const QString& chosenPath) {
    QString path = chosenPath;
    if (path.isEmpty()) {
        QFileDialog dialog(this, LeerTexto(1901), ProgramFolders::global().dirPrograma, LeerTexto(1903));
        dialog.setObjectName("DialogoAbrir");
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setWindowModality(Qt::WindowModal);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        path = dialog.selectedFiles().first();
    }
    AbrirArchivoAvisos(path);
}

void TVPrincipal::comandoCerrarArchivo() {
    traerElegidoDeTodos(); // the chosen row's file is the one closed
    if (m_archivoAvisos.isEmpty()) return;
    m_historial.olvidar(m_archivoAvisos); // its changes can no longer be taken back
    reflejarDeshacer();
    m_activos.quitar(m_archivoAvisos);
    m_activos.guardar();
    for (const QString& siguiente : m_activos.rutas())
        if (QFileInfo::exists(siguiente)) {
            AbrirArchivoAvisos(siguiente);
            return;
        }
    m_archivoAvisos.clear();
    m_numAvisos = 0;
    m_model->setRows({}, {});
    m_memoriaPasada.olvidar();
    Ajustes::setOpenFile(QString());
    setCaptionFor({});
    vigilarArchivo();
    habilitarComandos();
}

void TVPrincipal::elegirAviso(quint16 numero) {
    const int row = numero != 0 ? m_model->filaDe(numero) : -1;
    if (row >= 0) {
        enfocarFila(row);
        if (m_lista) m_lista->scrollTo(m_model->index(row, 0));
    } else {
        m_seleccion->clear();
    }
}

quint16 TVPrincipal::numeroElegido() const {
    const int row = filaEnfocada();
    return row >= 0 ? static_cast<quint16>(m_model->numeroAt(row)) : 0;
}

void TVPrincipal::comandoCrearAviso() {
    traerElegidoDeTodos(); // created in the chosen row's file
    if (m_archivoAvisos.isEmpty()) return;
    try {
        const int numero = m_services.crearAviso(this, m_archivoAvisos, indexPath());
        if (numero == 0) return; // cancelled by the user (or the file is full, already told)
        if (numero < 0) {
            MessageBoxes::errorText(this, 9012);
            return;
        }
        m_numAvisos = ContarAvisos(m_archivoAvisos);
        CargarListaAvisos();
        habilitarComandos();
        m_historial.creado(m_archivoAvisos, static_cast<quint16>(numero), m_model->resumenes());
        elegirAviso(static_cast<quint16>(numero));
        reflejarDeshacer();
    } catch (const ReminderFileError&) {
        MessageBoxes::errorText(this, 9011);
    }
}

void TVPrincipal::comandoEditarAviso() {
    // The cycle goes on while the editor is open: reminders that fall due
    // meanwhile alert as usual, and the edited one is found again by its identity.
    traerElegidoDeTodos();
    const quint16 numero = numeroElegido();
    if (numero == 0 || m_numAvisos == 0) {
        MessageBoxes::warningText(this, 9014);
        return;
    }
    try {
        RegistroAviso antes;
        const int escrito = m_services.editarAviso(this, m_archivoAvisos, indexPath(), numero, &antes);
        if (escrito < 0) {
            MessageBoxes::errorText(this, 9013);
            return;
        }
        const EstadoLista estado = estadoLista();
        m_numAvisos = ContarAvisos(m_archivoAvisos);
        CargarListaAvisos();
        habilitarComandos();
        if (escrito > 0) {
            if (antes.Numero != 0)
                m_historial.editado(m_archivoAvisos, static_cast<quint16>(escrito), antes,
                                    m_model->resumenes());
            else // written as a new reminder: its old self was gone
                m_historial.creado(m_archivoAvisos, static_cast<quint16>(escrito), m_model->resumenes());
            elegirAviso(static_cast<quint16>(escrito));
        } else {
            // Cancelled: the reminder chosen before, wherever a pass moved it.
            elegirAviso(SeguirNumero(estado.leidos, m_model->resumenes(), numero));
        }
        reflejarDeshacer();
    } catch (const ReminderFileError&) {
        MessageBoxes::errorText(this, 9011);
    }
}

QString TVPrincipal::textoEliminar(quint16 numero) const {
    const int row = m_model->filaDe(numero);
    if (row < 0) return LeerTexto(9002);
    const auto& fila = m_model->resumenes()[m_model->filaEnArchivo(row)];
    return LeerTexto(20800).arg(m_model->resumenes().descripcion(m_model->filaEnArchivo(row)),
                                DisplayFormats::listDate(fila.fechaProx()) + QLatin1Char(' ') +
                                    DisplayFormats::listTime(fila.horaProx()));
}

void TVPrincipal::comandoEliminarAviso() {
    traerElegidoDeTodos();
    if (m_archivoAvisos.isEmpty()) return;
    const quint16 elegido = numeroElegido();
    if (elegido == 0 || m_numAvisos == 0) {
        MessageBoxes::warningText(this, 9014);
        return;
    }
    // The cycle goes on while the user is asked; the answer is about the
    // reminder named in the question, found again by its identity.
    const ResumenesAvisos alPreguntar = m_model->resumenes();
    const QVector<quint16> orden = m_model->numeros();
    if (!MessageBoxes::confirm(this, textoEliminar(elegido))) return;
    try {
        const quint16 numero = SeguirNumero(alPreguntar, LeerResumenes(m_archivoAvisos), elegido);
        if (numero == 0) return; // gone meanwhile: nothing left to delete
        // The reminder below it in the user's order is chosen afterwards.
        const int pos = orden.indexOf(elegido);
        const quint16 vecino = pos + 1 < orden.size() ? orden[pos + 1] : (pos > 0 ? orden[pos - 1] : 0);
        const RegistroAviso borrado = LeerAviso(m_archivoAvisos, numero);
        if (EliminarAviso(m_archivoAvisos, indexPath(), numero)) {
            m_numAvisos = ContarAvisos(m_archivoAvisos);
            CargarListaAvisos();
            habilitarComandos();
            m_historial.eliminado(m_archivoAvisos, borrado);
            reflejarDeshacer();
            const quint16 siguiente = SeguirNumero(alPreguntar, m_model->resumenes(), vecino);
            if (m_numAvisos > 0) {
                if (siguiente != 0)
                    elegirAviso(siguiente);
                else
                    enfocarFila(0);
            }
        } else {
            MessageBoxes::errorText(this, 9015);
        }
    } catch (const ReminderFileError&) {
        MessageBoxes::errorText(this, 9011);
    }
}

void TVPrincipal::comandoActDesactAviso() {
    traerElegidoDeTodos();
    if (m_numAvisos == 0) return;
    const quint16 numero = numeroElegido();
    if (numero == 0) {
        MessageBoxes::warningText(this, 9014);
        return;
    }
    try {
        ActivarDesactivarAviso(m_archivoAvisos, numero);
        CargarListaAvisos();
        m_historial.conmutado(m_archivoAvisos, numero, m_model->resumenes());
        reflejarDeshacer();
        elegirAviso(numero);
    } catch (const ReminderFileError& e) {
        MessageBoxes::error(this, FileErrorTexts::error(e));
    }
}

void TVPrincipal::comandoDeshacer() {
    if (m_historial.vacio()) return;
    try {
        const EstadoLista antes = estadoLista();
        // A change of an active file not shown goes back through that file's own index.
        const QString archivo = m_historial.siguienteArchivo();
        const HistorialCambios::Resultado r =
            m_historial.deshacer(archivo == m_archivoAvisos
                                     ? indexPath()
                                     : ArchivosActivos::indiceDe(ProgramFolders::global().dirTemp, archivo));
        if (r.archivo == m_archivoAvisos) {
            m_numAvisos = ContarAvisos(m_archivoAvisos);
            CargarListaAvisos();
            // A removal rewrites the index in file order: the user's order comes back.
            seguirEstadoLista(antes, /*reordenar=*/true);
            habilitarComandos();
            if (r.numero != 0)
                elegirAviso(r.numero);
            else if (m_numAvisos > 0 && filaEnfocada() < 0)
                enfocarFila(0);
        }
        if (!r.hecho) MessageBoxes::warning(this, LeerTexto(20803).arg(r.descripcion));
    } catch (const ReminderFileError& e) {
        MessageBoxes::error(this, FileErrorTexts::error(e));
    }
    reflejarDeshacer();
}

void TVPrincipal::reflejarDeshacer() {
    const QString que = m_historial.siguiente();
    if (!m_historial.vacio() && m_historial.siguienteTipo() == HistorialCambios::Tipo::Importacion)
        m_meDeshacer->setText(LeerTexto(20810)); // every reminder of the import, not one
    else
        m_meDeshacer->setText(m_historial.vacio() || que.isEmpty()
                                  ? LeerTexto(20802)
                                  : LeerTexto(20802) + QStringLiteral(" '") + que + u'\'');
    m_meDeshacer->setEnabled(!m_historial.vacio());
}

void TVPrincipal::ordenarPorColumna(int column) {
    m_sortDirection =
        m_sortDirection == SortDirection::Ascending ? SortDirection::Descending : SortDirection::Ascending;
    if (m_numAvisos <= 1) return;
    const QVector<quint16> order = m_model->sortByColumn(column, m_sortDirection == SortDirection::Ascending);
    try {
        EscribirIndice(indexPath(), order);
    } catch (const ReminderFileError& e) {
        MessageBoxes::error(this, FileErrorTexts::error(e));
    }
}

void TVPrincipal::comandoPreferencias() {
    const QStringList antes = Ajustes::rutasActivas();
    if (!m_services.preferencias(this)) MessageBoxes::errorText(this, 9006);
    seguirArchivosCerrados(antes);
}

void TVPrincipal::seguirArchivosCerrados(const QStringList& antes) {
    const QStringList despues = Ajustes::rutasActivas();
    if (despues == antes) return;
    for (const QString& ruta : m_activos.rutas()) {
        if (!antes.contains(ruta) || despues.contains(ruta)) continue;
        if (ruta == m_archivoAvisos) {
            const bool todos = m_vistaTodos;
            if (todos) comandoVerTodos(false);
            comandoCerrarArchivo();
            if (todos) comandoVerTodos(true);
        } else {
            m_historial.olvidar(ruta);
            m_activos.quitar(ruta);
        }
    }
    m_activos.guardar();
    reflejarDeshacer();
    setCaptionFor(m_archivoAvisos);
    actualizarListaTodos();
}

void TVPrincipal::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    // Back from the task bar: the list has the keyboard again.
    if (e->type() == QEvent::WindowStateChange && !isMinimized() && m_lista)
        listaActiva()->setFocus(Qt::ActiveWindowFocusReason);
}

void TVPrincipal::anadirAvisosRecibidos(const QList<mailfiles::AvisoRecibido>& avisos) {
    if (m_archivoAvisos.isEmpty() || avisos.isEmpty()) {
        MessageBoxes::errorText(this, 9012);
        return;
    }
    // Each one alerts once, an hour from now: the mail tells what to remember,
    // not when; the user moves it in the list.
    const QDateTime ahora = Clock::current().now();
    const QDateTime cuando(ahora.date(), QTime(ahora.time().hour(), ahora.time().minute()));
    const QDateTime momento = cuando.addSecs(3600);
    QStringList nombres;
    quint16 ultimo = 0;
    try {
        for (const mailfiles::AvisoRecibido& recibido : avisos) {
            RegistroAviso r = RegistroAviso::nuevo(momento);
            r.Descripcion = recibido.descripcion;
            r.Texto = recibido.texto;
            const int numero = AnadirAviso(m_archivoAvisos, indexPath(), r);
            if (numero <= 0) {
                MessageBoxes::errorText(this, numero == 0 ? 9016 : 9012);
                break;
            }
            m_numAvisos = ContarAvisos(m_archivoAvisos);
            CargarListaAvisos();
            m_historial.creado(m_archivoAvisos, static_cast<quint16>(numero), m_model->resumenes());
            ultimo = static_cast<quint16>(numero);
            nombres << recibido.descripcion;
        }
    } catch (const ReminderFileError&) {
        MessageBoxes::errorText(this, 9011);
    }
    if (ultimo == 0) return;
    habilitarComandos();
    elegirAviso(ultimo);
    reflejarDeshacer();
    MessageBoxes::information(this, LeerTexto(20815).arg(nombres.join(QStringLiteral(", ")),
                                                         DisplayFormats::listDate(momento.date()) + u' ' +
                                                             DisplayFormats::listTime(momento.time())));
}
