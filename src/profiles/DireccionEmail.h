#pragma once
// What the address book takes as an entry: one recipient or several, split
// as the mail client splits an entry into its recipients ("Bob <bob@x>,
// carol@y"), each "Name <local@domain>" or a bare "local@domain". The
// address itself must stand alone in a mail command (no blank, control
// character or angle bracket) and hold one "@" between a non-empty local part
// and a domain of non-empty labels.
#include <QString>

namespace DireccionEmail {
// The first recipient of `entrada` that is not an e-mail address, as typed;
// `entrada` itself when it names no recipient; empty when every one is.
QString primeraNoValida(const QString& entrada);
inline bool esValida(const QString& entrada) {
    return primeraNoValida(entrada).isEmpty();
}
} // namespace DireccionEmail
