#include "qv/windows/TVAvisoEmail.h"

#include "core/TextCatalogue.h"
#include "qv/windows/VentanaLista.h"
#include "settings/Ajustes.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

TVAvisoEmail::TVAvisoEmail(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setObjectName("TVAvisoEmail");
    setAttribute(Qt::WA_DeleteOnClose);
    // Like every alert: on top, while the keyboard stays where the user types.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(350, 281);
    m_ventana = VentanaLista::construir(this, "MemoEmail", QColor(251, 240, 204));
    m_info = m_ventana.info;
    m_memo = m_ventana.memo;
    m_cerrar = m_ventana.cerrar;
    m_timer = m_ventana.timer;
    m_info->setAlignment(Qt::AlignCenter);
    m_anadir = new QPushButton(this);
    m_anadir->setObjectName("BotonAnadirAvisos");
    m_anadir->hide();
    static_cast<QVBoxLayout*>(layout())->insertWidget(2, m_anadir, 0, Qt::AlignHCenter);
    connect(m_anadir, &QPushButton::clicked, this, [this] {
        m_anadir->setEnabled(false); // each reminder is added once
        if (m_alAnadir) m_alAnadir(m_avisos);
    });
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

void TVAvisoEmail::ofrecerAvisos(QList<mailfiles::AvisoRecibido> avisos,
                                 std::function<void(const QList<mailfiles::AvisoRecibido>&)> anadir) {
    m_avisos = std::move(avisos);
    m_alAnadir = std::move(anadir);
    m_anadir->setVisible(!m_avisos.isEmpty());
}

void TVAvisoEmail::showEvent(QShowEvent* e) {
    m_anadir->setText(LeerTexto(20814));
    m_ventana.mostrar(this, 6101, 6102, 6103, msPorMinuto);
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    // Every showing leaves the keyboard where it is, even with window
    // managers that give each new window the focus; a click takes it.
    if (QWindow* w = windowHandle()) w->setFlag(Qt::WindowDoesNotAcceptFocus, true);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool TVAvisoEmail::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (QWindow* w = windowHandle(); w && (w->flags() & Qt::WindowDoesNotAcceptFocus)) {
            w->setFlag(Qt::WindowDoesNotAcceptFocus, false);
            activateWindow();
        }
    }
    return QDialog::eventFilter(watched, event);
}
