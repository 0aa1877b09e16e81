#include "qv/editor/TVEdicionAvisos.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/EntradaCp1252.h"
#include "qv/LogReview.h"
#include "qv/MessageBoxes.h"
#include "settings/ProgramFolders.h"
#include "ui/AccessibleTexts.h"
#include "ui/HelpPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QThread>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kWidth = 339;
constexpr int kPanelHeight = 360;

QLabel* label(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

// The place both panels share: every child fills it.
class Stage : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void resizeEvent(QResizeEvent* e) override {
        for (QObject* o : children())
            if (auto* w = qobject_cast<QWidget*>(o)) w->resize(e->size());
        QWidget::resizeEvent(e);
    }
};

// Characters a text takes in the record: a line break is stored as CR LF.
int largoAlmacenado(const QString& text) {
    int n = 0;
    for (QChar c : text)
        n += (c == u'\n' || c == QChar::ParagraphSeparator) ? 2 : 1;
    return n;
}

// The reminder's text area: input is refused where it is typed, pasted or
// dropped when the record could not hold it (more than `max` stored
// characters, or characters Windows-1252 lacks, which are named to the user);
// the text and the cursor stay as they were.
class TextoAviso : public QPlainTextEdit {
public:
    TextoAviso(QWidget* parent, int max) : QPlainTextEdit(parent), m_max(max) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const bool salto = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        const QString typed = salto ? QStringLiteral("\n") : e->text();
        if ((salto || (!typed.isEmpty() && typed.at(0).isPrint())) && !admite(typed)) {
            e->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(e);
    }
    void insertFromMimeData(const QMimeData* source) override {
        if (source->hasText() && !admite(source->text())) return;
        QPlainTextEdit::insertFromMimeData(source);
    }
    void inputMethodEvent(QInputMethodEvent* e) override {
        if (!e->commitString().isEmpty() && !admite(e->commitString())) {
            e->accept();
            return;
        }
        QPlainTextEdit::inputMethodEvent(e);
    }

private:
    bool admite(const QString& insertado) {
        if (const QString refused = EntradaCp1252::comprobar(insertado); !refused.isEmpty()) {
            QTimer::singleShot(0, this, [this, refused] { MessageBoxes::warning(window(), refused); });
            return false;
        }
        const int quedan = largoAlmacenado(toPlainText()) - largoAlmacenado(textCursor().selectedText());
        return quedan + largoAlmacenado(insertado) <= m_max;
    }
    int m_max;
};
} // namespace

TVEdicionAvisos::TVEdicionAvisos(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("TVEdicionAvisos");
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    auto* stage = new Stage(this);
    stage->setObjectName("Escenario");
    stage->setFixedWidth(kWidth);
    stage->setMinimumHeight(kPanelHeight);
    outer->addWidget(stage, 1);
    m_panelEdicion = new QWidget(stage);
    m_panelEdicion->setObjectName("PanelEdicion");
    m_panelDestinatarios = new QWidget(stage);
    m_panelDestinatarios->setObjectName("PanelDestinatarios");
    buildEdicion();
    buildDestinatarios();
    m_panelDestinatarios->hide();

    auto* buttons = new QHBoxLayout;
    m_aceptar = new QPushButton(this);
    m_aceptar->setObjectName("BotonAceptar");
    m_aceptar->setDefault(true);
    m_cancelar = new QPushButton(this);
    m_cancelar->setObjectName("BotonCancelar");
    m_ayuda = new QPushButton(this);
    m_ayuda->setObjectName("BotonAyuda");
    buttons->addStretch();
    buttons->addWidget(m_aceptar);
    buttons->addWidget(m_cancelar);
    buttons->addWidget(m_ayuda);
    outer->addLayout(buttons);
    connect(m_aceptar, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ayuda, &QPushButton::clicked, this, [] { LogReview::openHelp("QVH_ContenAvisos"); });

    AsignarTextos();
    HelpPages::setTopic(this, QStringLiteral("QVH_ContenAvisos"));
    HelpPages::installF1(this);
    m_nombre->setFocus();
}

