#pragma once
// Incoming mail files (MAIL/*.IN): one per message of this system that the
// mail client fetched, read and deleted by the reminder program's mail alert.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace mailfiles {

// Base name (no folder, no ending) for a file written at `momento`: the day
// count since 30 December 1899 with the time as fraction, in the general
// format with up to 15 significant digits, its "." removed. The name only has
// to be unique; nothing reads a date back from it.
QString BaseNombreEmailRecibido(const QDateTime& momento);

// The lines of an incoming file: header, "--- From ---", `de`, "--- Body ---",
// the body lines as they are. A CR or LF inside `de` becomes a blank, so the
// sender stays on its line.
QStringList LineasEmailRecibido(const QString& de, const QStringList& cuerpo);

// Writes one incoming file in MAIL/ for the mail client; the full path, or
// nullopt when it could not be saved. The name is BaseNombreEmailRecibido(now)
// + ".IN"; when that name is taken (two messages within one clock reading, or a
// file still waiting) "_2", "_3", ... is added before ".IN". A name is claimed
// only by renaming a finished work file onto it without replacing anything, so
// an existing file is never overwritten and a reader never sees half a file.
std::optional<QString> EscribirEmailRecibido(const QString& dirMail, const QString& de,
                                             const QStringList& cuerpo);

bool HayEmailRecibido(const QString& dirMail);
QStringList ListarEmailRecibido(const QString& dirMail); // full paths, by name

inline constexpr const char* kFinMensaje = "__________ End of message __________";
inline constexpr const char* kSeparadorPie = "----------";

// What the mail alert window shows for one file: "From: " + the line after
// "--- From ---" (the first line when the marker is missing); every non-empty
// line after "--- Body ---" (from the first line when missing) up to the first
// line that is exactly "----------"; then an empty line, the end-of-message
// line and an empty line. Nullopt for an unreadable or empty file.
std::optional<QStringList> LineasVentanaEmailRecibido(const QStringList& lineasArchivo);
std::optional<QStringList> LeerEmailRecibido(const QString& ruta, QStringList* lineasArchivo = nullptr);

} // namespace mailfiles
