// The main window's list kept true to the file: the chosen reminder, the
// user's order and the scroll position survive every rebuild, and changes
// made to the open file by another program show in the list.
#include "qv/TVPrincipal.h"

#include "qv/FileErrorTexts.h"
#include "qv/MessageBoxes.h"
#include "qv/ReminderListModel.h"
#include "settings/ProgramFolders.h"
#include "store/FollowReminders.h"
#include "store/ReminderFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>

namespace {
QString indexPath() {
    return ProgramFolders::global().dirTemp + "QVMsgs.IDX";
}

QString stampOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return {};
    return QString::number(info.size()) + '/' + QString::number(info.lastModified().toMSecsSinceEpoch()) +
           '/' + QString::number(info.metadataChangeTime().toMSecsSinceEpoch());
}
} // namespace

TVPrincipal::EstadoLista TVPrincipal::estadoLista() const {
    EstadoLista e;
    e.leidos = m_model->resumenes();
    e.orden = m_model->numeros();
    const int row = filaEnfocada();
    e.numero = row >= 0 ? static_cast<quint16>(m_model->numeroAt(row)) : 0;
    e.scroll = m_lista ? m_lista->verticalScrollBar()->value() : 0;
    return e;
}

void TVPrincipal::seguirEstadoLista(const EstadoLista& antes, bool reordenar) {
    // As many reminders as before keep their numbers (a pass that removed none):
    // no need to follow 65535 of them to find the chosen one.
    const bool mismos = antes.leidos.size() == m_model->resumenes().size();
    const QHash<quint16, quint16> seguidos =
        mismos && !reordenar ? QHash<quint16, quint16>() : FollowNumbers(antes.leidos, m_model->resumenes());
    if (reordenar) {
        try {
            EscribirIndice(indexPath(), FollowOrder(antes.orden, seguidos, m_model->resumenes().size()));
            CargarListaAvisos();
        } catch (const ReminderFileError& e) {
            MessageBoxes::error(this, FileErrorTexts::error(e));
        }
    }
    m_seleccion->clear();
    const quint16 numero = mismos && !reordenar ? antes.numero : seguidos.value(antes.numero, 0);
    const int row = numero != 0 ? m_model->filaDe(numero) : -1;
    if (row >= 0)
        m_seleccion->setCurrentIndex(m_model->index(row, 0),
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (m_lista) m_lista->verticalScrollBar()->setValue(antes.scroll);
}

void TVPrincipal::vigilarArchivo() {
    if (!m_vigilante) {
        m_vigilante = new QFileSystemWatcher(this);
        m_demoraVigilante = new QTimer(this);
        m_demoraVigilante->setSingleShot(true);
        m_demoraVigilante->setInterval(300); // a writer's several writes count once
        connect(m_vigilante, &QFileSystemWatcher::fileChanged, m_demoraVigilante,
                qOverload<>(&QTimer::start));
        connect(m_demoraVigilante, &QTimer::timeout, this, &TVPrincipal::archivoCambiadoFuera);
    }
    if (!m_vigilante->files().isEmpty()) m_vigilante->removePaths(m_vigilante->files());
    if (!m_archivoAvisos.isEmpty()) m_vigilante->addPath(m_archivoAvisos);
    selloPropio();
}

void TVPrincipal::selloPropio() {
    m_selloArchivo = stampOf(m_archivoAvisos);
}

void TVPrincipal::archivoCambiadoFuera() {
    if (m_archivoAvisos.isEmpty()) return;
    // A file replaced by renaming is a new file to the watcher.
    if (m_vigilante && !m_vigilante->files().contains(m_archivoAvisos) && QFileInfo::exists(m_archivoAvisos))
        m_vigilante->addPath(m_archivoAvisos);
    if (stampOf(m_archivoAvisos) == m_selloArchivo) return; // our own write
    // Not under an open dialog (the editor holds a reminder's number): later.
    if (QApplication::activeModalWidget()) {
        m_demoraVigilante->start();
        return;
    }
    const EstadoLista antes = estadoLista();
    try {
        m_numAvisos = ContarAvisos(m_archivoAvisos);
        // Rows are read in file order first; the user's order is then restored.
        CrearIndice(indexPath(), m_numAvisos);
        CargarListaAvisos();
    } catch (const ReminderFileError& e) {
        MessageBoxes::error(this, FileErrorTexts::error(e));
        return;
    }
    seguirEstadoLista(antes, /*reordenar=*/true);
    habilitarComandos();
}
