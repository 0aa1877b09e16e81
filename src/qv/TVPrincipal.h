#pragma once
// The reminder program's main window: the reminders list, menus, toolbar,
// status bar and tray icon, the commands, and the 15-second due-check cycle.
#include "alerts/AlertHost.h"
#include "mailfiles/IncomingMail.h"
#include "qv/logic/ArchivosActivos.h"
#include "qv/logic/HistorialCambios.h"
#include "qv/logic/PasadaAvisos.h"
#include "store/RegistroAviso.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QFileSystemWatcher;
class QFrame;
class QItemSelectionModel;
class QLabel;
class QMenu;
class QTableView;
class QTimer;
class QToolButton;
class AllFilesListModel;
class ProgramServices;
class ReminderListModel;
class TSystemTrayIcon;

class TVPrincipal : public QMainWindow, public AlertHost {
    Q_OBJECT
public:
    enum class SortDirection { None, Ascending, Descending };
    // When the list, the menu bar, the toolbar and the status bar are laid
    // out: at once, or when the window is first shown not minimized (a
    // program that starts in the tray builds no view it does not show).
    enum class Vista { Ahora, AlMostrar };

    // `services`: how the window reaches alerts, the mail queue and its dialogs;
    // it must outlive the window. `fileArgument`: a reminders file named on the
    // command line, opened instead of the one remembered from the last run.
    explicit TVPrincipal(ProgramServices& services, const QString& fileArgument = {},
                         QWidget* parent = nullptr, Vista vista = Vista::Ahora);
    ~TVPrincipal() override;

    // State other windows and tests read.
    // The file the list shows; every active file fires (File -> Open adds one).
    const QString& archivoAvisos() const { return m_archivoAvisos; }
    const ArchivosActivos& archivosActivos() const { return m_activos; }
    int numAvisos() const { return m_numAvisos; }
    // Passes that found the file unchanged and nothing due, so did not read it.
    int pasadasSaltadas() const { return m_pasadasSaltadas; }
    SortDirection sortDirection() const { return m_sortDirection; }
    ReminderListModel* listModel() const { return m_model; }
    QTimer* timerPrincipal() const { return m_timerPrincipal; }
    QTimer* timerEmail() const { return m_timerEmail; }

    // The second half of the open command, also used at start. `leidos`: the
    // summaries of that file from a pass that has just read it, used when the
    // file has not changed since.
    void AbrirArchivoAvisos(const QString& path, ResumenesAvisos* leidos = nullptr);
    // The list anew from the index and the file (or `leidos`, the file's
    // summaries just read).
    void CargarListaAvisos(ResumenesAvisos* leidos = nullptr);
    // Another program changed the open file: index and list follow it, keeping
    // the user's order, selection and scroll position.
    void archivoCambiadoFuera();
    // One firing of the due-check timer.
    void TimerPrincipalTimer();
    // One firing of the incoming-mail timer.
    void TimerEmailTimer();

    // Indicators shown by the alert and mail windows.
    void mostrarFlagAviso(bool visible) override;
    void registroMensajes(bool escrito) override;
    // Asked by the alerts; the last request of one event-loop turn is carried out.
    void minimizarAplicacion() override;
    void restaurarAplicacion() override;
    void mostrarFlagMail(bool visible);

    // Commands (also reached through menus, toolbar and keys).
    void comandoNuevoArchivo(const QString& chosenPath = {});
    void comandoAbrirArchivo(const QString& chosenPath = {});
    // File -> Close file: the shown file leaves the active files (its reminders
    // stop); the next active file is shown, or none.
    void comandoCerrarArchivo();
    // File -> Show all active files: the list shows the reminders of every
    // active file, with a column naming each one's file (or, off, the shown file's).
    void comandoVerTodos(bool todos);
    bool vistaTodos() const { return m_vistaTodos; }
    AllFilesListModel* allFilesModel() const { return m_todos; }
    void comandoPreferencias();
    void comandoDesactAvisos(bool fromMenu);
    void comandoDesactEmail(bool fromMenu);
    void comandoEmailManualmente();
    void comandoCrearAviso();
    void comandoEditarAviso();
    void comandoEliminarAviso();
    void comandoActDesactAviso();
    // Edit -> Undo (Ctrl+Z): takes back the last create, edit, delete, switch
    // or import of this run, one step a time.
    void comandoDeshacer();
    HistorialCambios& historial() { return m_historial; }
    void comandoRevisarLog(int kind);
    void comandoAcercaDe();
    // File -> Export calendar... and Import calendar... (`chosenPath`: no dialog).
    void comandoExportarCalendario(const QString& chosenPath = {});
    void comandoImportarCalendario(const QString& chosenPath = {});
    // A calendar given on the command line or by a second start: the window
    // shows and its events are imported into the open reminders file.
    void importarCalendarioDado(const QString& path);
    // File -> Exit (and the tray menu's Exit): the program ends.
    void comandoSalir();
    void ordenarPorColumna(int column);

