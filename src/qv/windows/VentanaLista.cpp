#include "qv/windows/VentanaLista.h"

#include "alerts/Sonido.h"
#include "core/TextCatalogue.h"
#include "settings/Ajustes.h"
#include "ui/AccessibleTexts.h"
#include "ui/ThemeColours.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

VentanaLista VentanaLista::construir(QWidget* window, const char* memoName, QColor fondo) {
    VentanaLista v;
    auto* layout = new QVBoxLayout(window);
    v.info = new QLabel(window);
    v.info->setObjectName("LabelInfo");
    v.info->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    v.info->setWordWrap(true);
    v.info->setFixedHeight(32);
    v.info->setStyleSheet(QStringLiteral("color: %1;").arg(ThemeColours::emphasis(window->palette()).name()));
    v.memo = new QPlainTextEdit(window);
    v.memo->setObjectName(memoName);
    v.memo->setReadOnly(true);
    v.memo->setFocusPolicy(Qt::NoFocus);
    v.memo->viewport()->setCursor(Qt::ArrowCursor);
    v.memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    v.memo->setStyleSheet(ThemeColours::pairRule(QStringLiteral("QPlainTextEdit"), fondo));
    v.cerrar = new QPushButton(window);
    v.cerrar->setObjectName("BotonCerrar");
    layout->addWidget(v.info);
    layout->addWidget(v.memo, 1);
    layout->addWidget(v.cerrar, 0, Qt::AlignHCenter);
    v.timer = new QTimer(window);
    v.timer->setObjectName("TimerCerrar");
    v.timer->setSingleShot(true);
    return v;
}

void VentanaLista::mostrar(QWidget* window, int caption, int infoText, int closeText, int msPorMinuto) const {
    window->setWindowTitle(LeerTexto(caption));
    info->setText(LeerTexto(infoText));
    cerrar->setText(LeerTexto(closeText));
    AccessibleTexts::describe(window);
    // Wide enough for the window manager to show the whole caption (its font
    // is usually larger and bold; the buttons take the rest).
    QFont titulo = window->font();
    titulo.setBold(true);
    const int ancho =
        qMax(window->width(), QFontMetrics(titulo).horizontalAdvance(window->windowTitle()) * 5 / 4 + 80);
    if (window->minimumWidth() == window->maximumWidth())
        window->setFixedWidth(ancho);
    else
        window->resize(ancho, window->height());
    const int minutes = Ajustes::closeMsgs();
    if (minutes > 0) {
        timer->setInterval(minutes * msPorMinuto);
        timer->start();
    }
    if (const QScreen* s = window->screen())
        window->move(s->availableGeometry().center() - window->rect().center());
    ReproducirSonidoAviso(QString()); // the built-in sound of the style set now
}
