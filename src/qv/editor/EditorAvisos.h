#pragma once
// Creating and editing a reminder through the editor dialog.
#include <QString>

class QWidget;

// Runs the editor for a new reminder of `file` (reopening it after every refused
// save) and appends it; returns its number, or 0 when the user cancelled or the
// file is full (message 9016). Throws ReminderFileError on a file error.
int AnadirAvisoConEditor(QWidget* parent, const QString& file, const QString& indexPath);

// Runs the editor once on reminder `numero` and writes it back when the user saved
// valid values. Returns true (a refused save has shown its message and drops the
// changes). Throws ReminderFileError on a file error.
bool EditarAviso(QWidget* parent, const QString& file, int numero);
