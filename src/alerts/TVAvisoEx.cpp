// The picture alert window: layout on the picture, shaping and dragging.
#include "alerts/TVAvisoEx.h"

#include "alerts/TTransImage.h"
#include "settings/Ajustes.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <exception>

namespace {
const QColor kNoteColour(247, 239, 189);
// The part of the pictures' note left for the description and the text, above
// the close button and the pause spinner.
const QRect kNota(46, 139, 181, 93);
} // namespace

TVAvisoEx::TVAvisoEx(QWidget* parent) : AlertWindowBase(Qt::Tool | Qt::FramelessWindowHint, parent) {
    setFixedSize(kWidth, kHeight);
    m_bitmap = new TTransImage(this);
    m_bitmap->setObjectName(QStringLiteral("MsgBitmap"));
    m_bitmap->setGeometry(0, 0, kWidth, kHeight);
    m_bitmap->installEventFilter(this);
    crearControles(this);

    QPalette note = palette();
    note.setColor(QPalette::Base, kNoteColour);
    note.setColor(QPalette::Text, QColor(0, 0, 128));
    m_descripcion = new QLabel(this);
    m_descripcion->setObjectName(QStringLiteral("LabelDescripcion"));
    m_descripcion->setAutoFillBackground(true);
    m_descripcion->setPalette(note);
    m_descripcion->setBackgroundRole(QPalette::Base); // the note's colour, as the text's
    m_descripcion->setTextFormat(Qt::PlainText);
    m_descripcion->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_descripcion->setWordWrap(true);
    QFont heading = m_descripcion->font();
    heading.setBold(true);
    m_descripcion->setFont(heading);
    m_descripcion->setForegroundRole(QPalette::Text);
    m_texto->setFrameShape(QFrame::NoFrame);
    m_texto->setPalette(note);
    m_boton->setGeometry(44, 238, 45, 25);
    m_posponer->setGeometry(232, 212, 22, 22); // on the note, right of its text
    m_boton->setFocus();
    m_labelRepetir->setGeometry(96, 244, 85, 14);
    m_labelRepetir->setAttribute(Qt::WA_TranslucentBackground);
    m_spin->setGeometry(184, 241, 38, 20);
    // The note's colours go to the spinner's edit, never to the spinner: the style
    // caches a spinner's drawing under its palette, and a palette of each alert's
    // own left a few kilobytes in that cache for every picture alert shown. Without
    // a frame the spinner paints only its arrows, so the look is the same.
    if (auto* edit = m_spin->findChild<QLineEdit*>()) {
        edit->setObjectName(QStringLiteral("EditRepetir"));
        edit->setPalette(note);
    }
    QFont bold = m_spin->font();
    bold.setBold(true);
    m_spin->setFont(bold);
    m_spin->setFrame(false);
    m_labelMin->setGeometry(224, 244, 30, 14);
    // Both labels stand on the note, not on the window: its text colour, not the theme's.
    QPalette onNote = palette();
    onNote.setColor(QPalette::WindowText, note.color(QPalette::Text));
    m_labelRepetir->setPalette(onNote);
    m_labelMin->setPalette(onNote);
    // The spinner's arrows stand on the note as well. Light arrows (a dark theme)
    // would vanish there, so only then does the spinner get a palette of its own;
    // what the style caches for it stays within the pixmap cache's limit.
    if (m_spin->palette().color(QPalette::ButtonText).lightness() > 128) {
        QPalette arrows = m_spin->palette();
        arrows.setColor(QPalette::ButtonText, note.color(QPalette::Text));
        arrows.setColor(QPalette::WindowText, note.color(QPalette::Text));
        m_spin->setPalette(arrows);
    }
    QFont small = m_labelRepetir->font();
    small.setPixelSize(10);
    m_labelRepetir->setFont(small);
    m_labelMin->setFont(small);
    m_boton->setFont(small);
}

QImage TVAvisoEx::imagenEstilo(int style) {
    if (style == 2) return QImage(QStringLiteral(":/orb_alerts/BMP_DOGGY.bmp"));
    if (style == 3) return QImage(QStringLiteral(":/orb_alerts/BMP_BABE.bmp"));
    return {};
}

void TVAvisoEx::setEstilo(int style) {
    const QImage picture = imagenEstilo(style);
    if (picture.isNull()) {
        m_bitmap->hide();
        return;
    }
    m_bitmap->setPicture(picture);
    m_bitmap->setTransparentColor(Qt::white);
    m_bitmap->setTransparent(true);
    m_bitmap->show();
    m_bitmap->lower();
    m_bitmap->conformarVentana();
}

void TVAvisoEx::restaurarPosicion() {
    try {
        move(Ajustes::msgWindowExPos());
    } catch (const std::exception&) {
        // No saved place: the window stays where the window manager put it.
    }
}

void TVAvisoEx::guardarPosicion() {
    try {
        Ajustes::setMsgWindowExPos(pos());
    } catch (const std::exception&) {
        qWarning("Cannot save the picture alert's place");
    }
}

void TVAvisoEx::aplicarDisposicion() {
    // The description heads the note, on as many lines as it needs (a 30-letter
    // description takes two in large fonts); the text fills the rest of the note
    // down to the buttons. Everything stays on the note's opaque pixels, which
    // are the only part of the shaped window that shows.
    m_descripcion->setText(windowTitle());
    const int alto = m_descripcion->heightForWidth(kNota.width());
    m_descripcion->setGeometry(kNota.left(), kNota.top(), kNota.width(), alto);
    const int arriba = kNota.top() + alto + 2;
    m_texto->setGeometry(kNota.left(), arriba, kNota.width(), kNota.bottom() + 1 - arriba);
}

void TVAvisoEx::showEvent(QShowEvent* event) {
    AlertWindowBase::showEvent(event);
    if (event->spontaneous()) return;
    raise(); // on top, without taking the keyboard
}

bool TVAvisoEx::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_bitmap) return AlertWindowBase::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) aceptarFoco();
    // No caption bar: the picture itself moves the window.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) break;
        m_dragging = true;
        m_dragOffset = mouse->globalPosition().toPoint() - pos();
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_dragging && (mouse->buttons() & Qt::LeftButton)) {
            move(mouse->globalPosition().toPoint() - m_dragOffset);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
    default:
        break;
    }
    return AlertWindowBase::eventFilter(watched, event);
}

namespace {
TVAvisoEx* crearAvisoEx(quint16 index, quint8 style, const QString& caption, const QString& text,
                        const QString& soundFile) {
    auto* window = new TVAvisoEx;
    window->setObjectName(QStringLiteral("VAvisoExActive_") + QString::number(index));
    window->setEstilo(style);
    window->setContenido(caption, text, soundFile);
    return window;
}
} // namespace

AlertWindowBase* MostrarAvisoEx(quint16 index, quint8 style, const QString& caption, const QString& text,
                                const QString& soundFile, const QString& archivo) {
    TVAvisoEx* window = nullptr;
    try {
        window = crearAvisoEx(index, style, caption, text, soundFile);
        window->setArchivo(archivo);
        window->show();
        return window;
    } catch (const std::exception&) {
        delete window;
        return nullptr;
    }
}

bool ReanudarAvisoEx(quint16 index, quint8 style, const AvisosPospuestos::Pospuesto& p) {
    TVAvisoEx* window = nullptr;
    try {
        window = crearAvisoEx(index, style, p.caption, p.text, p.sound);
        window->setArchivo(p.archivo);
        window->reanudarPausa(p.hasta, p.uid);
        return true;
    } catch (const std::exception&) {
        delete window;
        return false;
    }
}
