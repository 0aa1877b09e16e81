#pragma once
// The picture alert window: no frame, shaped like its picture (the Doggy or
// Babe style), dragged by the picture, with the text, button and spinner drawn
// on the picture's board.
#include "qv/alerts/AlertWindow.h"

#include <QImage>

class QLabel;
class QPlainTextEdit;

class TVAvisoEx : public AlertWindow {
    Q_OBJECT
public:
    explicit TVAvisoEx(int style);
    QPlainTextEdit* texto() const { return m_texto; }
    QStringList lineasTexto() const override;
    const QImage& picture() const { return m_picture; }

protected:
    void restoreGeometryFromSettings() override;
    void saveGeometryToSettings() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QLabel* m_bitmap;
    QPlainTextEdit* m_texto;
    QImage m_picture;
    QPoint m_dragOffset;
};

// Opens one picture alert of `style` (2 Doggy, 3 Babe; any other gives a plain
// rectangular window without picture) for the reminder at position `indice`.
bool MostrarAvisoEx(int indice, int style, const QString& caption, const QString& text, const QString& soundFile);