    TSystemTrayIcon* tray() const { return m_tray; }
    bool trayAvailable() const;
    // Restores the window from the tray, the list taking the keyboard.
    void restaurar();
    // A second start of the program handed its request over: open `file`
    // (when given and no dialog is open) and show the window.
    void atenderSegundoArranque(const QString& file);

signals:
    void exitSequenceDone();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the user sees chosen in the list, kept across a rebuild.
    struct EstadoLista {
        ResumenesAvisos leidos; // the file as the list showed it
        QVector<quint16> orden; // the rows' numbers, top to bottom
        quint16 numero = 0;     // the current reminder, 0 for none
        int scroll = 0;
    };
    EstadoLista estadoLista() const;
    // After the list was rebuilt: the reminder chosen before, followed to its new
    // number, is current and selected again (none when it is gone); the scroll
    // position comes back. With `reordenar`, the index is first rewritten to the
    // order the user had (a compaction or another program reset it).
    void seguirEstadoLista(const EstadoLista& antes, bool reordenar);
    void vigilarArchivo();
    void selloPropio();

    // The all-files view (TVPrincipalAllFiles.cpp).
    void construirListaTodos();
    void configurarLista(QTableView* lista);
    QTableView* listaActiva() const; // the list the user sees
    void actualizarListaTodos();
    // In the all-files view: the chosen row's file is shown, that reminder chosen
    // (none when no row is), and the view goes back to one file.
    void traerElegidoDeTodos();
    // The files closed in the preferences (in `antes`, the list before, and no
    // longer in the setting) stop firing here too.
    void seguirArchivosCerrados(const QStringList& antes);
    void pasadaCiclo();

    void construirMenus();
    void buildCalendarMenu(); // the calendar items of the File menu
    void buildToolbar();
    void buildList();
    void construirVista();
    void construirBarraEstado();
    void buildStatusBar();
    // The window's size and the list's columns: wide enough for every column
    // and the status bar in the catalogue's language, or as the user left them.
    void disposicionInicial();
    void aplicarColumnas(); // on the list once it exists
    void guardarDisposicion();
    void AsignarTextos();
    void secuenciaInicio();
    void actualizarReloj();
    void actualizarPanelEmail();
    void reflejarAvisos(bool on);
    void reflejarEmail(bool on);
    void habilitarComandos();
    void setCaptionFor(const QString& path);
    int filaEnfocada() const;
    quint16 numeroElegido() const; // the current row's reminder, 0 for none
    // Reminder `numero` current, selected and in view (none when no row shows it).
    void elegirAviso(quint16 numero);
    QString textoEliminar(quint16 numero) const;
    void reflejarDeshacer();
    // Reminders whose minute went by unseen: listed in the missed-reminders
    // window and each offered as an alert (snoozed or dismissed one by one, or
    // all at once from the window). The window is not modal.
    void mostrarPerdidos(const QVector<RegistroAviso>& perdidos, const QString& archivo);
    // The file shown until now keeps firing in the background, with its pass's memory;
    // `siguiente` becomes the shown one and joins the active files.
    void mostrarOtroArchivo(const QString& siguiente);
    // The due-check pass of the active files the list does not show; false when there are none.
    bool pasadaOtrosArchivos();
    // At start: the files active when the program last ran, but the shown one,
    // are caught up (missed reminders), their snoozes come back; missing ones leave the list.
    void reanudarOtrosArchivos();
    void enfocarFila(int row);
    void setBotoneraBusy(bool busy);
    // Paints the panel: red while a pass runs, else the colour of buttons.
    void pintarBotoneraOcupada();
    void revisionEmail();
    // Tells mail that could not be queued or sent: a message once, the status
    // bar while mail waits unqueued, the tray hint while mail waits unsent.
    void avisarCorreo();
    // The mail alert window closed (by the user, or by itself).
    void alCerrarEmailRecibido(bool porUsuario);
    // Adds reminders received by mail to the open file, as the editor adds
    // one (each a step of Undo), and tells the user when they alert.
    void anadirAvisosRecibidos(const QList<mailfiles::AvisoRecibido>& avisos);
    void createTray();
    void destroyTray();
    void setTrayState(bool remindersOn);

