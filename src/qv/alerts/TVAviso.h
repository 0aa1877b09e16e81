#pragma once
// The classic alert window: a tool window with the reminder's text in large
// navy letters on light yellow, the close button and the pause spinner.
#include "qv/alerts/AlertWindow.h"

class QFrame;
class QPlainTextEdit;

class TVAviso : public AlertWindow {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 280;
    static constexpr int kMinHeight = 120;

    TVAviso();
    QPlainTextEdit* texto() const { return m_texto; }
    QStringList lineasTexto() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void restoreGeometryFromSettings() override;
    void saveGeometryToSettings() override;

private:
    void layoutControls();
    QFrame* m_panel;
    QPlainTextEdit* m_texto;
};

// Opens one classic alert for the reminder at file position `indice` (0-based).
// False (and no window) when the window could not be made.
bool MostrarAviso(int indice, const QString& caption, const QString& text, const QString& soundFile);
