// Every window of both programs in both languages: the accessibility tree has
// no control without a name or a description, every menu item has its own
// mnemonic, no text is cut (a label, button, group, column or tab title wider
// or taller than its widget, a control outside its parent or outside a shaped
// window's visible part) and the window fits its screen. Run once at 100 % and
// once at 200 % scaling (QT_SCALE_FACTOR=2).
#include "QvTestSupport.h"
#include "RecordingServices.h"

#include "alerts/TVAviso.h"
#include "alerts/TVAvisoEx.h"
#include "qv/TVAcercade.h"
#include "qv/TVPrincipal.h"
#include "qv/editor/TVEdicionAvisos.h"
#include "qv/prefs/TVLoginPasswd.h"
#include "qv/prefs/TVPreferencias.h"
#include "qv/windows/TVAvisoEmail.h"
#include "qv/windows/TVPasados.h"
#include "qvmc/SesionCorreo.h"
#include "qvmc/VentanaCliente.h"
#include "store/ReminderFile.h"
#include "ui/DocumentViewer.h"
#include "ui/HelpPages.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>

#include <functional>

namespace {
const QSet<QAccessible::Role> kControls{
    QAccessible::PushButton,     QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::ComboBox,
    QAccessible::EditableText,   QAccessible::SpinBox,  QAccessible::Slider,      QAccessible::List,
    QAccessible::Table,          QAccessible::Tree,     QAccessible::PageTab,     QAccessible::ButtonMenu,
    QAccessible::ButtonDropDown, QAccessible::MenuItem};

QString who(QAccessibleInterface* i) {
    const QObject* o = i->object();
    QString name = o ? o->objectName() : QString();
    if (name.isEmpty() && o && o->parent())
        name = o->parent()->objectName() + "/" + o->metaObject()->className();
    return QStringLiteral("%1 (role %2)").arg(name).arg(int(i->role()));
}

// Controls a screen reader would find without a name or a description.
QStringList unnamedControls(QObject* root) {
    QStringList out;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* i) {
        if (!i || !i->isValid() || i->state().invisible) return;
        if (kControls.contains(i->role())) {
            if (i->text(QAccessible::Name).trimmed().isEmpty())
                out << "no name: " + who(i);
            else if (i->role() != QAccessible::MenuItem && i->role() != QAccessible::PageTab &&
                     i->text(QAccessible::Description).trimmed().isEmpty())
                out << "no description: " + who(i);
        }
        for (int c = 0; c < i->childCount(); ++c)
            walk(i->child(c));
    };
    walk(QAccessible::queryAccessibleInterface(root));
    return out;
}

QString shown(const QString& text) {
    QString t = text;
    t.replace("&&", "\x01").remove(u'&').replace(u'\x01', u'&');
    return t;
}

int widest(const QFontMetrics& fm, const QString& text) {
    int w = 0;
    for (const QString& line : text.split(u'\n'))
        w = std::max(w, fm.horizontalAdvance(line));
    return w;
}

// Menus whose items the keyboard cannot reach by a letter: an item without a
// mnemonic, or two items of one menu with the same one.
QStringList missingMnemonics(const QList<QAction*>& actions, const QString& menu) {
    QStringList out;
    QSet<QChar> taken;
    for (const QAction* a : actions) {
        if (a->isSeparator() || !a->isVisible() || a->text().isEmpty()) continue;
        const QString t = QString(a->text()).replace("&&", "");
        const qsizetype amp = t.indexOf(u'&');
        if (amp < 0 || amp + 1 >= t.size())
            out << QStringLiteral("%1: \"%2\" has no mnemonic").arg(menu, a->text());
        else if (taken.contains(t[amp + 1].toLower()))
            out << QStringLiteral("%1: \"%2\" repeats a mnemonic").arg(menu, a->text());
        else
            taken.insert(t[amp + 1].toLower());
    }
    return out;
}

// Controls that part of their parent or of a shaped window's mask hides.
QStringList hiddenControls(QWidget* window) {
    QStringList out;
    for (QWidget* c : window->findChildren<QWidget*>()) {
        if (!c->isVisibleTo(window) || !c->parentWidget() || c->isWindow() ||
            !(qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c) ||
              qobject_cast<QAbstractSpinBox*>(c) || qobject_cast<QComboBox*>(c) ||
              qobject_cast<QLineEdit*>(c)))
            continue;
        QWidget* parent = c->parentWidget();
        // Scrolled content may lie outside its viewport; a spin box's own edit
        // and the scroll bars' buttons are the parent's business.
        if (qobject_cast<QAbstractScrollArea*>(parent->parentWidget()) ||
            qobject_cast<QAbstractSpinBox*>(parent) || qobject_cast<QComboBox*>(parent))
            continue;
        if (!parent->rect().contains(c->geometry()))
            out << QStringLiteral("%1 lies outside %2").arg(c->objectName(), parent->objectName());
        const QRect inWindow(c->mapTo(window, QPoint(0, 0)), c->size());
        if (!window->mask().isEmpty() && !QRegion(inWindow).subtracted(window->mask()).isEmpty())
            out << QStringLiteral("%1 lies outside the window's shape").arg(c->objectName());
    }
    return out;
}

