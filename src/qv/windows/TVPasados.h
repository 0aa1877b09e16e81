#pragma once
// The window that lists reminders whose moment went by unseen: at start for
// the time the program was off, and during a run for minutes no pass saw
// (the machine slept, the clock jumped). It closes itself after the
// configured minutes.
#include "qv/windows/VentanaLista.h"

#include <QDialog>
#include <QList>
#include <QPointer>

class AlertWindowBase;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class TVPasados : public QDialog {
    Q_OBJECT
public:
    explicit TVPasados(QWidget* parent = nullptr);

    // Adds the four lines of one missed reminder.
    void agregar(const QString& descripcion, const QDate& fecha, const QTime& hora, const QString& texto);
    // The alert opened for the reminder just added (null: none was opened).
    // The window's buttons dismiss, or snooze for kMinutosPosponer, every such
    // alert still open, then close the window.
    void agregarAlerta(AlertWindowBase* alerta);
    static constexpr int kMinutosPosponer = 5;
    void descartarTodos();
    void posponerTodos();
    int cantidad() const { return m_count; }
    QString contenido() const;

    // Show handling: captions, the closing timer from CloseMsgs, the built-in sound.
    void prepararMuestra();
    QTimer* timerCerrar() const { return m_timer; }

    // Milliseconds per minute of CloseMsgs (shorter in tests).
    static inline int msPorMinuto = 60000;

private:
    QLabel* m_info;
    QPlainTextEdit* m_memo;
    QPushButton* m_cerrar;
    QTimer* m_timer;
    QPushButton* m_descartar;
    QPushButton* m_posponer;
    QList<QPointer<AlertWindowBase>> m_alertas;
    VentanaLista m_ventana{};
    int m_count = 0;
};
