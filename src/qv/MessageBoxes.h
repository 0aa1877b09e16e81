#pragma once
// The reminder program's message boxes: a catalogue text alone, in one of
// three styles. Tests can queue answers so that no box waits for a person.
#include <QMessageBox>
#include <QString>

class QWidget;

namespace MessageBoxes {
void error(QWidget* parent, const QString& text);
void warning(QWidget* parent, const QString& text);
// A result to take note of (one OK button).
void information(QWidget* parent, const QString& text);
// A piece of news: the box is not modal and nothing waits for it.
void notice(QWidget* parent, const QString& text);
// Yes/No question; true for Yes.
bool confirm(QWidget* parent, const QString& text);

// Catalogue message `number` in each style.
void errorText(QWidget* parent, int number);
void warningText(QWidget* parent, int number);
bool confirmText(QWidget* parent, int number);

// Test seam: while answers are queued, no box is shown; each box takes the next
// answer (Yes/No for questions; any for the others) and records its text.
void queueAnswer(QMessageBox::StandardButton answer);
QStringList& shownTexts();
void resetForTests();
} // namespace MessageBoxes
