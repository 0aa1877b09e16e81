#include "ui/HelpPages.h"

#include "core/UiLanguage.h"
#include "settings/ProgramFolders.h"
#include "ui/DocumentOpener.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

namespace HelpPages {

namespace {
constexpr const char* kTopic = "orbHelpTopic";

QString topicOf(const QObject* o) {
    return o ? o->property(kTopic).toString() : QString();
}

// The topic of `w` or of its nearest parent inside `window` that has one.
QString topicAround(QWidget* w, QWidget* window, bool* atWindow) {
    for (; w; w = w->parentWidget()) {
        const QString t = topicOf(w);
        if (!t.isEmpty()) {
            *atWindow = w == window;
            return t;
        }
        if (w == window) break;
    }
    *atWindow = true;
    return topicOf(window);
}

QString menuTopic(QMenu* menu, QWidget* window) {
    for (QMenu* m = menu; m; m = qobject_cast<QMenu*>(m->parentWidget())) {
        if (QAction* a = m->activeAction(); a && !topicOf(a).isEmpty()) return topicOf(a);
        if (!topicOf(m).isEmpty()) return topicOf(m);
        if (!topicOf(m->menuAction()).isEmpty()) return topicOf(m->menuAction());
    }
    return topicOf(window);
}

// F1 inside an open menu: menus take the keyboard, so the window's shortcut
// does not see the key there.
class MenuF1 : public QObject {
public:
    explicit MenuF1(QWidget* window) : QObject(window), m_window(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
            return false;
        auto* menu = qobject_cast<QMenu*>(watched);
        if (!menu) return false;
        const QString topic = menuTopic(menu, m_window);
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        open(topic);
        return true;
    }

private:
    QWidget* m_window;
};
} // namespace

QString path(const QString& topic) {
    const QString base = ProgramFolders::global().dirPrograma + QStringLiteral("help/");
    const QString file = (topic.isEmpty() ? QStringLiteral("index") : topic) + QStringLiteral(".html");
    const QString own = base + UiLanguage::code() + u'/' + file;
    if (QFileInfo::exists(own)) return own;
    const QString english = base + QStringLiteral("en/") + file;
    return QFileInfo::exists(english) ? english : own;
}

void open(const QString& topic) {
    DocumentOpener::open(path(topic));
}

void setTopic(QObject* object, const QString& topic) {
    object->setProperty(kTopic, topic);
}

QString contextTopic(int context) {
    return QStringLiteral("QVH_Contexto%1").arg(context);
}

void setContext(QObject* object, int context) {
    if (context > 0) setTopic(object, contextTopic(context));
}

QString currentTopic(QWidget* window) {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) return menuTopic(menu, window);
    bool atWindow = true;
    QWidget* focus = QApplication::focusWidget();
    QString topic =
        focus && window->isAncestorOf(focus) ? topicAround(focus, window, &atWindow) : topicOf(window);
    if (!atWindow) return topic;
    QWidget* under = QApplication::widgetAt(QCursor::pos());
    if (under && window->isAncestorOf(under)) {
        const QString hovered = topicAround(under, window, &atWindow);
        if (!atWindow) return hovered;
    }
    return topic;
}

void installF1(QWidget* window) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, [window] { open(currentTopic(window)); });
    auto* filter = new MenuF1(window);
    for (QMenu* menu : window->findChildren<QMenu*>())
        menu->installEventFilter(filter);
}

} // namespace HelpPages
