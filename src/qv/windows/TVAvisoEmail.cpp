#include "qv/windows/TVAvisoEmail.h"

#include "core/TextCatalogue.h"
#include "qv/ProgramHooks.h"
#include "settings/Ajustes.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

TVAvisoEmail::TVAvisoEmail(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("TVAvisoEmail");
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(350, 281);
    auto* layout = new QVBoxLayout(this);
    m_info = new QLabel(this);
    m_info->setObjectName("LabelInfo");
    m_info->setAlignment(Qt::AlignCenter);
    m_info->setWordWrap(true);
    m_info->setFixedHeight(32);
    m_info->setStyleSheet("color: navy;");
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName("MemoEmail");
    m_memo->setReadOnly(true);
    m_memo->setFocusPolicy(Qt::NoFocus);
    m_memo->viewport()->setCursor(Qt::ArrowCursor);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setStyleSheet("QPlainTextEdit { background: rgb(251,240,204); }");
    m_cerrar = new QPushButton(this);
    m_cerrar->setObjectName("BotonCerrar");
    layout->addWidget(m_info);
    layout->addWidget(m_memo, 1);
    layout->addWidget(m_cerrar, 0, Qt::AlignHCenter);
    m_timer = new QTimer(this);
    m_timer->setObjectName("TimerCerrar");
    m_timer->setSingleShot(true);
    connect(m_cerrar, &QPushButton::clicked, this, [this] {
        m_timer->stop();
        emit cerrada(true);
        close();
    });
    connect(m_timer, &QTimer::timeout, this, [this] {
        emit cerrada(false);
        close();
    });
}

void TVAvisoEmail::showEvent(QShowEvent* e) {
    setWindowTitle(LeerTexto(6101));
    m_info->setText(LeerTexto(6102));
    m_cerrar->setText(LeerTexto(6103));
    const int minutes = Ajustes::closeMsgs();
    if (minutes > 0) {
        m_timer->setInterval(minutes * msPorMinuto);
        m_timer->start();
    }
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    ProgramHooks::sonidoIncorporado();
    QDialog::showEvent(e);
}
