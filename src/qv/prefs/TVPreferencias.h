#pragma once
// The preferences dialog: general and e-mail options with the address book,
// alert options with the style sounds, and the user profiles with their dial-up
// connections. Nothing reaches the settings or "QV.PFL" before OK; phonebook
// changes made through the dial-up component take effect at once.
#include "profiles/RegistroPerfiles.h"
#include "profiles/SeguridadPerfiles.h"
#include "qv/prefs/AccesoTelefonico.h"

#include <QDialog>
#include <QSize>

#include <array>
#include <functional>
#include <memory>

class QTimeEdit;
class PaginaCalendario;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class UpDownCiclico;

class TVPreferencias : public QDialog {
    Q_OBJECT
public:
    // Style sounds: Classic, Doggy, Babe (MsgWindowFmt - 1).
    enum Estilo { Classic = 0, Doggy = 1, Babe = 2 };

    // Room left around the dialog for the window manager's frame and caption.
    static constexpr QSize kMarcoVentana{16, 48};

    explicit TVPreferencias(QWidget* parent = nullptr, std::unique_ptr<AccesoTelefonico> ras = {});
    ~TVPreferencias() override;

    // Fills every control from the settings, the phonebook and "QV.PFL" (creating
    // the file when it is missing). False, with `error` set, when an existing
    // profiles file cannot be read: it is left as it is.
    bool cargar(QString* error = nullptr);

    int perfilActual() const { return m_actual; }
    void mostrarPerfil(int p);
    QString sonido(Estilo estilo) const { return m_sonidos[estilo]; }
    QList<FilaLibreta> filasLibreta() const;
    // The mail security settings being edited for profile p (1..20); no value
    // while a profile that lost its stored settings has not been given new ones.
    const std::optional<AjustesSeguridad>& seguridad(int p) const { return m_seguridad[p - 1]; }

    // The phonebook the dialog owns.
    AccesoTelefonico& ras() { return *m_ras; }

    // Called with CheckEmailEvery x 4 when OK stores the settings, so the main
    // window can restart its mail-check countdown.
    static void setCuentaRevisionEmail(std::function<void(int)> sink);

