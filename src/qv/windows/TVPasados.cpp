#include "qv/windows/TVPasados.h"

#include "alerts/AlertWindowBase.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "qv/windows/VentanaLista.h"
#include "settings/Ajustes.h"

#include <QHBoxLayout>
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
    m_ventana = VentanaLista::construir(this, "MemoPasados", QColor(251, 242, 204));
    m_info = m_ventana.info;
    m_memo = m_ventana.memo;
    m_cerrar = m_ventana.cerrar;
    m_timer = m_ventana.timer;
    // Above the close button: act on every alert of the missed reminders.
    auto* fila = new QHBoxLayout;
    m_descartar = new QPushButton(this);
    m_descartar->setObjectName("BotonDescartarTodos");
    m_posponer = new QPushButton(this);
    m_posponer->setObjectName("BotonPosponerTodos");
    fila->addWidget(m_descartar);
    fila->addWidget(m_posponer);
    static_cast<QVBoxLayout*>(layout())->insertLayout(2, fila);
    m_descartar->hide();
    m_posponer->hide();
    connect(m_descartar, &QPushButton::clicked, this, &TVPasados::descartarTodos);
    connect(m_posponer, &QPushButton::clicked, this, &TVPasados::posponerTodos);
    connect(m_cerrar, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_timer, &QTimer::timeout, this, &QDialog::reject);
}

void TVPasados::agregar(const QString& descripcion, const QDate& fecha, const QTime& hora,
                        const QString& texto) {
    ++m_count;
    m_memo->appendPlainText(LeerTexto(4003) + descripcion + LeerTexto(4004) +
                            DisplayFormats::listDate(fecha) + LeerTexto(4004) +
                            DisplayFormats::listTime(hora));
    m_memo->appendPlainText(LeerTexto(4006) + texto);
    m_memo->appendPlainText(LeerTexto(4007));
    m_memo->appendPlainText(QString());
    m_memo->repaint();
}

QString TVPasados::contenido() const {
    return m_memo->toPlainText();
}

void TVPasados::agregarAlerta(AlertWindowBase* alerta) {
    if (!alerta) return;
    m_alertas << alerta;
    m_descartar->show();
    m_posponer->show();
}

void TVPasados::descartarTodos() {
    for (const QPointer<AlertWindowBase>& a : std::as_const(m_alertas))
        if (a && a->isVisible()) a->posponer(0);
    reject();
}

void TVPasados::posponerTodos() {
    for (const QPointer<AlertWindowBase>& a : std::as_const(m_alertas))
        if (a && a->isVisible()) a->posponer(kMinutosPosponer);
    reject();
}

void TVPasados::prepararMuestra() {
    m_descartar->setText(LeerTexto(20804));
    m_posponer->setText(LeerTexto(20805).arg(kMinutosPosponer));
    m_ventana.mostrar(this, 4001, 4002, 4008, msPorMinuto);
}
