// The main window's reminders file commands and list.
#include "qv/TVPrincipal.h"

#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "platform/FileIdentity.h"
#include "qv/FileErrorTexts.h"
#include "qv/MessageBoxes.h"
#include "qv/ProgramServices.h"
#include "qv/ReminderListModel.h"
#include "qv/RowTexts.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

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
    setWindowTitle(QStringLiteral("Norvo Orbalinder 2.0 - ") + QFileInfo(path).fileName());
}

void TVPrincipal::habilitarComandos() {
    const bool file = !m_archivoAvisos.isEmpty();
    const bool some = file && m_numAvisos > 0;
    for (QAction* a : {m_mppEditar, m_mppEliminar, m_mppActDesact})
        a->setEnabled(some);
    for (QToolButton* b : {m_speedEditar, m_speedEliminar})
        b->setEnabled(some);
    m_mppCrear->setEnabled(file);
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
}

void TVPrincipal::AbrirArchivoAvisos(const QString& path, ResumenesAvisos* leidos) {
    if (!QFileInfo::exists(path)) {
        Ajustes::setOpenFile(QString());
        MessageBoxes::errorText(this, 9001);
        return;
    }
    // A damaged file is used for its whole reminders; the user is told what is wrong.
    const QString problem = FileErrorTexts::warning(path, DiagnosticarArchivo(path));
    if (!problem.isEmpty()) MessageBoxes::warning(this, problem);
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

void TVPrincipal::comandoCrearAviso() {
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
        enfocarFila(m_model->rowCount() - 1);
    } catch (const ReminderFileError&) {
        MessageBoxes::errorText(this, 9011);
    }
}

void TVPrincipal::comandoEditarAviso() {
    m_timerPrincipal->stop();
    const int row = filaEnfocada();
    if (row < 0 || m_numAvisos == 0) {
        MessageBoxes::warningText(this, 9014);
    } else {
        const int numero = m_model->numeroAt(row);
        try {
            if (m_services.editarAviso(this, m_archivoAvisos, numero)) {
                CargarListaAvisos();
                enfocarFila(numero - 1);
            } else {
                MessageBoxes::errorText(this, 9013);
            }
        } catch (const ReminderFileError&) {
            MessageBoxes::errorText(this, 9011);
        }
    }
    m_timerPrincipal->start();
}

void TVPrincipal::comandoEliminarAviso() {
    if (m_archivoAvisos.isEmpty()) return;
    // No pass may move the reminders while the user is asked: the answer is
    // about the reminder seen when choosing.
    const bool cycleRunning = m_timerPrincipal->isActive();
    m_timerPrincipal->stop();
    if (!MessageBoxes::confirmText(this, 9002)) {
        if (cycleRunning) m_timerPrincipal->start();
        return;
    }
    const int row = filaEnfocada();
    if (row < 0 || m_numAvisos == 0) {
        MessageBoxes::warningText(this, 9014);
    } else {
        try {
            if (EliminarAviso(m_archivoAvisos, indexPath(), m_model->numeroAt(row))) {
                m_numAvisos = ContarAvisos(m_archivoAvisos);
                CargarListaAvisos();
                habilitarComandos();
                if (m_numAvisos > 0) enfocarFila(0);
            } else {
                MessageBoxes::errorText(this, 9015);
            }
        } catch (const ReminderFileError&) {
            MessageBoxes::errorText(this, 9011);
        }
    }
    m_timerPrincipal->start();
}

void TVPrincipal::comandoActDesactAviso() {
    if (m_numAvisos == 0) return;
    const int row = filaEnfocada();
    if (row < 0) {
        MessageBoxes::warningText(this, 9014);
        return;
    }
    try {
        ActivarDesactivarAviso(m_archivoAvisos, m_model->numeroAt(row));
        CargarListaAvisos();
        enfocarFila(row);
    } catch (const ReminderFileError& e) {
        MessageBoxes::error(this, FileErrorTexts::error(e));
    }
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
    if (!m_services.preferencias(this)) MessageBoxes::errorText(this, 9006);
}

void TVPrincipal::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
}
