#pragma once
// Input that the stored Windows-1252 texts cannot hold (a Cyrillic password, a
// Polish name) is refused where it is typed or pasted, with a message naming
// the characters, instead of being stored as '?' later.
#include <QString>

class QLineEdit;

namespace EntradaCp1252 {
// Guards a line edit: typing or pasting such characters changes nothing and
// tells the user. Text set by the program is not checked.
void proteger(QLineEdit* edit);
// The message naming the refused characters (text 20120).
QString mensaje(const QString& caracteres);
// Empty when `texto` can be stored; otherwise the message (for values that do
// not come through a guarded edit, such as a chosen file's path).
QString comprobar(const QString& texto);
} // namespace EntradaCp1252