void TVEdicionAvisos::buildEdicion() {
    auto* form = new QFormLayout(m_panelEdicion);
    form->setVerticalSpacing(4);
    form->setContentsMargins(6, 6, 6, 6);
    m_labelAviso = label(m_panelEdicion, "LabelAviso");
    QFont bold = m_labelAviso->font();
    bold.setBold(true);
    m_labelAviso->setFont(bold);
    m_labelNumero = label(m_panelEdicion, "LabelNumero");
    form->addRow(m_labelNumero, m_labelAviso);

    m_nombre = new QLineEdit(m_panelEdicion);
    m_nombre->setObjectName("SelectorNombreAviso");
    m_nombre->setMaxLength(30);
    EntradaCp1252::proteger(m_nombre);
    m_labelDescrip = label(m_panelEdicion, "LabelDescrip");
    form->addRow(m_labelDescrip, m_nombre);

    m_fecha = new QDateEdit(m_panelEdicion);
    m_fecha->setObjectName("SelectorFecha");
    m_fecha->setCalendarPopup(true);
    m_fecha->setDisplayFormat(DisplayFormats::listDatePattern());
    m_labelFechaProx = label(m_panelEdicion, "LabelFechaProx");
    form->addRow(m_labelFechaProx, m_fecha);

    m_hora = new QTimeEdit(m_panelEdicion);
    m_hora->setObjectName("SelectorHora");
    m_hora->setDisplayFormat(DisplayFormats::listTimePattern());
    // The list's "am"/"pm" in every language (a locale's own may read "p. m.").
    m_hora->setLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
    m_labelHoraProx = label(m_panelEdicion, "LabelHoraProx");
    form->addRow(m_labelHoraProx, m_hora);
    connect(m_hora, &QTimeEdit::timeChanged, this, &TVEdicionAvisos::SelectorHoraChange);

    m_repetir = new QComboBox(m_panelEdicion);
    m_repetir->setObjectName("SelectorRepetir");
    m_labelRepetir = label(m_panelEdicion, "LabelRepetir");
    form->addRow(m_labelRepetir, m_repetir);
    connect(m_repetir, &QComboBox::currentIndexChanged, this, &TVEdicionAvisos::SelectorRepetirChange);

    m_dias = new QListWidget(m_panelEdicion);
    m_dias->setObjectName("ListaDiasSemana");
    m_dias->setFixedHeight(7 * 17 + 4);
    m_labelDiasSemana = label(m_panelEdicion, "LabelDiasSemana");
    form->addRow(m_labelDiasSemana, m_dias);
    m_dias->hide();
    m_labelDiasSemana->hide();

    m_texto = new TextoAviso(m_panelEdicion, 255);
    m_texto->setObjectName("SelectorTexto");
    m_texto->setFixedHeight(60);
    m_labelTexto = label(m_panelEdicion, "LabelTexto");
    form->addRow(m_labelTexto, m_texto);

    auto* soundRow = new QHBoxLayout;
    m_sonidoEdit = new QLineEdit(m_panelEdicion);
    m_sonidoEdit->setObjectName("SelectorSonidoAviso");
    m_sonidoEdit->setReadOnly(true);
    m_sonidoEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    m_speedSonido = new QToolButton(m_panelEdicion);
    m_speedSonido->setObjectName("SpeedSonidoAviso");
    m_speedSonido->setText("...");
    soundRow->addWidget(m_sonidoEdit);
    soundRow->addWidget(m_speedSonido);
    m_labelSonido = label(m_panelEdicion, "LabelSonidoAviso");
    form->addRow(m_labelSonido, soundRow);
    m_menuSonido = new QMenu(this);
    m_menuSonido->setObjectName("MenuSonido");
    auto* restore = m_menuSonido->addAction(QString());
    restore->setObjectName("MPSARestaurar");
    auto* test = m_menuSonido->addAction(QString());
    test->setObjectName("MPSAProbar");
    connect(restore, &QAction::triggered, this, [this] { setSonido(QString()); });
    connect(test, &QAction::triggered, this, &TVEdicionAvisos::probarSonido);
    connect(m_sonidoEdit, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_menuSonido->popup(m_sonidoEdit->mapToGlobal(p)); });
    connect(m_speedSonido, &QToolButton::clicked, this, &TVEdicionAvisos::elegirSonido);

    m_botonDestinatarios = new QPushButton(m_panelEdicion);
    m_botonDestinatarios->setObjectName("BotonDestinatarios");
    form->addRow(m_botonDestinatarios);
    connect(m_botonDestinatarios, &QPushButton::clicked, this, [this] { deslizarDestinatarios(true); });

    m_caduca = new QCheckBox(m_panelEdicion);
    m_caduca->setObjectName("MensajeCaducidad");
    m_borrar = new QCheckBox(m_panelEdicion);
    m_borrar->setObjectName("BorrarCaducidad");
    auto* expiry = new QHBoxLayout;
    expiry->addWidget(m_caduca);
    expiry->addWidget(m_borrar);
    form->addRow(expiry);
    m_fechaUlt = new QDateEdit(m_panelEdicion);
    m_fechaUlt->setObjectName("SelectorFechaUlt");
    m_fechaUlt->setCalendarPopup(true);
    m_fechaUlt->setDisplayFormat(DisplayFormats::listDatePattern());
    m_labelFechaUlt = label(m_panelEdicion, "LabelFechaUlt");
    form->addRow(m_labelFechaUlt, m_fechaUlt);
    connect(m_caduca, &QCheckBox::clicked, this, &TVEdicionAvisos::MensajeCaducidadClick);
}

