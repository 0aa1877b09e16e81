#pragma once
// What the classic and the picture alert windows share: the pause spinner,
// the timer that closes an unattended alert or ends a pause, the close
// handling, the sound, the shared count of open alerts and the log entry.
#include <QPointer>
#include <QWidget>

class QPushButton;
class QSpinBox;
class QTimer;

// What an alert needs from the program around it (the main window).
class AlertHost {
public:
    virtual ~AlertHost() = default;
    virtual void mostrarFlagAviso(bool visible) = 0;
    virtual void minimizarAplicacion() = 0;
    virtual void restaurarAplicacion() = 0;
};

class AlertWindow : public QWidget {
    Q_OBJECT
public:
    // Alert windows that exist, shown or paused.
    static int AvisosAbiertos();
    static void resetAvisosAbiertos();
    static void setHost(AlertHost* host);
    // Milliseconds per minute of CloseMsgs and of the pause (shorter in tests).
    static inline int msPorMinuto = 60000;

    void setSoundFile(const QString& path) { m_soundFile = path; }
    const QString& soundFile() const { return m_soundFile; }
    bool autoCloseArmed() const { return m_autoCloseArmed; }
    QTimer* timerAviso() const { return m_timer; }
    QSpinBox* spinner() const { return m_spinner; }
    QPushButton* botonCerrar() const { return m_cerrar; }
    // The alert's text, line by line (what the log keeps).
    virtual QStringList lineasTexto() const = 0;

protected:
    AlertWindow(Qt::WindowFlags flags);
    ~AlertWindow() override;

    // Builds the shared controls; subclasses place them.
    void buildCommon(QWidget* parent, const char* editName);
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    virtual void restoreGeometryFromSettings() = 0;
    virtual void saveGeometryToSettings() = 0;
    virtual void assertTopMost(bool activate);

    QPushButton* m_cerrar = nullptr;
    QSpinBox* m_spinner = nullptr;
    QTimer* m_timer = nullptr;
    class QLabel* m_labelRepetir = nullptr;
    class QLabel* m_labelMin = nullptr;

private:
    void armFromSettings();
    void BotonCerrarClick();
    void TimerAvisoTimer();

    QString m_soundFile;
    bool m_autoCloseArmed = false;
    bool m_closedByUser = false;
};
