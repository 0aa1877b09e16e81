#pragma once
// The mail alert window: shows the reminders other installations sent by
// e-mail, stays on top without taking the keyboard (a click in it gives it
// the focus), closes itself after the configured minutes, and offers to add
// the reminders it shows to the user's own.
#include "mailfiles/IncomingMail.h"
#include "qv/windows/VentanaLista.h"

#include <QDialog>
#include <QList>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class TVAvisoEmail : public QDialog {
    Q_OBJECT
public:
    explicit TVAvisoEmail(QWidget* parent = nullptr);

    QPlainTextEdit* memo() const { return m_memo; }
    // The button "BotonAnadirAvisos" shows when `avisos` is not empty; it hands
    // them to `anadir` once and is then disabled.
    void ofrecerAvisos(QList<mailfiles::AvisoRecibido> avisos,
                       std::function<void(const QList<mailfiles::AvisoRecibido>&)> anadir);
    QTimer* timerCerrar() const { return m_timer; }
    static inline int msPorMinuto = 60000;

signals:
    // Closed by the user (true) or by its own timer (false).
    void cerrada(bool porUsuario);

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_info;
    QPlainTextEdit* m_memo;
    QPushButton* m_cerrar;
    QPushButton* m_anadir;
    QList<mailfiles::AvisoRecibido> m_avisos;
    std::function<void(const QList<mailfiles::AvisoRecibido>&)> m_alAnadir;
    QTimer* m_timer;
    VentanaLista m_ventana{};
};
