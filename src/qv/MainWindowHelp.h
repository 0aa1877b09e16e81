#pragma once
// The main window's F1 help contexts, the accessible names of its parts that
// show no text of their own, and sorting from the keyboard, found by their
// object names.
class QWidget;

// Contexts: window 3, list 4, toolbar 5, status bar 7; the three menus and the
// items of the file, help and list pop-up menus 4; the items of the functions
// menu 1, except "review shown reminders", which has none (its menu's applies).
void AsignarAyudaPrincipal(QWidget* principal);
