#pragma once
// What the classic and the picture alert windows share: the auto-close and pause
// timer, the close button, the close handling, the sound and the log entry.
#include <QDateTime>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QToolButton;

class AlertWindowBase : public QWidget {
    Q_OBJECT
public:
    // Length of one minute for the alert timers; tests shorten it.
    static void setMillisecondsPerMinute(int ms);
    static int millisecondsPerMinute();

    ~AlertWindowBase() override;

    // Caption, text (its line breaks become lines) and the reminder's own sound file
    // (empty: the built-in sound of the alert style).
    void setContenido(const QString& caption, const QString& text, const QString& soundFile);
    // The reminders file the reminder belongs to, for its snooze (empty: the open one).
    void setArchivo(const QString& archivo) {
        if (!archivo.isEmpty()) m_archivo = archivo;
    }

    bool autoCloseArmed() const { return m_autoCloseArmed; }
    bool closedByUser() const { return m_closedByUser; }
    bool paused() const;
    QString soundFile() const { return m_soundFile; }

    // Snoozes the alert with one of the snooze choices (SnoozePresets): hidden
    // until then, kept as the last choice used. "until" asks for the moment.
    void posponer(const QString& presetKey);
    bool snoozedByPreset() const { return m_pausaElegida; }
    // Snoozes until `back` (a moment to come), as a snooze choice does.
    void posponerHasta(const QDateTime& back);
    // Ends the alert as the user's close does, also while it is snoozed.
    void descartar();
    // A snooze left by a previous run: hidden until `hasta`, shown at once when
    // it passed; `uid` is its reminder's identity, which later snoozes keep.
    void reanudarPausa(const QDateTime& hasta, const QString& uid);
    // As the user would: close with a pause of `minutos` (0: dismissed).
    void posponer(int minutos);

public slots:
    void BotonCerrarClick();

protected:
    // `flags`: the window kind of the subclass; the window is always on top.
    AlertWindowBase(Qt::WindowFlags flags, QWidget* parent = nullptr);

    // Creates the controls that both windows have, as children of `panel`.
    void crearControles(QWidget* panel);

    // Places the window from its saved setting; an unreadable setting leaves it where it is.
    virtual void restaurarPosicion() = 0;
    // Stores the window's place in its setting.
    virtual void guardarPosicion() = 0;
    virtual void aplicarDisposicion() {}

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Once the user clicked the alert (it is never activated on its own):
    // Enter and Escape press the close button.
    void keyPressEvent(QKeyEvent* event) override;
    // A click anywhere on the alert lets it take the keyboard.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void aceptarFoco();
    // A saved place that no screen shows any more (a monitor unplugged) is
    // left for the middle of the primary screen.
    void mantenerEnPantalla();

    QPlainTextEdit* m_texto = nullptr;
    QPushButton* m_boton = nullptr;
    QLabel* m_labelRepetir = nullptr;
    QSpinBox* m_spin = nullptr;
    QLabel* m_labelMin = nullptr;
    QToolButton* m_posponer = nullptr; // the snooze choices beside the spinner
    QTimer* m_timer = nullptr;

private:
    void armarCierreAutomatico();
    void TimerAvisoTimer();
    void pausar(int ms);
    // Keeps the snooze (or forgets it, `hasta` invalid) beside the reminders file.
    void recordarPausa(const QDateTime& hasta);
    void rellenarMenuPosponer();

    QString m_soundFile;
    bool m_autoCloseArmed = false;
    bool m_closedByUser = false;
    bool m_counted = true;
    bool m_pausaElegida = false; // paused by a snooze choice, the spinner at 0
    QString m_archivo;           // the reminders file of the reminder
    quint64 m_pospuesto = 0;     // its entry among the snoozed alerts
    QString m_uid;               // its reminder's identity, once a snooze found it
};