void TVEdicionAvisos::buildDestinatarios() {
    auto* grid = new QHBoxLayout(m_panelDestinatarios);
    auto* left = new QVBoxLayout;
    m_labelDispon = label(m_panelDestinatarios, "LabelDispon");
    m_origen = new QListWidget(m_panelDestinatarios);
    m_origen->setObjectName("BoxOrigen");
    left->addWidget(m_labelDispon);
    left->addWidget(m_origen);
    auto* middle = new QVBoxLayout;
    auto button = [this, middle](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, m_panelDestinatarios);
        b->setObjectName(name);
        b->setFixedWidth(40);
        middle->addWidget(b);
        return b;
    };
    middle->addStretch();
    m_todoDestino = button("BotonTodoDestino", ">>");
    m_unoDestino = button("Boton1Destino", ">");
    m_unoOrigen = button("Boton1Origen", "<");
    m_todoOrigen = button("BotonTodoOrigen", "<<");
    middle->addStretch();
    auto* right = new QVBoxLayout;
    m_labelDestin = label(m_panelDestinatarios, "LabelDestin");
    m_destino = new QListWidget(m_panelDestinatarios);
    m_destino->setObjectName("BoxDestino");
    right->addWidget(m_labelDestin);
    right->addWidget(m_destino);
    m_cerrar = new QPushButton(m_panelDestinatarios);
    m_cerrar->setObjectName("BotonCerrar");
    right->addWidget(m_cerrar);
    grid->addLayout(left);
    grid->addLayout(middle);
    grid->addLayout(right);
    connect(m_todoDestino, &QPushButton::clicked, this, [this] { mover(m_origen, m_destino, true); });
    connect(m_unoDestino, &QPushButton::clicked, this, [this] { mover(m_origen, m_destino, false); });
    connect(m_unoOrigen, &QPushButton::clicked, this, [this] { mover(m_destino, m_origen, false); });
    connect(m_todoOrigen, &QPushButton::clicked, this, [this] { mover(m_destino, m_origen, true); });
    connect(m_cerrar, &QPushButton::clicked, this, [this] { deslizarDestinatarios(false); });
}

void TVEdicionAvisos::AsignarTextos() {
    setWindowTitle(LeerTexto(3001));
    m_labelNumero->setText(LeerTexto(3002));
    m_labelDescrip->setText(LeerTexto(3003));
    m_labelFechaProx->setText(LeerTexto(3004));
    m_labelHoraProx->setText(LeerTexto(3005));
    m_labelRepetir->setText(LeerTexto(3008));
    m_repetir->setPlaceholderText(LeerTexto(3009));
    m_labelDiasSemana->setText(LeerTexto(3010));
    m_labelTexto->setText(LeerTexto(3011));
    m_botonDestinatarios->setText(LeerTexto(3012));
    m_caduca->setText(LeerTexto(3013));
    m_borrar->setText(LeerTexto(3014));
    m_labelFechaUlt->setText(LeerTexto(3015));
    m_labelSonido->setText(LeerTexto(3016));
    m_labelDispon->setText(LeerTexto(3101));
    m_labelDestin->setText(LeerTexto(3102));
    m_cerrar->setText(LeerTexto(3103));
    m_menuSonido->actions().at(0)->setText(LeerTexto(3201));
    m_menuSonido->actions().at(1)->setText(LeerTexto(3202));
    m_aceptar->setText(LeerTexto(3901));
    m_cancelar->setText(LeerTexto(3902));
    m_ayuda->setText(LeerTexto(3903));
    m_repetir->clear();
    for (int n = 10002; n <= 10009; ++n)
        m_repetir->addItem(LeerTexto(n));
    m_repetir->setCurrentIndex(-1);
    m_dias->clear();
    for (int n = 10011; n <= 10017; ++n) {
        auto* item = new QListWidgetItem(LeerTexto(n), m_dias);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    // Names for controls that show a sign or nothing: hints a screen reader reads too.
    m_labelSonido->setBuddy(m_sonidoEdit);
    m_labelDispon->setBuddy(m_origen);
    m_labelDestin->setBuddy(m_destino);
    m_speedSonido->setToolTip(LeerTexto(20362));
    m_todoDestino->setToolTip(LeerTexto(20363));
    m_unoDestino->setToolTip(LeerTexto(20364));
    m_unoOrigen->setToolTip(LeerTexto(20365));
    m_todoOrigen->setToolTip(LeerTexto(20366));
    AccessibleTexts::describe(this);
    // Both panels as wide as their texts need in this language, at least as designed.
    if (auto* stage = findChild<QWidget*>(QStringLiteral("Escenario")))
        stage->setFixedWidth(std::max({kWidth, m_panelEdicion->minimumSizeHint().width(),
                                       m_panelDestinatarios->minimumSizeHint().width()}));
}
