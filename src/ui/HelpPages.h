#pragma once
// The help pages: one HTML page per topic in each language, under the program
// folder's help/<language>/ (the catalogue's language, English when a page is
// missing there). Topics are the names the windows open ("QVH_Avisos", ...);
// an empty topic is the contents page "index".
#include <QString>

class QObject;
class QWidget;

namespace HelpPages {
QString path(const QString& topic);
// Shows the page of `topic` (DocumentOpener).
void open(const QString& topic);

// F1: a topic on a widget, an action or a menu; F1 in `window` opens the topic
// nearest to the highlighted menu item, else to the focused control, else to
// the control under the mouse pointer, else the window's own.
void setTopic(QObject* object, const QString& topic);
// The numbered help contexts of the main window: topic "QVH_Contexto<N>";
// context 0 sets no topic, so the enclosing menu's or window's applies.
void setContext(QObject* object, int context);
QString contextTopic(int context);
void installF1(QWidget* window);
// The topic F1 would open now in `window`.
QString currentTopic(QWidget* window);
} // namespace HelpPages
