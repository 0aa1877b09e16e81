#pragma once
// A picture control that can shape the window holding it: pixels of the transparent
// colour are cut out of the window, so clicks on them reach what lies beneath.
#include <QColor>
#include <QImage>
#include <QRegion>
#include <QWidget>

class TTransImage : public QWidget {
    Q_OBJECT
public:
    // Rectangles gathered before they are merged into the region built so far.
    static constexpr int kRectsPerBatch = 2000;

    explicit TTransImage(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    void setTransparentColor(const QColor& color) { m_transparentColor = color; }
    QColor transparentColor() const { return m_transparentColor; }
    void setTransparent(bool on);
    bool transparent() const { return m_transparent; }
    // When set, shaping also sizes this control and its window to the picture.
    void setAdjustFormSize(bool on) { m_adjustFormSize = on; }
    bool adjustFormSize() const { return m_adjustFormSize; }

    // Shapes the top-level window from the picture; nothing happens without a picture.
    void conformarVentana();

    // The pixels of `picture` whose red, green and blue differ from `transparent`,
    // in rectangles one pixel high, one per run of such pixels in a row.
    static QRegion regionOpaca(const QImage& picture, QColor transparent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    QColor m_transparentColor = Qt::white;
    bool m_transparent = false;
    bool m_adjustFormSize = false;
};
