#pragma once
// Outgoing mail files MAIL/<description>_<number>.OUT: the queue between the
// reminder program, which writes one file per due reminder with recipients,
// and the mail client, which sends and deletes them. Windows-1252, CR LF.
#include "profiles/RegistroPerfiles.h"
#include "store/RegistroAviso.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace Marcadores {
inline const QString kCabecera = QStringLiteral("# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!");
inline const QString kFrom = QStringLiteral("--- From ---");
inline const QString kDest = QStringLiteral("--- Dest ---");
inline const QString kBody = QStringLiteral("--- Body ---");
} // namespace Marcadores

// The file name for a reminder. The description becomes a plain file name
// inside the MAIL folder whatever it holds: path separators, the characters
// \ / : * ? " < > | and control characters become "_", and a name of only
// dots ("." or "..") is prefixed with "_". Equal descriptions and numbers
// share one name, so a later occurrence replaces an unsent earlier one.
QString NombreEmailSaliente(const QString& dirMail, const QString& descripcion, int numero);

// The lines of the file for `r` written at `ahora`, sender from the active
// profile of `perfiles` (empty lines when none is active).
QStringList LineasEmailSaliente(const RegistroAviso& r, const RegistroPerfiles& perfiles, const QDateTime& ahora);

// Writes the file of one due reminder (profiles read anew from the program
// folder). False when it could not be written.
bool CrearEmailSaliente(const RegistroAviso& r);

bool HayEmailSaliente(const QString& dirMail);
QStringList ListaEmailSaliente(const QString& dirMail); // full paths
// Deletes every outgoing file; one that cannot be deleted is skipped.
void BorrarEmailSaliente(const QString& dirMail);

// 1-based number of the first line equal to `marcador` once blanks and control
// characters around it are removed (case matters); 0 when none is.
int BuscarLinea(const QStringList& lineas, const QString& marcador);

// What the mail client takes from a file: the recipients (count modulo 256,
// lines as they stand) and the body lines (empty ones too).
struct MensajeSaliente {
    QStringList destinatarios;
    QStringList cuerpo;
};
// Nothing, with the reason in `error`, when the file is not sendable.
std::optional<MensajeSaliente> CargarEmailSaliente(const QString& ruta, QString* error = nullptr);

// Reads a text file of the mail folder as lines (Windows-1252, CR LF or LF).
bool LeerLineas(const QString& ruta, QStringList& lineas);
// Writes lines with CR LF in Windows-1252, replacing the file in one rename.
bool EscribirLineas(const QString& ruta, const QStringList& lineas);