// Texts wider than the room their widget gives them.
QStringList cutTexts(QWidget* window) {
    QStringList out;
    auto report = [&](const QWidget* w, const QString& text, int need, int have) {
        if (need > have)
            out << QStringLiteral("%1 \"%2\": needs %3, has %4")
                       .arg(w->objectName(), text)
                       .arg(need)
                       .arg(have);
    };
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->isVisibleTo(window) || l->wordWrap() || l->text().isEmpty() || Qt::mightBeRichText(l->text()))
            continue;
        const QString text = l->buddy() ? shown(l->text()) : l->text();
        const int margins = 2 * l->margin() + std::max(0, l->indent());
        report(l, text, widest(l->fontMetrics(), text) + margins, l->contentsRect().width());
        report(l, text, int(text.count(u'\n') + 1) * l->fontMetrics().height() + 2 * l->margin(),
               l->contentsRect().height());
    }
    // Wrapped labels: all their lines within their height.
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->isVisibleTo(window) && l->wordWrap() && !l->text().isEmpty())
            report(l, l->text(), l->heightForWidth(l->width()), l->height());
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window) || b->text().isEmpty() || qobject_cast<QTabBar*>(b->parentWidget()))
            continue;
        if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b))
            report(b, b->text(), b->sizeHint().width(), b->width());
        else if (qobject_cast<QPushButton*>(b))
            report(b, b->text(),
                   widest(b->fontMetrics(), shown(b->text())) + b->iconSize().width() * !b->icon().isNull(),
                   b->width() - 6);
    }
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        if (g->isVisibleTo(window) && !g->title().isEmpty())
            report(g, g->title(), widest(g->fontMetrics(), shown(g->title())) + 12, g->width());
    for (QHeaderView* h : window->findChildren<QHeaderView*>()) {
        if (!h->isVisibleTo(window) || h->orientation() != Qt::Horizontal || !h->model()) continue;
        if (h->length() > h->viewport()->width())
            out << QStringLiteral("%1: columns %2 wide in %3")
                       .arg(h->parentWidget()->objectName())
                       .arg(h->length())
                       .arg(h->viewport()->width());
        for (int s = 0; s < h->count(); ++s) {
            if (h->isSectionHidden(s)) continue;
            const QString text = h->model()->headerData(s, Qt::Horizontal).toString();
            QStyleOptionHeader opt;
            opt.initFrom(h);
            opt.text = text;
            opt.section = s;
            const int need = h->style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), h).width();
            report(h, text, need, h->sectionSize(s));
        }
    }
    for (QTabBar* t : window->findChildren<QTabBar*>())
        for (int i = 0; t->isVisibleTo(window) && i < t->count(); ++i)
            report(t, t->tabText(i), widest(t->fontMetrics(), shown(t->tabText(i))) + 8,
                   t->tabRect(i).width());
    return out;
}

RegistroAviso sample(const QString& desc, int repetir) {
    RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
    r.Descripcion = desc;
    r.Texto = desc;
    r.Repetir = static_cast<quint8>(repetir);
    return r;
}
} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

    // One window (or one state of a window) shown and checked; `states` are
    // extra steps, each followed by the same checks.
    void check(QWidget* w, const QString& what, const QList<std::function<void()>>& states = {}) {
        w->show();
        if (!QTest::qWaitForWindowExposed(w)) failures << what + ": not shown";
        QList<std::function<void()>> all{[] {}};
        all += states;
        for (int s = 0; s < all.size(); ++s) {
            all[s]();
            QApplication::processEvents();
            const QString where = QStringLiteral("%1 [%2] state %3").arg(what, LeerTexto(20300)).arg(s);
            QStringList problems = unnamedControls(w);
            for (QMenu* m : w->findChildren<QMenu*>())
                problems += unnamedControls(m);
            problems += cutTexts(w);
            problems += hiddenControls(w);
            for (QMenu* m : w->findChildren<QMenu*>())
                problems += missingMnemonics(m->actions(), m->objectName());
            if (auto* main = qobject_cast<QMainWindow*>(w))
                problems += missingMnemonics(main->menuBar()->actions(), "menu bar");
            // Room for the window manager's caption and a desktop panel too.
            if (const QScreen* screen = w->screen()) {
                const QSize room = screen->availableGeometry().size() - QSize(16, 48);
                if (w->width() > room.width() || w->height() > room.height())
                    problems << QStringLiteral("%1x%2 does not fit the screen's %3x%4")
                                    .arg(w->width())
                                    .arg(w->height())
                                    .arg(room.width())
                                    .arg(room.height());
            }
            if (!problems.isEmpty()) failures << where + ":\n  " + problems.join("\n  ");
        }
        // Windows that free themselves on close do; the others are freed here.
        QPointer<QWidget> alive(w);
        w->close();
        QApplication::processEvents();
        if (alive && !alive->testAttribute(Qt::WA_DeleteOnClose)) delete alive;
    }
    QStringList failures;
    RecordingServices services;

