#pragma once
// The received-mail log MAIL/QV_EMAIL.TXT: one entry appended per incoming
// file the mail alert showed, when the user keeps received mail.
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace mailfiles {

inline constexpr const char* kNombreLogEmail = "QV_EMAIL.TXT";
inline constexpr const char* kCabeceraLogEmail =
    "# Mail file created by Norvo Orbalinder 2.0. DO NOT RENAME!";
inline constexpr const char* kFinEmailLog = "__________ End of mail __________";

// The entry for one incoming file: the dated line ("dd/mmm/yyyy hh:mm am/pm"
// with the locale's separators and short month name), an empty line, "From: "
// + the line after "--- From ---", every non-empty line after "--- Body ---"
// (footer included), an empty line, the end line and an empty line.
QStringList EntradaLogEmail(const QStringList& lineasArchivo, const QDateTime& momento);

// Appends the entry for one incoming file (its lines as read) to the log at
// the clock's now. When the log is missing it is created with its header line
// and an empty line, and the entry follows at once: the first mail is kept too.
// The entry goes in one write; false when the log could not be written.
bool RegistrarEmailRecibido(const QString& dirMail, const QStringList& lineasArchivo);

} // namespace mailfiles
