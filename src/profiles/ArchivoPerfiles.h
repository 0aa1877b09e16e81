#pragma once
// Reading and writing "QV.PFL": the preferences dialog's create, load and save,
// the readers that only need the active profile and the addresses, and the
// reminder program's shared profiles buffer.
#include "profiles/RegistroPerfiles.h"
#include "profiles/SeguridadPerfiles.h"

#include <QString>

inline constexpr const char* kNombreArchivoPerfiles = "QV.PFL";

// dirPrograma + "QV.PFL" (dirPrograma ends in a separator, or is empty for the
// current folder).
QString RutaArchivoPerfiles(const QString& dirPrograma);

// Reads the whole record. A missing, unreadable, short, long or foreign file is
// refused with a message in `error`; `registro` is then left untouched.
bool LeerArchivoPerfiles(const QString& ruta, RegistroPerfiles& registro, QString* error = nullptr);

// Writes the record in one piece: a work file beside the target, readable and
// writable by its owner only (it holds a POP3 password), renamed over the old
// file, so a failed write leaves the old file as it was. Returns false with a
// message when the file cannot be written.
bool EscribirArchivoPerfiles(const QString& ruta, const RegistroPerfiles& registro, QString* error = nullptr);

// Creates a new, empty profiles file (replacing any file of that name) and loads
// it with CargarPerfiles.
bool CrearPerfiles(const QString& ruta, RegistroPerfiles& buffer, QList<FilaLibreta>& filas,
                   QString* error = nullptr);

// Reads the file into `buffer` and gives the rows of the dialog's address list
// (address, entry number) in entry order. The profile to show first is
// buffer.perfilInicial(). On failure both stay as they were.
bool CargarPerfiles(const QString& ruta, RegistroPerfiles& buffer, QList<FilaLibreta>& filas,
                    QString* error = nullptr);

// Normalises `buffer` (gaps closed, active byte), rebuilds its address book from
// the dialog's rows and writes the file. `buffer` holds the saved record
// afterwards even when the write fails.
// In the same save the security companion "QV.PFS" is written first, with
// `seguridad` (by profile number before the gaps are closed) following each
// profile to its new number; a profile without a value gets no entry. The file
// is left out while it does not exist and every profile has default settings. When it cannot be written,
// "QV.PFL" is not touched either. Should "QV.PFL" then fail, its unchanged profiles still match their
// entries, and changed ones read as having lost their settings (nothing goes out in clear text for them).
bool GuardarPerfiles(const QString& ruta, RegistroPerfiles& buffer, const QList<FilaLibreta>& filas,
                     const AjustesPorPerfil& seguridad, QString* error = nullptr);
// The same with the stored settings (ArchivoSeguridad::ajustesPara): a profile
// changed since, or without a matching entry, gets none, so while the companion
// exists it reads as having lost its settings (never as "no security"). A
// companion that cannot be read is left as it is.
bool GuardarPerfiles(const QString& ruta, RegistroPerfiles& buffer, const QList<FilaLibreta>& filas,
                     QString* error = nullptr);

// For readers outside the preferences dialog (mail bridge, reminder editor, mail
// client): the record as stored, or an empty record (no active profile, empty
// address book) when the file cannot be read; `error` then says why.
RegistroPerfiles LeerPerfilesParaUso(const QString& ruta, QString* error = nullptr);

// The reminder program's one in-memory copy of the profiles record.
RegistroPerfiles& BufferPerfiles();
