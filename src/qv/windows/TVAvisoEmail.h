#pragma once
// The mail alert window: shows the reminders other installations sent by
// e-mail, stays on top and closes itself after the configured minutes.
#include "qv/windows/VentanaLista.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class TVAvisoEmail : public QDialog {
    Q_OBJECT
public:
    explicit TVAvisoEmail(QWidget* parent = nullptr);

    QPlainTextEdit* memo() const { return m_memo; }
    QTimer* timerCerrar() const { return m_timer; }
    static inline int msPorMinuto = 60000;

signals:
    // Closed by the user (true) or by its own timer (false).
    void cerrada(bool porUsuario);

protected:
    void showEvent(QShowEvent* e) override;

private:
    QLabel* m_info;
    QPlainTextEdit* m_memo;
    QPushButton* m_cerrar;
    QTimer* m_timer;
    VentanaLista m_ventana{};
};
