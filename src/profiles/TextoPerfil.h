#pragma once
// Which texts the profiles file can hold: it keeps Windows-1252 text of at
// most 60 characters per field. Editors refuse other text instead of storing
// '?' for characters the code page lacks or cutting it short.
#include "core/Cp1252.h"
#include "profiles/RegistroPerfiles.h"

#include <QString>

// Every character has a Windows-1252 byte.
inline bool CabeEnCp1252(const QString& texto) {
    return Cp1252::decode(Cp1252::encode(texto)) == texto;
}

// Fits a profile field: Windows-1252 and at most 60 characters.
inline bool CabeEnCampoPerfil(const QString& texto) {
    return texto.size() <= Perfiles::kCapacidadTexto && CabeEnCp1252(texto);
}
