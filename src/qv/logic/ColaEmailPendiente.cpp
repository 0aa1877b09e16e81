#include "qv/logic/ColaEmailPendiente.h"

namespace {
QString nombre(const mailfiles::EmailSaliente& e) {
    return mailfiles::NombreEmailSaliente(e.descripcion, e.numero, e.archivoAvisos);
}
} // namespace

bool ColaEmailPendiente::crear(const QString& dirMail, const mailfiles::EmailSaliente& email,
                               QString* error) {
    const QString n = nombre(email);
    m_pendientes.removeIf([&n](const mailfiles::EmailSaliente& e) { return nombre(e) == n; });
    if (mailfiles::CrearEmailSaliente(dirMail, email, error)) return true;
    m_pendientes << email;
    return false;
}

bool ColaEmailPendiente::reintentar(const QString& dirMail, QString* error) {
    QList<mailfiles::EmailSaliente> quedan;
    QString primero;
    for (const mailfiles::EmailSaliente& e : std::as_const(m_pendientes)) {
        QString motivo;
        if (mailfiles::CrearEmailSaliente(dirMail, e, &motivo)) continue;
        if (primero.isEmpty()) primero = motivo;
        quedan << e;
    }
    m_pendientes = quedan;
    if (error) *error = primero;
    return m_pendientes.isEmpty();
}

QStringList ColaEmailPendiente::avisos() const {
    QStringList r;
    for (const mailfiles::EmailSaliente& e : m_pendientes)
        r << e.descripcion;
    return r;
}
