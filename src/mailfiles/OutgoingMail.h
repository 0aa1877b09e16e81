#pragma once
// Outgoing mail files (MAIL/*.OUT): the queue between the reminder program,
// which writes one file per due reminder with recipients, and the mail
// client, which sends each file and deletes it once the server accepted it.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace mailfiles {

// What one outgoing file is made of. The caller resolves the reminder and the
// profiles file into plain values, so this code needs neither record type.
// With no active profile (or an unreadable profiles file) the caller leaves the
// sender empty: line 3 is then empty and line 4 is "<>". The mail client never
// sends such a file before a profile is active, and it takes the sender from
// the profile anyway.
struct EmailSaliente {
    QString descripcion;        // the reminder's `Descripcion` (file name and body)
    int numero = 0;             // the reminder's `Numero` (file name)
    QString texto;              // the reminder's `Texto`; its line breaks become lines
    QString remitenteNombre;    // active profile's full name (line 3)
    QString remitenteDireccion; // active profile's e-mail address (line 4)
    QStringList destinatarios;  // one address per non-empty recipient slot, in slot order
    QDateTime momento;          // for the dated line; invalid means the clock's now
    QString archivoAvisos;      // the reminders file the reminder belongs to (file name)
};

inline constexpr int kMaxDestinatarios = 255;
inline constexpr int kMaxDescripcionEnNombre = 30;

// File name (no folder) for a reminder: description + "_" + number + ".OUT",
// and with the reminders file given, description + "_" + number + "-" + its
// mark + ".OUT", so that reminders of several files open at once that share a
// description and a number never replace each other's queued mail.
// So that the name always stays one plain file inside MAIL/, the description is
// first cut to its stored capacity of 30 characters and then every character a
// file name cannot safely hold on either system -- "/", "\", ":", "*", "?",
// '"', "<", ">", "|" and control characters (below 32, and 127) -- becomes "_".
// The "_number.OUT" ending means the name is never "." or "..", never empty
// and never a bare separator.
QString NombreEmailSaliente(const QString& descripcion, int numero, const QString& archivoAvisos = {});

// A reminders file's mark in queue file names: eight lower-case hexadecimal
// digits from its absolute path, the same in every run.
QString MarcaArchivoAvisos(const QString& archivoAvisos);

// The reminders file, among `archivosAvisos`, whose mark a queue file's name
// carries; empty when the name carries none (a file queued before names had
// marks) or no file of the list matches.
QString ArchivoDeEmailSaliente(const QString& nombreArchivo, const QStringList& archivosAvisos);

// The file's lines, in order, without line ends. Lines 3 and 4 and every
// recipient line are kept on one line each (a CR or LF inside them becomes a
// blank), so no value can add lines that would move the sections. At most 255
// recipients are written: the count line is read modulo 256.
QStringList LineasEmailSaliente(const EmailSaliente& email);

// Writes (or replaces) MAIL/<name> in one save. Creates `dirMail` when missing.
// False, with the reason in `error` when given, when the file could not be saved;
// an older file of that name is then left as it was.
bool CrearEmailSaliente(const QString& dirMail, const EmailSaliente& email, QString* error = nullptr);

// Queue tests and erase step. Files of any attribute count, hidden ones included.
bool HayEmailSaliente(const QString& dirMail);
int ContarEmailSaliente(const QString& dirMail);         // 0 when the folder cannot be read
QStringList ListarEmailSaliente(const QString& dirMail); // full paths, by name
// Names of queue files that are not regular files (a FIFO, a device): never read, only told.
QStringList ListarSalientesNoRegulares(const QString& dirMail);
// Deletes every queued file; one that cannot be deleted is skipped. Returns the
// paths of the files that went.
QStringList BorrarEmailSaliente(const QString& dirMail);
// The reminder a queue file belongs to, as its name keeps it: the description
// (cut to 30 characters, unsafe characters as "_") before "_number.OUT" or
// "_number-mark.OUT".
QString AvisoDeEmailSaliente(const QString& ruta);

// What the mail client takes from a queue file.
struct EmailCargado {
    QStringList destinatarios; // as they stand, not trimmed
    QStringList cuerpo;        // every line after "--- Body ---", empty ones included
};

enum class ErrorCarga {
    Ninguno,
    Ilegible,
    SinDestinatarios,
    CuentaNoNumerica,
    FaltanDestinatarios,
    SinCuerpo
};

struct ResultadoCarga {
    std::optional<EmailCargado> email; // empty when the file is not sendable
    ErrorCarga error = ErrorCarga::Ninguno;
};

// Loads a queue file for sending. Not sendable: unreadable; no "--- Dest ---";
// its next line missing or not a number; fewer address lines than the count
// (low 8 bits of the count line); no "--- Body ---". The "--- From ---" section
// and the header line are not read.
ResultadoCarga CargarEmailSaliente(const QString& ruta);
ResultadoCarga CargarEmailSaliente(const QStringList& lineas);

} // namespace mailfiles
