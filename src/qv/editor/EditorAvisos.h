#pragma once
// Creating and editing a reminder through the editor dialog.
#include <QString>

class QWidget;
struct RegistroAviso;

// Runs the editor for a new reminder of `file` (reopening it after every refused
// save) and appends it; returns its number, or 0 when the user cancelled or the
// file is full (message 9016). Throws ReminderFileError on a file error.
int AnadirAvisoConEditor(QWidget* parent, const QString& file, const QString& indexPath);

// Runs the editor once on reminder `numero` and writes it back when the user saved
// valid values. The due-check cycle goes on while the dialog is open, so the
// reminder is found again by its identity before writing: a pass that removed
// an earlier reminder moves it to a lower number; one that removed it (or
// another program) makes the user's values a new reminder, appended.
// Returns the number written, 0 when nothing was written (cancelled, or a
// refused save, whose message was shown). `antes` receives the record as it
// was just before the write. Throws ReminderFileError on a file error.
int EditarAviso(QWidget* parent, const QString& file, const QString& indexPath, int numero,
                RegistroAviso* antes = nullptr);
