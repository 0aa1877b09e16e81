#pragma once
// The reminder editor: a modal dialog with an editing panel and a recipients
// panel that slide over each other. It fills a reminder record from its
// controls (GuardarAviso) and is filled from one (cargar).
#include "store/RegistroAviso.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;
class QToolButton;
class QWidget;

class TVEdicionAvisos : public QDialog {
    Q_OBJECT
public:
    explicit TVEdicionAvisos(QWidget* parent = nullptr);

    // Fills the dialog for a new reminder with the given number (now, cut to whole minutes).
    void cargarNuevo(int numero);
    // Fills the dialog from a stored reminder.
    void cargar(const RegistroAviso& r);
    // Validates the controls and copies them into `r`; false (after message 9017)
    // when the description or the repetition is missing.
    bool GuardarAviso(RegistroAviso& r);
    // OK: a save that would be refused keeps the dialog open with everything typed.
    void accept() override;

    QString sonido() const { return m_sonido; }
    void setSonido(const QString& path);
    bool panelDestinatariosVisible() const;
    // Slides the recipients panel in (true) or the editing panel back (false).
    void deslizarDestinatarios(bool entrar);

    // Milliseconds between the slide steps (0 in tests).
    static inline int slideStepMs = 10;

private:
    void buildEdicion();
    void buildDestinatarios();
    void AsignarTextos();
    void llenarDirecciones();
    // The checks of a save, each refusal told: description and repetition
    // (9017), and text Windows-1252 cannot hold (never stored as '?').
    bool validar();
    int repeticionElegida() const;
    void SelectorRepetirChange(int index);
    void SelectorHoraChange();
    void MensajeCaducidadClick();
    void elegirSonido();
    void probarSonido();
    static void mover(QListWidget* from, QListWidget* to, bool all);

    QString m_sonido;
    bool m_diasVisibles = false;

    QWidget *m_panelEdicion, *m_panelDestinatarios;
    QLabel *m_labelNumero, *m_labelAviso, *m_labelDescrip, *m_labelFechaProx, *m_labelHoraProx,
        *m_labelRepetir, *m_labelDiasSemana, *m_labelTexto, *m_labelFechaUlt, *m_labelSonido, *m_labelDispon,
        *m_labelDestin;
    QLineEdit* m_nombre;
    QDateEdit* m_fecha;
    QTimeEdit* m_hora;
    QComboBox* m_repetir;
    QListWidget* m_dias;
    QPlainTextEdit* m_texto;
    QLineEdit* m_sonidoEdit;
    QToolButton* m_speedSonido;
    QMenu* m_menuSonido;
    QPushButton* m_botonDestinatarios;
    QCheckBox *m_caduca, *m_borrar;
    QDateEdit* m_fechaUlt;
    QListWidget *m_origen, *m_destino;
    QPushButton *m_todoDestino, *m_unoDestino, *m_unoOrigen, *m_todoOrigen, *m_cerrar;
    QPushButton *m_aceptar, *m_cancelar, *m_ayuda;
};
