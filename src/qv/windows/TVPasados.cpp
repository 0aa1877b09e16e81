#include "qv/windows/TVPasados.h"

#include "core/DisplayFormats.h"
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

TVPasados::TVPasados(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("TVPasados");
    resize(350, 281);
    const VentanaLista v = VentanaLista::construir(this, "MemoPasados", QColor(251, 242, 204));
    m_info = v.info;
    m_memo = v.memo;
    m_cerrar = v.cerrar;
    m_timer = v.timer;
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
