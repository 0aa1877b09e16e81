#pragma once
// The picture alert window: frameless, shaped like its picture (style 2 a dog,
// style 3 a baby), dragged by the picture; otherwise it behaves as the classic alert.
#include "alerts/AlertWindowBase.h"
#include "alerts/AvisosPospuestos.h"

#include <QImage>

class QLabel;
class TTransImage;

class TVAvisoEx : public AlertWindowBase {
    Q_OBJECT
public:
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 285;

    explicit TVAvisoEx(QWidget* parent = nullptr);

    // Loads the picture of `style` and shapes the window; other styles leave it plain.
    void setEstilo(int style);
    TTransImage* msgBitmap() const { return m_bitmap; }

    // The built-in picture of a style ("BMP_DOGGY" for 2, "BMP_BABE" for 3), null otherwise.
    static QImage imagenEstilo(int style);

protected:
    void restaurarPosicion() override;
    void guardarPosicion() override;
    void aplicarDisposicion() override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TTransImage* m_bitmap = nullptr;
    QLabel* m_descripcion = nullptr; // the reminder's description over its text
    QPoint m_dragOffset;
    bool m_dragging = false;
};

// Opens one picture alert of `style` for the reminder at 0-based `index`; the
// window, or null when it cannot be made.
// `archivo`: the reminders file of the reminder (empty: the open one).
AlertWindowBase* MostrarAvisoEx(quint16 index, quint8 style, const QString& caption, const QString& text,
                                const QString& soundFile, const QString& archivo = {});
// A picture alert snoozed by a previous run: hidden until its moment (at once when it passed).
bool ReanudarAvisoEx(quint16 index, quint8 style, const AvisosPospuestos::Pospuesto& p);
