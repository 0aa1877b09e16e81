#include "qv/windows/TVPasados.h"

#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "qv/windows/VentanaLista.h"
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
    m_ventana = VentanaLista::construir(this, "MemoPasados", QColor(251, 242, 204));
    m_info = m_ventana.info;
    m_memo = m_ventana.memo;
    m_cerrar = m_ventana.cerrar;
    m_timer = m_ventana.timer;
    connect(m_cerrar, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_timer, &QTimer::timeout, this, &QDialog::reject);
}

void TVPasados::agregar(const QString& descripcion, const QDate& fecha, const QTime& hora, const QString& texto) {
    ++m_count;
    m_memo->appendPlainText(LeerTexto(4003) + descripcion + LeerTexto(4004) + DisplayFormats::listDate(fecha) +
                            LeerTexto(4004) + DisplayFormats::amPmTime(hora));
    m_memo->appendPlainText(LeerTexto(4006) + texto);
    m_memo->appendPlainText(LeerTexto(4007));
    m_memo->appendPlainText(QString());
    m_memo->repaint();
}

QString TVPasados::contenido() const { return m_memo->toPlainText(); }

void TVPasados::prepararMuestra() {
    m_ventana.mostrar(this, 4001, 4002, 4008, msPorMinuto);
}
