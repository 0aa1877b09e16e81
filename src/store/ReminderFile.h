#pragma once
// The reminders file (a plain sequence of 836-byte records, record k numbered k)
// and its display-order index (16-bit numbers, one per row of the list).
// Every operation opens, works and closes, under the file's lock (FileLock:
// shared to read, exclusive to change), so programs that use the same file at
// once never lose each other's records. Whole-file rewrites build a work file
// beside the reminders file and then replace the old file in one rename, so a
// crash leaves the old or the new file, never none. Every record write is
// checked to its last byte and forced to disk; one that did not land whole is
// undone and reported.
//
// A file whose size is not a multiple of 836 (truncated, or not a reminders file)
// is used for its whole records; DiagnosticoArchivo says what is wrong with it.
#include "platform/FileLock.h"
#include "store/RegistroAviso.h"
#include "store/ResumenesAvisos.h"

#include <QFile>
#include <QString>
#include <QVector>

#include <memory>

#include <stdexcept>

// Any input/output failure of a reminders or index file. what() is an English
// sentence (the command-line tool prints it); the fields let a window say the
// same in its own language.
class ReminderFileError : public std::runtime_error {
public:
    enum class Operacion { Abrir, Crear, Leer, Escribir, Reemplazar, Copiar, Reescribir };
    enum class Causa {
        Sistema,         // the operating system refused: see errorNumber()
        NoExiste,        // the file does not exist
        SinAviso,        // no record of that number: see numero()
        AvisoIncompleto, // the record of that number is cut short: see numero()
        FinPrematuro,    // the file ended before its last whole record
        Excesivo,        // more records than a reminders file may hold
        Ocupado,         // another program kept the file locked too long
        Otra             // only the English text says what
    };
    explicit ReminderFileError(const std::string& text) : std::runtime_error(text) {}
    ReminderFileError(Operacion op, const QString& path, Causa causa, int errorNumber, int numero,
                      const QString& englishText);
    Operacion operacion() const { return m_op; }
    Causa causa() const { return m_causa; }
    const QString& path() const { return m_path; }
    int errorNumber() const { return m_errno; }
    int numero() const { return m_numero; }

private:
    Operacion m_op = Operacion::Abrir;
    Causa m_causa = Causa::Otra;
    QString m_path;
    int m_errno = 0;
    int m_numero = 0;
};

// Number of whole records in the file (0 for an empty file). Throws when it cannot be read.
int ContarAvisos(const QString& archivo);
// What is wrong with a reminders file that can still be used, if anything.
struct Diagnostico {
    enum class Estado { Sano, NoLegible, Incompleto, Excesivo };
    Estado estado = Estado::Sano;
    qint64 bytes = 0;     // file size
    qint64 completos = 0; // whole records
    qint64 sobrantes = 0; // bytes after the last whole record
    int errorNumber = 0;  // NoLegible: the system's error number
};
Diagnostico DiagnosticarArchivo(const QString& archivo);
// Empty when the file is sound; otherwise an English sentence saying what is wrong.
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
    // Throws when it cannot be opened; opened read-only, write() fails. Holds
    // the file's lock (shared to read, exclusive to write) until closed.
    explicit ReminderFileCursor(const QString& archivo, QIODevice::OpenMode modo = QIODevice::ReadWrite);
    ~ReminderFileCursor();
    int count() const { return m_count; }
    // Moves to the next record; false after the last one. Throws on a read error.
    bool next();
    int index() const { return m_index; } // 0-based index of the current record
    const char* raw() const {
        return m_chunk.constData() + (m_index - m_chunkStart) * RegistroAviso::kTamano;
    }
    RegistroAviso read() const { return RegistroAviso::fromBytes(raw()); }
    void write(const RegistroAviso& r); // the current record
    void close();

private:
    std::unique_ptr<FileLock> m_lock;
    QFile m_file;
    QByteArray m_chunk;
    int m_count = 0;
    int m_index = -1;
    int m_chunkStart = 0;
    int m_chunkCount = 0;
};

// Holds a reminders file's exclusive lock across several operations, so that
// they are one step for every other program (the due-check pass: read,
// advance, write back, compact). Throws ReminderFileError when another program
// keeps the file longer than the wait; a missing file is not locked.
class ReminderFileLock {
public:
    explicit ReminderFileLock(const QString& archivo);

private:
    FileLock m_lock;
};

// The summaries of every record, in file order, with the file's identity.
ResumenesAvisos LeerResumenes(const QString& archivo);
