// The view of every active file at once: the reminders of all of them in one
// list with a column naming each one's file. A command on one of its rows
// (edit, delete, switch, close) first shows that row's file, the reminder
// chosen, and then runs there as in the one-file view.
#include "qv/TVPrincipal.h"

#include "core/TextCatalogue.h"
#include "qv/AllFilesListModel.h"
#include "qv/logic/ArchivosActivos.h"
#include "settings/ProgramFolders.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLayout>
#include <QTableView>

void TVPrincipal::construirListaTodos() {
    m_listaTodos = new QTableView(centralWidget());
    m_listaTodos->setObjectName("ListaTodosArchivos");
    m_listaTodos->setModel(m_todos);
    configurarLista(m_listaTodos);
    m_listaTodos->horizontalHeader()->setSectionResizeMode(AllFilesListModel::kColumnaArchivo,
                                                           QHeaderView::ResizeToContents);
    connect(m_listaTodos->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_ordenTodos = column == m_columnaTodos ? !m_ordenTodos : true;
        m_columnaTodos = column;
        m_todos->sortByColumn(column, m_ordenTodos);
    });
    connect(m_listaTodos, &QAbstractItemView::doubleClicked, this, &TVPrincipal::comandoEditarAviso);
    m_listaTodos->hide();
    centralWidget()->layout()->addWidget(m_listaTodos);
}

QTableView* TVPrincipal::listaActiva() const {
    return m_vistaTodos && m_listaTodos ? m_listaTodos : m_lista;
}

void TVPrincipal::comandoVerTodos(bool todos) {
    construirVista();
    m_vistaTodos = todos;
    m_maVerTodos->setChecked(todos);
    if (todos) {
        actualizarListaTodos();
        for (int c : {0, 2, 3, 4})
            m_listaTodos->setColumnWidth(c, m_lista->columnWidth(c));
        if (m_todos->rowCount() > 0 && !m_listaTodos->currentIndex().isValid()) {
            // The reminder chosen in the one-file view stays chosen.
            const int row = m_todos->filaDe(m_archivoAvisos, numeroElegido());
            m_listaTodos->selectionModel()->setCurrentIndex(m_todos->index(qMax(row, 0), 0),
                                                            QItemSelectionModel::ClearAndSelect |
                                                                QItemSelectionModel::Rows);
        }
    }
    m_lista->setVisible(!todos);
    m_listaTodos->setVisible(todos);
    listaActiva()->setFocus(Qt::OtherFocusReason);
    setCaptionFor(m_archivoAvisos);
    habilitarComandos();
}

void TVPrincipal::actualizarListaTodos() {
    if (!m_vistaTodos) return;
    QList<AllFilesListModel::Fuente> fuentes;
    const QString dirTemp = ProgramFolders::global().dirTemp;
    for (const QString& ruta : m_activos.rutas())
        fuentes.append({ruta, ruta == m_archivoAvisos ? dirTemp + "QVMsgs.IDX"
                                                      : ArchivosActivos::indiceDe(dirTemp, ruta)});
    const QString archivo = m_todos->archivoAt(m_listaTodos->currentIndex().row());
    const quint16 numero = m_todos->numeroAt(m_listaTodos->currentIndex().row());
    if (!m_todos->actualizar(fuentes)) return;
    // The chosen row follows its reminder (by file and number) across the new reading.
    const int row = m_todos->filaDe(archivo, numero);
    if (row >= 0)
        m_listaTodos->selectionModel()->setCurrentIndex(
            m_todos->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    habilitarComandos();
}

void TVPrincipal::traerElegidoDeTodos() {
    if (!m_vistaTodos) return;
    const int row = m_listaTodos->currentIndex().row();
    const QString archivo = m_todos->archivoAt(row);
    const quint16 numero = m_todos->numeroAt(row);
    comandoVerTodos(false);
    if (!archivo.isEmpty() && archivo != m_archivoAvisos) AbrirArchivoAvisos(archivo);
    // Nothing chosen there: nothing chosen here, so the command acts on no other reminder.
    elegirAviso(archivo == m_archivoAvisos ? numero : 0);
}
