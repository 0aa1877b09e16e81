#pragma once
// The layout the missed-reminders and the mail alert windows share: a navy
// explanation across the top, a read-only list on light yellow, a close button
// and the timer that closes the window by itself.
#include <QColor>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QWidget;

struct VentanaLista {
    QLabel* info;
    QPlainTextEdit* memo;
    QPushButton* cerrar;
    QTimer* timer;
    // Builds the controls on `window`; `memoName` is the list's object name.
    static VentanaLista construir(QWidget* window, const char* memoName, QColor fondo);
    // Show handling: the caption and the two texts by number, the closing timer
    // from CloseMsgs, the window centred, the built-in sound of the alert style.
    void mostrar(QWidget* window, int caption, int infoText, int closeText, int msPorMinuto) const;
};
