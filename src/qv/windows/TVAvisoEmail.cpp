#include "qv/windows/TVAvisoEmail.h"

#include "core/TextCatalogue.h"
#include "qv/ProgramHooks.h"
#include "qv/windows/VentanaLista.h"
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
    const VentanaLista v = VentanaLista::construir(this, "MemoEmail", QColor(251, 240, 204));
    m_info = v.info;
    m_memo = v.memo;
    m_cerrar = v.cerrar;
    m_timer = v.timer;
    m_info->setAlignment(Qt::AlignCenter);
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
