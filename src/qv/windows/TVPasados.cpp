#include "qv/windows/TVPasados.h"

#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "qv/ProgramHooks.h"
#include "settings/Ajustes.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

TVPasados::TVPasados(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("TVPasados");
    resize(350, 281);
    auto* layout = new QVBoxLayout(this);
    m_info = new QLabel(this);
    m_info->setObjectName("LabelInfo");
    m_info->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_info->setWordWrap(true);
    m_info->setFixedHeight(32);
    m_info->setStyleSheet("color: navy;");
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName("MemoPasados");
    m_memo->setReadOnly(true);
    m_memo->setFocusPolicy(Qt::NoFocus);
    m_memo->viewport()->setCursor(Qt::ArrowCursor);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setStyleSheet("QPlainTextEdit { background: rgb(251,242,204); }");
    m_cerrar = new QPushButton(this);
    m_cerrar->setObjectName("BotonCerrar");
    layout->addWidget(m_info);
    layout->addWidget(m_memo, 1);
    layout->addWidget(m_cerrar, 0, Qt::AlignHCenter);
    m_timer = new QTimer(this);
    m_timer->setObjectName("TimerCerrar");
    m_timer->setSingleShot(true);
    connect(m_cerrar, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_timer, &QTimer::timeout, this, &QDialog::reject);
}

void TVPasados::agregar(const QString& descripcion, const QDate& fecha, const QTime& hora, const QString& texto) {
    ++m_count;
    m_memo->appendPlainText(LeerTexto(4003) + descripcion + LeerTexto(4004) + DisplayFormats::shortDate(fecha) +
                            LeerTexto(4004) + DisplayFormats::longTime(hora));
    m_memo->appendPlainText(LeerTexto(4006) + texto);
    m_memo->appendPlainText(LeerTexto(4007));
    m_memo->appendPlainText(QString());
    m_memo->repaint();
}

QString TVPasados::contenido() const { return m_memo->toPlainText(); }

void TVPasados::prepararMuestra() {
    setWindowTitle(LeerTexto(4001));
    m_info->setText(LeerTexto(4002));
    m_cerrar->setText(LeerTexto(4008));
    const int minutes = Ajustes::closeMsgs();
    if (minutes > 0) {
        m_timer->setInterval(minutes * msPorMinuto);
        m_timer->start();
    }
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    ProgramHooks::sonidoIncorporado();
}