    // Plays the test sound (fromResource, resource name or file). The alert
    // sound routine by default; tests install a recorder, an empty one restores it.
    using ReproductorSonido = std::function<bool(bool fromResource, const QString& name)>;
    static void setReproductorSonido(ReproductorSonido reproductor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // Building
    QWidget* crearTabGeneral();
    QWidget* crearTabAvisos();
    QWidget* crearTabPerfiles();

    // Moves the whole window onto its screen (`entera`), or only its caption
    // below the screen's top edge.
    void dentroDeLaPantalla(bool entera);

    // OK / Help
    void BotonAceptarClick();
    void BotonAyudaClick();
    bool guardarAjustes();

    // Address book
    void BotonNuevaDireccClick();
    void BotonBorrarDireccClick();
    void BotonOrdenarDireccClick();
    void llenarLibreta(const QList<FilaLibreta>& filas);

    // Style sounds
    void setSonido(Estilo estilo, const QString& archivo);
    void elegirSonido(Estilo estilo);
    void MPSARestaurarClick();
    void MPSAProbarClick();

    // Profiles
    void SiguienteRegistroClick();
    void RegistroAnteriorClick();
    void copiarEdicion();
    void ComboAccesoTelefChange();
    void llenarComboConexiones();
    void seleccionarConexion(const Perfil& perfil);
    void BotonLoginPasswdClick();
    void conexionDialogo(bool nueva);
    void BotonBorrarUsuarioClick();
    void CheckRegistroActivoClick();
    void CheckRegistroActivoExit();

    // Profile security (TVPreferenciasSeguridad.cpp)
    QGroupBox* crearGrupoSeguridad(QWidget* tab);
    void mostrarSeguridad();
    void copiarSeguridad();
    void BotonCertificadosClick();

    std::unique_ptr<AccesoTelefonico> m_ras;
    std::array<QString, 3> m_sonidos;
    int m_actual = 1;
    bool m_mostrando = false;      // a profile is being put on the controls
    bool m_activoPulsado = false;  // the active box was clicked since it took the focus
    Estilo m_estiloMenu = Classic; // the sound edit the context menu was opened on

    QTabWidget* m_paginas = nullptr;
    QWidget *m_tabGeneral = nullptr, *m_tabAvisos = nullptr, *m_tabPerfiles = nullptr;
    QPushButton *m_aceptar = nullptr, *m_cancelar = nullptr, *m_ayuda = nullptr;

    // General
    QGroupBox *m_grupoInicio = nullptr, *m_grupoEmail = nullptr;
    QCheckBox *m_checkStartup = nullptr, *m_checkSplash = nullptr, *m_checkEnvComp = nullptr,
              *m_checkBorrarUnsent = nullptr, *m_checkSaveReceived = nullptr;
    QLabel *m_labelComprobar = nullptr, *m_labelEspera = nullptr, *m_labelDirecc = nullptr,
           *m_labelDestin = nullptr;
    UpDownCiclico *m_upDownComprobar = nullptr, *m_upDownEspera = nullptr;
    QTreeWidget* m_listaDirecc = nullptr;
    QPushButton *m_nuevaDirecc = nullptr, *m_borrarDirecc = nullptr, *m_ordenarDirecc = nullptr;

    // Alerts
    QGroupBox *m_grupoAvisos = nullptr, *m_grupoLaborables = nullptr, *m_grupoFormato = nullptr,
              *m_grupoSonidos = nullptr, *m_grupoArchivosActivos = nullptr;
    QButtonGroup *m_laborables = nullptr, *m_formato = nullptr;
    QTimeEdit* m_horaTodoElDia = nullptr; // the time of an all-day calendar event's reminder
    std::array<QRadioButton*, 2> m_radioLaborables{};
    std::array<QLineEdit*, 3> m_editSonido{};
    std::array<QPushButton*, 3> m_botonSonido{};
    QMenu* m_menuSonido = nullptr;
    QStringList m_archivosCerrados; // taken out of the active files, on OK
    QLabel* m_labelCerrar = nullptr;
    UpDownCiclico* m_upDownCerrar = nullptr;
    QCheckBox* m_checkPasados = nullptr;

    // Profiles
    QGroupBox* m_grupoUsuario = nullptr;
    QLabel *m_labelRegistro = nullptr, *m_labelActual = nullptr;
    QPushButton *m_siguiente = nullptr, *m_anterior = nullptr;
    QCheckBox* m_checkActivo = nullptr;
    QLineEdit *m_editUsuario = nullptr, *m_editEmail = nullptr, *m_editSMTP = nullptr, *m_editPOP3 = nullptr,
              *m_editLoginSMTP = nullptr, *m_editLoginPOP3 = nullptr, *m_editPasswdPOP3 = nullptr;
    QComboBox* m_comboAcceso = nullptr;
    QLineEdit *m_editUserLogin = nullptr, *m_editUserPasswd = nullptr;
    QPushButton *m_loginPasswd = nullptr, *m_nuevaConex = nullptr, *m_editarConex = nullptr,
                *m_borrarUsuario = nullptr;

    // Profile security
    AjustesPorPerfil m_seguridad;
    QGroupBox* m_grupoSeguridad = nullptr;
    QComboBox *m_comboSegSMTP = nullptr, *m_comboSegPOP3 = nullptr;
    QLineEdit *m_editPasswdSMTP = nullptr, *m_editCertificados = nullptr;
    QCheckBox *m_checkLoginEnClaro = nullptr, *m_checkLlavero = nullptr;
    QPushButton* m_botonCertificados = nullptr;
    QLabel* m_labelSeguridadPerdida = nullptr;

    PaginaCalendario* m_calendario = nullptr; // the calendar account of the open reminders file
};

// The main window's preferences command: shows the dialog modally and frees it.
// True when it ended with OK or Cancel as it should; false when it could not be
// shown or its profiles file could not be read.
bool EjecutarPreferencias(QWidget* parent);
// The same, under the dialog's own name.
bool MostrarPreferencias(QWidget* parent);