private slots:
    void initTestCase() {
        QFile::link(QStringLiteral(ORB_SOURCE_DIR "/resources/help"), QDir::current().filePath("help"));
    }

    void everyWindow_data() {
        QTest::addColumn<QString>("lang");
        QTest::newRow("es") << "es";
        QTest::newRow("en") << "en";
    }
    void everyWindow() {
        QFETCH(QString, lang);
        failures.clear();
        QvTestSupport::prepare(lang);
        ProgramFolders::global() = ProgramFolders::from(QvTestSupport::programFolder());
        ProgramFolders::global().createWorkFolders();
        NameLists::global() = NameLists::build();
        Ajustes::setCloseMsgs(0);
        Ajustes::setDueMsgs(false);

        const QString file = QvTestSupport::programFolder() + "avisos.QVM";
        const QString index = ProgramFolders::global().dirTemp + "QVMsgs.IDX";
        CrearArchivoAvisos(file);
        CrearIndice(index, 0);
        AnadirAviso(file, index, sample("Dentista", 128 + 1 + 4 + 16 + 64));
        AnadirAviso(file, index, sample("Reunión de equipo", 4));
        auto* w = new TVPrincipal(services, file);
        w->mostrarFlagAviso(true);
        check(w, "main window");
        auto* e = new TVEdicionAvisos;
        e->cargarNuevo(3);
        check(e, "editor",
              {[e] { e->findChild<QComboBox*>("SelectorRepetir")->setCurrentIndex(2); },
               [e] { e->deslizarDestinatarios(true); }});
        auto* p = new TVPreferencias;
        p->cargar();
        auto* pages = p->findChild<QTabWidget*>("Paginas");
        check(p, "preferences",
              {[pages] { pages->setCurrentIndex(1); }, [pages] { pages->setCurrentIndex(2); }});
        check(new TVLoginPasswd, "login");
        auto* a = new TVAviso;
        a->setContenido("Dentista", "Cita con el dentista a las 9:30", QString());
        check(a, "classic alert");
        for (int style : {2, 3}) {
            auto* x = new TVAvisoEx;
            x->setEstilo(style);
            // The longest description a reminder holds, in wide letters.
            x->setContenido("Llevar el coche WW al mecánico", "Hora de pasear al perro", QString());
            check(x, QStringLiteral("picture alert %1").arg(style));
        }
        auto* pasados = new TVPasados;
        pasados->agregar("Dentista", QDate(2026, 12, 7), QTime(9, 30), "Cita");
        pasados->prepararMuestra();
        check(pasados, "missed reminders");
        auto* m = new TVAvisoEmail;
        m->memo()->setPlainText("From: Ana");
        m->ofrecerAvisos({{"Dentista", "Cita"}}, {}); // with its button to add them
        check(m, "mail alert");
        check(new TVAcercade(TVAcercade::Modo::AcercaDe), "about");
        check(DocumentViewer::showFile(HelpPages::path(QString())), "help viewer");
        SesionCorreo session(ProgramFolders::global(), mailfiles::LeerLineaComandos({"XXXX", "XXXX", "1"}),
                             {});
        auto* mailClient = new qvmc::TVPrincipal(&session);
        mailClient->mostrarLinea("+ 10:30:00 Connecting to the SMTP server");
        check(mailClient, "mail client");
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
    }

    // The one mouse-only command of the main window, sorting by a column's
    // title, also answers Ctrl+1 .. Ctrl+5 in the list.
    void sortingFromTheKeyboard() {
        QvTestSupport::prepare("es");
        ProgramFolders::global() = ProgramFolders::from(QvTestSupport::programFolder());
        ProgramFolders::global().createWorkFolders();
        Ajustes::setDueMsgs(false);
        const QString file = QvTestSupport::programFolder() + "orden.QVM";
        const QString index = ProgramFolders::global().dirTemp + "QVMsgs.IDX";
        CrearArchivoAvisos(file);
        CrearIndice(index, 0);
        for (const char* d : {"Pan", "Agua", "Miel"})
            AnadirAviso(file, index, sample(d, 0));
        TVPrincipal w(services, file);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* list = w.findChild<QTableView*>("ListaAvisos");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_2, Qt::ControlModifier);
        QStringList order;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            order << list->model()->index(r, 1).data().toString();
        QCOMPARE(order, QStringList({"Agua", "Miel", "Pan"}));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
