#include "qv/TVAcercade.h"

#include "core/TextCatalogue.h"
#include "qv/Icons.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QPixmap banner() {
    QPixmap pm(360, 180);
    pm.fill(QColor(0, 64, 128));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(24, 40, Icons::pixmap("ICN_ACTIVADO", 96));
    p.setPen(Qt::white);
    QFont f("Arial", 22, QFont::Bold);
    p.setFont(f);
    p.drawText(QRect(130, 50, 220, 40), Qt::AlignLeft | Qt::AlignVCenter, "Orbalinder");
    f.setPointSize(11);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(132, 92, 220, 24), Qt::AlignLeft | Qt::AlignVCenter, "Norvo Orbalinder 2.0");
    p.drawText(QRect(132, 116, 220, 24), Qt::AlignLeft | Qt::AlignVCenter, LeerTexto(20302));
    return pm;
}
} // namespace

TVAcercade::TVAcercade(Modo modo, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Dialog) {
    setObjectName("TVAcercade");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    m_picture = new QLabel(this);
    m_picture->setObjectName("ImagenAcercade");
    m_picture->setPixmap(banner());
    layout->addWidget(m_picture);

    m_web = new QLabel(this);
    m_web->setObjectName("LabelWeb");
    m_web->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(webAddress));
    m_web->setAlignment(Qt::AlignCenter);
    m_web->setCursor(Qt::PointingHandCursor);
    connect(m_web, &QLabel::linkActivated, this,
            [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    layout->addWidget(m_web);

    m_close = new QPushButton(this);
    m_close->setObjectName("BotonCerrar");
    m_close->setIcon(Icons::byName("ICN_EXEC"));
    m_close->setFlat(true);
    m_close->setToolTip(LeerTexto(20353));
    m_close->setAccessibleName(LeerTexto(20353));
    m_close->setAccessibleDescription(LeerTexto(20353));
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(m_close, 0, Qt::AlignHCenter);

    if (modo == Modo::Splash) {
        m_close->hide();
        QTimer::singleShot(splashMilliseconds, this, &QDialog::accept);
    }
}
