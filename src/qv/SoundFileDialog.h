#pragma once
// The dialog in which the user picks a sound file (the editor's and the
// preferences' Browse buttons): Qt's own file dialog, so that it speaks the
// catalogue's language, opened at the current sound's folder or else the
// program folder.
#include <QString>

class QWidget;

// The chosen file's path; empty when the user cancelled.
QString chooseSoundFile(QWidget* parent, const QString& current);
