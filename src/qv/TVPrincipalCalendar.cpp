// The main window's calendar commands: the open reminders file to and from
// an iCalendar file.
#include "qv/TVPrincipal.h"

#include "qv/CalendarCommands.h"
#include "qv/MessageBoxes.h"
#include "settings/ProgramFolders.h"

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
    // No pass runs while reminders are appended, as for an edit.
    m_timerPrincipal->stop();
    const bool added = CalendarCommands::importar(
        this, m_archivoAvisos, ProgramFolders::global().dirTemp + "QVMsgs.IDX", chosenPath);
    if (added) archivoCambiadoFuera(); // the list follows the file, keeping the user's order
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
