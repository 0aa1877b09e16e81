#include "qv/windows/TVAvisoEmail.h"

#include "core/TextCatalogue.h"
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
    m_ventana = VentanaLista::construir(this, "MemoEmail", QColor(251, 240, 204));
    m_info = m_ventana.info;
    m_memo = m_ventana.memo;
    m_cerrar = m_ventana.cerrar;
    m_timer = m_ventana.timer;
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
    m_ventana.mostrar(this, 6101, 6102, 6103, msPorMinuto);
    QDialog::showEvent(e);
}
