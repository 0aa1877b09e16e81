#include "qv/alerts/TVAvisoEx.h"

#include "platform/SettingsStore.h"
#include "qv/alerts/AlertPictures.h"
#include "qv/alerts/TTransImage.h"
#include "settings/Ajustes.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

TVAvisoEx::TVAvisoEx(int style) : AlertWindow(Qt::FramelessWindowHint | Qt::Window) {
    setObjectName("TVAvisoEx");
    setFixedSize(AlertPictures::kWidth, AlertPictures::kHeight);
    m_bitmap = new QLabel(this);
    m_bitmap->setObjectName("MsgBitmap");
    m_bitmap->setGeometry(rect());
    m_bitmap->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (style == 2) m_picture = AlertPictures::byName(QStringLiteral("BMP_DOGGY"));
    else if (style == 3) m_picture = AlertPictures::byName(QStringLiteral("BMP_BABE"));
    if (!m_picture.isNull()) {
        m_bitmap->setPixmap(QPixmap::fromImage(m_picture));
        setMask(TTransImage::regionFrom(m_picture, Qt::white));
    }
    const QString board = QStringLiteral("background: rgb(247,239,189);");
    m_texto = new QPlainTextEdit(this);
    m_texto->setObjectName("TextoAviso");
    m_texto->setGeometry(46, 143, 181, 81);
    m_texto->setReadOnly(true);
    m_texto->setFrameStyle(QFrame::NoFrame);
    m_texto->setStyleSheet(QStringLiteral("QPlainTextEdit { %1 }").arg(board));
    buildCommon(this, "EditRepetir");
    m_cerrar->setGeometry(44, 238, 45, 25);
    m_labelRepetir->setGeometry(96, 244, 85, 14);
    m_labelRepetir->setAttribute(Qt::WA_TranslucentBackground);
    QFont small = m_labelRepetir->font();
    small.setPixelSize(10);
    m_labelRepetir->setFont(small);
    m_labelMin->setFont(small);
    m_spinner->setGeometry(184, 241, 40, 20);
    QFont bold = m_spinner->font();
    bold.setBold(true);
    m_spinner->setFont(bold);
    m_spinner->setFrame(false);
    m_spinner->setStyleSheet(QStringLiteral("QSpinBox { %1 }").arg(board));
    m_spinner->findChild<QLineEdit*>()->setReadOnly(true);
    m_labelMin->setGeometry(206, 244, 30, 14);
    m_cerrar->setFocus();
}

QStringList TVAvisoEx::lineasTexto() const { return m_texto->toPlainText().split(QLatin1Char('\n')); }

void TVAvisoEx::restoreGeometryFromSettings() {
    try {
        move(Ajustes::msgWindowExPos());
    } catch (const SettingsError&) {
    }
}

void TVAvisoEx::saveGeometryToSettings() {
    try {
        Ajustes::setMsgWindowExPos(pos());
    } catch (const SettingsError&) {
    }
}

void TVAvisoEx::showEvent(QShowEvent* e) {
    AlertWindow::showEvent(e);
    assertTopMost(true); // placed on top and activated, as the style asks
}

// Dragging the picture moves the window (it has no caption bar).
void TVAvisoEx::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_dragOffset = e->globalPosition().toPoint() - frameGeometry().topLeft();
    QWidget::mousePressEvent(e);
}

void TVAvisoEx::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) move(e->globalPosition().toPoint() - m_dragOffset);
    QWidget::mouseMoveEvent(e);
}

bool MostrarAvisoEx(int indice, int style, const QString& caption, const QString& text, const QString& soundFile) {
    auto* w = new TVAvisoEx(style);
    w->setObjectName(QStringLiteral("VAvisoExActive_%1").arg(indice));
    w->setWindowTitle(caption);
    w->texto()->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    w->setSoundFile(soundFile);
    w->show();
    return true;
}
