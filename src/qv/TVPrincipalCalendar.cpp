// The main window's calendar commands: the open reminders file to and from
// an iCalendar file.
#include "qv/TVPrincipal.h"

#include "qv/CalendarCommands.h"
#include "qv/MessageBoxes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>

void TVPrincipal::buildCalendarMenu() {
    m_mpArchivo->addSeparator();
    m_maExportarCalendario = m_mpArchivo->addAction(QString());
    m_maExportarCalendario->setObjectName("MAExportarCalendario");
    m_maImportarCalendario = m_mpArchivo->addAction(QString());
    m_maImportarCalendario->setObjectName("MAImportarCalendario");
    connect(m_maExportarCalendario, &QAction::triggered, this, [this] { comandoExportarCalendario(); });
    connect(m_maImportarCalendario, &QAction::triggered, this, [this] { comandoImportarCalendario(); });
}

void TVPrincipal::comandoExportarCalendario(const QString& chosenPath) {
    if (m_archivoAvisos.isEmpty()) {
        MessageBoxes::warningText(this, 20510);
        return;
    }
    CalendarCommands::exportar(this, m_archivoAvisos, chosenPath);
}

void TVPrincipal::comandoImportarCalendario(const QString& chosenPath) {
    if (m_archivoAvisos.isEmpty()) {
        MessageBoxes::warningText(this, 20510);
        return;
    }
    // No pass runs while reminders are appended, as for an edit. The import
    // appends: what it added is the file's tail, taken back by one Undo.
    m_timerPrincipal->stop();
    int antes = 0;
    try {
        antes = ContarAvisos(m_archivoAvisos);
    } catch (const ReminderFileError&) {
        antes = -1; // the import tells the file's problem
    }
    const QString archivo = m_archivoAvisos;
    const bool added = CalendarCommands::importar(
        this, archivo, ProgramFolders::global().dirTemp + "QVMsgs.IDX", chosenPath);
    if (added) {
        try {
            const ResumenesAvisos despues = LeerResumenes(archivo);
            if (antes >= 0 && despues.size() > antes)
                m_historial.importados(archivo, static_cast<quint16>(antes + 1), int(despues.size()) - antes,
                                       despues);
        } catch (const ReminderFileError&) {
            // The list's reload that follows tells it.
        }
        archivoCambiadoFuera(); // the list follows the file, keeping the user's order
        reflejarDeshacer();
    }
    m_timerPrincipal->start();
}

void TVPrincipal::importarCalendarioDado(const QString& path) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        return;
    }
    restaurar();
    comandoImportarCalendario(path);
}
