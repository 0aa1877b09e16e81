// The classic alert window and its layout rule.
#include "alerts/TVAviso.h"

#include "settings/Ajustes.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <exception>

TVAviso::TVAviso(QWidget* parent)
    : AlertWindowBase(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint, parent) {
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("PanelBase"));
    m_panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_panel->setLineWidth(1);
    crearControles(m_panel);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(13);
    m_texto->setFont(font);
    QPalette palette = m_texto->palette();
    palette.setColor(QPalette::Base, QColor(251, 242, 204));
    palette.setColor(QPalette::Text, QColor(0, 0, 128));
    m_texto->setPalette(palette);
    m_boton->resize(75, 25);
    m_labelRepetir->resize(140, 16);
    m_spin->resize(36, 21);
    m_labelMin->resize(28, 16);
    setMinimumSize(kMinWidth, kMinHeight);
    resize(295, 210);
}

void TVAviso::aplicarDisposicion() {
    if (!m_panel) return;
    m_panel->setGeometry(rect());
    const int w = m_panel->width();
    const int h = m_panel->height();
    const int border = 5;
    m_texto->setGeometry(border, border, w - 2 * border, h - 48);
    m_boton->move(8, h - 33);
    m_posponer->setGeometry(86, h - 33, 22, 25);
    m_labelRepetir->setGeometry(w - 211, h - 28, 140, 16);
    m_labelMin->move(w - 30, h - 28);
    // The spinner holds its own edit: it takes the edit's place and the arrows beside it.
    m_spin->move(w - 67, h - 30);
}

void TVAviso::resizeEvent(QResizeEvent* event) {
    if (width() < kMinWidth || height() < kMinHeight) {
        resize(qMax(width(), kMinWidth), qMax(height(), kMinHeight));
        return;
    }
    AlertWindowBase::resizeEvent(event);
    aplicarDisposicion();
}

void TVAviso::restaurarPosicion() {
    try {
        const QRect saved = Ajustes::msgWindowPos();
        move(saved.topLeft());
        resize(qMax(saved.width(), kMinWidth), qMax(saved.height(), kMinHeight));
    } catch (const std::exception&) {
        // No saved place: the window stays where the window manager put it.
    }
}

void TVAviso::guardarPosicion() {
    try {
        Ajustes::setMsgWindowPos(QRect(pos(), size()));
    } catch (const std::exception&) {
        qWarning("Cannot save the alert window's place");
    }
}

bool TVAviso::event(QEvent* event) {
    // Losing focus: stay above other windows without taking the focus back.
    if (event->type() == QEvent::WindowDeactivate && isVisible()) raise();
    return AlertWindowBase::event(event);
}

namespace {
TVAviso* crearAviso(quint16 index, const QString& caption, const QString& text, const QString& soundFile) {
    auto* window = new TVAviso;
    window->setObjectName(QStringLiteral("VAvisoActive_") + QString::number(index));
    window->setContenido(caption, text, soundFile);
    return window;
}
} // namespace

AlertWindowBase* MostrarAviso(quint16 index, const QString& caption, const QString& text,
                              const QString& soundFile, const QString& archivo) {
    TVAviso* window = nullptr;
    try {
        window = crearAviso(index, caption, text, soundFile);
        window->setArchivo(archivo);
        window->show();
        return window;
    } catch (const std::exception&) {
        delete window;
        return nullptr;
    }
}

bool ReanudarAviso(quint16 index, const AvisosPospuestos::Pospuesto& p) {
    TVAviso* window = nullptr;
    try {
        window = crearAviso(index, p.caption, p.text, p.sound);
        window->setArchivo(p.archivo);
        window->reanudarPausa(p.hasta, p.uid);
        return true;
    } catch (const std::exception&) {
        delete window;
        return false;
    }
}
