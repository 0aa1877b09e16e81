#include "profiles/DireccionEmail.h"

#include "mail/codec/MailText.h"

#include <QStringList>

namespace DireccionEmail {

namespace {
bool direccionValida(const QString& d) {
    if (!IsPlainAddress(d) || d.count(QLatin1Char('@')) != 1) return false;
    const qsizetype at = d.indexOf(QLatin1Char('@'));
    const QString local = d.left(at), dominio = d.mid(at + 1);
    if (local.isEmpty() || dominio.isEmpty()) return false;
    for (const QString& etiqueta : dominio.split(QLatin1Char('.')))
        if (etiqueta.isEmpty()) return false;
    for (QChar c : dominio)
        if (QStringLiteral(",;:()[]\"\\").contains(c)) return false;
    return true;
}

bool destinatarioValido(const QString& uno) {
    const qsizetype abre = uno.indexOf(QLatin1Char('<'));
    if (abre < 0) return direccionValida(uno);
    // "Name <address>": the address closes the recipient; the name holds no bracket.
    if (!uno.endsWith(QLatin1Char('>')) || uno.indexOf(QLatin1Char('>')) != uno.size() - 1) return false;
    if (uno.left(abre).contains(QLatin1Char('>'))) return false;
    return direccionValida(uno.mid(abre + 1, uno.size() - abre - 2));
}
} // namespace

QString primeraNoValida(const QString& entrada) {
    const QStringList destinatarios = SplitRecipients(entrada);
    if (destinatarios.isEmpty()) return entrada;
    for (const QString& uno : destinatarios)
        if (!destinatarioValido(uno)) return uno;
    return {};
}

} // namespace DireccionEmail
