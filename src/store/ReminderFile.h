#pragma once
// The reminders file (a plain sequence of 836-byte records, record k numbered k)
// and its display-order index (16-bit numbers, one per row of the list).
// Every operation opens, works and closes. Whole-file rewrites build a work file
// in the TEMP folder and then replace the old file in one rename, so a crash
// leaves the old or the new file, never none.
//
// A file whose size is not a multiple of 836 (truncated, or not a reminders file)
// is used for its whole records; DiagnosticoArchivo says what is wrong with it.
#include "store/RegistroAviso.h"

#include <QFile>
#include <QString>
#include <QVector>

#include <stdexcept>

// Any input/output failure of a reminders or index file.
class ReminderFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Number of whole records in the file (0 for an empty file). Throws when it cannot be read.
int ContarAvisos(const QString& archivo);
// Empty when the file is sound; otherwise a sentence saying what is wrong.
QString DiagnosticoArchivo(const QString& archivo);

// Creates an empty reminders file (an existing one is emptied).
void CrearArchivoAvisos(const QString& archivo);

RegistroAviso LeerAviso(const QString& archivo, int numero);
void EscribirAviso(const QString& archivo, int numero, const RegistroAviso& r);
QVector<RegistroAviso> LeerTodosLosAvisos(const QString& archivo);

// Appends the record (numbered count + 1) and its index entry; returns the new
// number, or 0 when the file already holds 65535 reminders.
int AnadirAviso(const QString& archivo, const QString& indice, RegistroAviso r);

// Removes reminder `numero`, renumbers the rest and resets the index to file
// order. False (files unchanged) on any file error.
bool EliminarAviso(const QString& archivo, const QString& indice, int numero);
// Drops every record marked for removal, renumbers the rest, resets the index.
// False (files unchanged) on any file error.
bool CompactarAvisos(const QString& archivo, const QString& indice);

// Switches reminder `numero` on or off; a finished reminder is left unchanged.
void ActivarDesactivarAviso(const QString& archivo, int numero);

// The index: 1..n in file order, read, or written in a given order.
void CrearIndice(const QString& indice, int n);
QVector<quint16> LeerIndice(const QString& indice);
void EscribirIndice(const QString& indice, const QVector<quint16>& numeros);

// One pass over a reminders file: records are read in large chunks (one
// buffer reused, no per-record system call) and written back in place.
class ReminderFileCursor {
public:
    explicit ReminderFileCursor(const QString& archivo); // throws when it cannot be opened
    int count() const { return m_count; }
    // Moves to the next record; false after the last one. Throws on a read error.
    bool next();
    int index() const { return m_index; } // 0-based index of the current record
    const char* raw() const { return m_chunk.constData() + (m_index - m_chunkStart) * RegistroAviso::kTamano; }
    RegistroAviso read() const { return RegistroAviso::fromBytes(raw()); }
    void write(const RegistroAviso& r); // the current record
    void close();

private:
    QFile m_file;
    QByteArray m_chunk;
    int m_count = 0;
    int m_index = -1;
    int m_chunkStart = 0;
    int m_chunkCount = 0;
};

// The list's summaries of every record, in file order.
QVector<ResumenAviso> LeerResumenes(const QString& archivo);
