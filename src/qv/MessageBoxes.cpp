#include "qv/MessageBoxes.h"

#include "core/TextCatalogue.h"

#include <QApplication>
#include <QQueue>

namespace MessageBoxes {

namespace {
QQueue<QMessageBox::StandardButton>& answers() {
    static QQueue<QMessageBox::StandardButton> q;
    return q;
}
bool testMode = false;

QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                 QMessageBox::StandardButtons buttons) {
    if (testMode) {
        shownTexts() << text;
        return answers().isEmpty() ? QMessageBox::Ok : answers().dequeue();
    }
    QMessageBox box(icon, QApplication::applicationName(), text, buttons, parent);
    // Only the window it belongs to waits: alerts stay usable.
    if (parent) box.setWindowModality(Qt::WindowModal);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

void error(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::Critical, text, QMessageBox::Ok);
}
void warning(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::Warning, text, QMessageBox::Ok);
}
void information(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}
bool confirm(QWidget* parent, const QString& text) {
    return show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
void notice(QWidget* parent, const QString& text) {
    if (testMode) {
        shownTexts() << text;
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Information, QApplication::applicationName(), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
void errorText(QWidget* parent, int number) {
    error(parent, LeerTexto(number));
}
void warningText(QWidget* parent, int number) {
    warning(parent, LeerTexto(number));
}
bool confirmText(QWidget* parent, int number) {
    return confirm(parent, LeerTexto(number));
}

void queueAnswer(QMessageBox::StandardButton answer) {
    testMode = true;
    answers().enqueue(answer);
}
QStringList& shownTexts() {
    static QStringList texts;
    return texts;
}
void resetForTests() {
    testMode = true;
    answers().clear();
    shownTexts().clear();
}

} // namespace MessageBoxes
