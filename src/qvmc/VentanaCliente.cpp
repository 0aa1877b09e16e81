#include "qvmc/VentanaCliente.h"

#include "mailfiles/SessionLog.h"
#include "qvmc/SesionCorreo.h"
#include "qvmc/TrayFrames.h"
#include "tray/TSystemTrayIcon.h"
#include "ui/HelpPages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

namespace qvmc {

TVPrincipal::TVPrincipal(SesionCorreo* session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint), m_session(session) {
    setObjectName("TVPrincipal");
    setWindowTitle(QStringLiteral("Norvo Orbalinder Mail Client 1.0"));
    setFixedSize(360, 121);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(180, 60));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName("MemoLog");
    m_memo->setReadOnly(true);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setStyleSheet("QPlainTextEdit { background: rgb(251,248,213); }");
    m_memo->setContextMenuPolicy(Qt::CustomContextMenu);
    m_memo->setAccessibleName(QStringLiteral("Mail session"));
    m_memo->setAccessibleDescription(QStringLiteral("The steps of this mail session"));
    layout->addWidget(m_memo);

    m_popup = new QMenu(this);
    m_popup->setObjectName("PopupMailClient");
    m_minimizar = m_popup->addAction(QStringLiteral("&Minimize"));
    m_minimizar->setObjectName("MPMinimizar");
    m_minimizar->setEnabled(false);
    m_salir = m_popup->addAction(QStringLiteral("&Close"));
    m_salir->setObjectName("MPSalir");
    m_salir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
    addAction(m_salir);
    connect(m_memo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_popup->popup(m_memo->mapToGlobal(p)); });
    connect(m_minimizar, &QAction::triggered, this, [this] {
        showMinimized();
        m_minimizar->setEnabled(false);
    });
    connect(m_salir, &QAction::triggered, this, [this] { m_session->finish(); });

    m_tray = new TSystemTrayIcon(this);
    m_tray->setObjectName("MailClientTray");
    m_tray->setHint(QStringLiteral("Orbalinder Email Client"));
    m_tray->setShowHint(true);
    m_tray->setUserID(1);
    m_tray->setShowAppIcon(false);
    m_tray->setShowMainForm(false);
    m_tray->setRestoreOnClick(true);
    m_tray->setPopupMenu(m_popup);
    m_tray->setAnimImageList(TrayFrames::frames());
    m_tray->setIcon(TrayFrames::frames().first());
    m_tray->setAnimInterval(150);
    m_tray->setAnimPingPong(false);
    m_tray->setAnimate(true);
    m_tray->setVisible(true);
    connect(m_tray, &TSystemTrayIcon::OnLeftClick, this, [this] { m_minimizar->setEnabled(true); });
    connect(m_session, &SesionCorreo::finalizada, this, &QWidget::close);

    m_lote = new QTimer(this);
    m_lote->setSingleShot(true);
    m_lote->setInterval(100);
    connect(m_lote, &QTimer::timeout, this, &TVPrincipal::volcarLineas);
    HelpPages::setTopic(this, QStringLiteral("QVH_ClienteCorreo"));
    HelpPages::installF1(this);
}

void TVPrincipal::mostrarLinea(const QString& line) {
    m_ultimas.append(line);
    if (m_ultimas.size() > mailfiles::kMaxLineasMemoLog) m_ultimas.removeFirst();
    if (!vistaVisible()) {
        m_vistaAlDia = false; // filled in full when shown
        return;
    }
    m_pendientes.append(line);
    if (!m_lote->isActive()) m_lote->start();
}

bool TVPrincipal::vistaVisible() const {
    return isVisible() && !isMinimized();
}

void TVPrincipal::volcarLineas() {
    m_lote->stop();
    if (!vistaVisible()) {
        m_vistaAlDia = false;
        m_pendientes.clear();
        return;
    }
    if (!m_vistaAlDia || m_pendientes.size() >= mailfiles::kMaxLineasMemoLog) {
        m_memo->setPlainText(m_ultimas.join(u'\n'));
    } else if (!m_pendientes.isEmpty()) {
        m_memo->appendPlainText(m_pendientes.join(u'\n'));
        const int extra = m_memo->document()->blockCount() - mailfiles::kMaxLineasMemoLog;
        if (extra > 0) {
            QTextCursor c(m_memo->document()->firstBlock());
            c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, extra);
            c.removeSelectedText();
        }
    }
    m_pendientes.clear();
    m_vistaAlDia = true;
    m_memo->verticalScrollBar()->setValue(m_memo->verticalScrollBar()->maximum());
}

void TVPrincipal::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    volcarLineas();
}

void TVPrincipal::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && vistaVisible()) volcarLineas();
}

void TVPrincipal::closeEvent(QCloseEvent* e) {
    m_tray->setAnimate(false);
    m_tray->setVisible(false);
    e->accept();
    QApplication::quit();
}

} // namespace qvmc
