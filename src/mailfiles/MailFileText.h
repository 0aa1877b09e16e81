#pragma once
// Line-level helpers for the plain-text mail files: Windows-1252 lines ended by
// CR LF, the section markers, and whole-file saves that never leave half a file.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace mailfiles {

inline constexpr const char* kCabeceraArchivo = "# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!";
inline constexpr const char* kMarcaFrom = "--- From ---";
inline constexpr const char* kMarcaDest = "--- Dest ---";
inline constexpr const char* kMarcaBody = "--- Body ---";

// 1-based number of the first line that, with leading and trailing blanks and
// control characters removed, equals `marca` exactly (case matters); 0 when none does.
int BuscarLinea(const QStringList& lineas, const QString& marca);

// Splits text into lines at CR LF, CR or LF. A break at the very end does not
// start another line, so "a\r\n" is one line and "" is none.
QStringList dividirLineas(const QString& texto);

// Every line in Windows-1252 followed by CR LF.
QByteArray unirLineas(const QStringList& lineas);

// The lines of a file read as Windows-1252; nullopt when it cannot be read.
std::optional<QStringList> leerLineas(const QString& ruta);

// Writes the lines to `ruta` through a work file renamed over the old one, so
// readers see the old file or the new one, never a part. A symbolic link in
// the file's place is replaced by the file, never followed. False (with a reason
// in `error` when given) when it could not be saved; the old file is then intact.
bool guardarLineas(const QString& ruta, const QStringList& lineas, QString* error = nullptr);

// Appends the lines to `ruta` in one write, creating the file when missing.
bool anadirLineas(const QString& ruta, const QStringList& lineas, QString* error = nullptr);

// What a stranger wrote, made harmless for a file, a window or a terminal:
// terminal escape sequences (ESC or CSI with what they open: "ESC [" up to its
// final byte, "ESC ]" up to BEL or ESC \, else ESC and one character) and every
// other control character (C0 but TAB, DEL, C1) are removed.
QString TextoInofensivo(const QString& texto);

// A decimal 32-bit integer as the Windows programs read one: optional blanks
// around it, an optional sign, digits only; nullopt for anything else or out of range.
std::optional<qint32> leerEntero(const QString& texto);

// Full paths of the regular files in `carpeta` whose names end with `extension`
// (".OUT", ".IN"; letter case ignored, as the Windows directory search does),
// hidden ones included, sorted by name. Anything else of such a name (a FIFO,
// a device, a socket, a folder) is left out: reading it could block for ever.
QStringList listarArchivos(const QString& carpeta, const QString& extension);

} // namespace mailfiles
