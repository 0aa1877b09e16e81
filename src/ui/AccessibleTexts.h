#pragma once
// Accessible names and descriptions for the controls of a window, taken from
// the catalogue texts the window already shows, so a screen reader reads what
// a sighted user reads.
class QWidget;

namespace AccessibleTexts {
// Every control of `window` gets a name: its own caption (buttons, check
// boxes), else the text of the label that names it (its buddy), else the name
// the window set itself; and a description: its hint, else its name. Call it
// after the window's texts are set; calling it again follows changed texts.
void describe(QWidget* window);
} // namespace AccessibleTexts
