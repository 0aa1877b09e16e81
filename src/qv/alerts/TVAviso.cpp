#include "qv/alerts/TVAviso.h"

#include "settings/Ajustes.h"
#include "platform/SettingsStore.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QSpinBox>
#include <QTextBlock>

TVAviso::TVAviso() : AlertWindow(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("TVAviso");
    setMinimumSize(kMinWidth, kMinHeight);
    resize(295, 210);
    m_panel = new QFrame(this);
    m_panel->setObjectName("PanelBase");
    m_panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_panel->setLineWidth(1);
    m_texto = new QPlainTextEdit(m_panel);
    m_texto->setObjectName("TextoAviso");
    m_texto->setReadOnly(true);
    m_texto->setFocusPolicy(Qt::NoFocus);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(13);
    m_texto->setFont(f);
    m_texto->setStyleSheet(QStringLiteral("QPlainTextEdit { color: navy; background: rgb(251,242,204); }"));
    buildCommon(m_panel, "SelectorMinutos");
    layoutControls();
}

QStringList TVAviso::lineasTexto() const { return m_texto->toPlainText().split(QLatin1Char('\n')); }

void TVAviso::layoutControls() {
    m_panel->setGeometry(rect());
    const int w = m_panel->width(), h = m_panel->height();
    const int border = 5;
    m_texto->setGeometry(border, border, w - 2 * border, h - 48);
    m_cerrar->setGeometry(8, h - 33, 75, 25);
    m_labelRepetir->setGeometry(w - 211, h - 28, 140, 16);
    m_spinner->setGeometry(w - 67, h - 30, 36, 21);
    m_labelMin->setGeometry(w - 30, h - 28, 28, 16);
    // Keep the text centred, as the design shows it.
    QTextOption opt = m_texto->document()->defaultTextOption();
    opt.setAlignment(Qt::AlignHCenter);
    m_texto->document()->setDefaultTextOption(opt);
}

void TVAviso::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    layoutControls();
}

void TVAviso::restoreGeometryFromSettings() {
    try {
        const QRect g = Ajustes::msgWindowPos();
        move(g.topLeft());
        if (g.width() > 0 && g.height() > 0) resize(g.size());
    } catch (const SettingsError&) {
        // No saved geometry: the window keeps its designed size where it is.
    }
}

void TVAviso::saveGeometryToSettings() {
    try {
        Ajustes::setMsgWindowPos(QRect(pos(), size()));
    } catch (const SettingsError&) {
    }
}

bool MostrarAviso(int indice, const QString& caption, const QString& text, const QString& soundFile) {
    auto* w = new TVAviso;
    w->setObjectName(QStringLiteral("VAvisoActive_%1").arg(indice));
    w->setWindowTitle(caption);
    w->texto()->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    w->setSoundFile(soundFile);
    w->show();
    return true;
}