    ProgramServices& m_services;
    QString m_fileArgument;
    bool m_saliendo = false; // the exit command was given: closing ends the program
    enum class Peticion { Ninguna, Minimizar, Restaurar };
    Peticion m_peticionVentana = Peticion::Ninguna;
    void pedirVentana(Peticion p);
    QString m_archivoAvisos;
    int m_numAvisos = 0;
    SortDirection m_sortDirection = SortDirection::None;
    int m_cuentaRevisionEmail = 0;
    QDateTime m_ultimaPasada; // moment of the last pass (catch-up of missed minutes)
    QFileSystemWatcher* m_vigilante = nullptr;
    QTimer* m_demoraVigilante = nullptr;
    QString m_selloArchivo;        // size and time of the open file after our own last write
    MemoriaPasada m_memoriaPasada; // lets a pass that would change nothing skip the shown file
    ArchivosActivos m_activos;     // every file that fires, the shown one among them
    int m_pasadasSaltadas = 0;

    QFrame* m_botonera = nullptr;
    bool m_botoneraOcupada = false; // a pass runs: the panel shows red
    QTableView* m_lista = nullptr;  // made with the view
    int m_anchosColumnas[5] = {};   // made by disposicionInicial
    QItemSelectionModel* m_seleccion = nullptr;
    AllFilesListModel* m_todos = nullptr;
    QTableView* m_listaTodos = nullptr; // made with the view, shown in the all-files view
    bool m_vistaTodos = false;
    int m_columnaTodos = -1; // the all-files view's sort
    bool m_ordenTodos = true;
    bool m_vistaDiferida = false; // the view is made when the window is first shown
    ReminderListModel* m_model = nullptr;
    QLabel* m_panel[3] = {nullptr, nullptr, nullptr};
    QLabel* m_panelCorreo = nullptr;      // mail that waits unqueued
    QWidget* m_panelesEnEspera = nullptr; // holds the panels until the status bar is made
    QStringList m_emailNoEnviado;         // for the tray hint
    bool m_registroFallido = false;       // the shown-messages log failed and was told
    QLabel* m_flagAviso = nullptr;
    QLabel* m_flagMail = nullptr;
    QTimer* m_timerPrincipal = nullptr;
    QTimer* m_timerEmail = nullptr;
    TSystemTrayIcon* m_tray = nullptr;
    QMenu* m_popMenu = nullptr;
    QMenu* m_trayMenu = nullptr;

    HistorialCambios m_historial;
    QMenu *m_mpArchivo, *m_mpEdicion, *m_mpFunciones, *m_mpAyuda;
    QAction* m_meDeshacer;
    QAction *m_maNuevo, *m_maAbrir, *m_maCerrar, *m_maVerTodos, *m_maPreferencias, *m_maSalir, *m_maMostrar;
    QAction *m_maExportarCalendario = nullptr, *m_maImportarCalendario = nullptr;
    QAction *m_mfDesactAvisos, *m_mfDesactEmail, *m_mfEmailManual, *m_mfRevisarAvisos, *m_mfRevisarEmail,
        *m_mfRevisarActividad;
    QAction *m_myAcercade, *m_myConten, *m_myEjec, *m_myCreac, *m_myEmail;
    QAction *m_mppCrear, *m_mppEditar, *m_mppEliminar, *m_mppActDesact;
    QToolButton *m_speedNuevo, *m_speedAbrir, *m_speedPreferencias, *m_speedDesactAvisos, *m_speedDesactEmail,
        *m_speedCrear, *m_speedEditar, *m_speedEliminar;
};
