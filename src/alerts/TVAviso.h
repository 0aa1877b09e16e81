#pragma once
// The classic alert window: a small always-on-top tool window with the reminder's
// text, the close button and the pause spinner.
#include "alerts/AlertWindowBase.h"
#include "alerts/AvisosPospuestos.h"

class QFrame;

class TVAviso : public AlertWindowBase {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 280;
    static constexpr int kMinHeight = 120;

    explicit TVAviso(QWidget* parent = nullptr);

protected:
    void restaurarPosicion() override;
    void guardarPosicion() override;
    void aplicarDisposicion() override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    QFrame* m_panel = nullptr;
};

// Opens one classic alert for the reminder at 0-based `index`; the window (it
// frees itself when closed), or null when it cannot be made.
// `archivo`: the reminders file of the reminder (empty: the open one).
AlertWindowBase* MostrarAviso(quint16 index, const QString& caption, const QString& text,
                              const QString& soundFile, const QString& archivo = {});
// A classic alert snoozed by a previous run: hidden until its moment (at once when it passed).
bool ReanudarAviso(quint16 index, const AvisosPospuestos::Pospuesto& p);
