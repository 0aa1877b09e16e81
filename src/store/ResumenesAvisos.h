#pragma once
// What the list, the due-check pass and the following of reminders across a
// change need of every reminder of a file, in file order and compact: sixteen
// bytes per reminder plus its description's stored bytes. Texts are decoded
// only when asked for (a row shown, a column sorted).
#include "platform/FileIdentity.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>

#include <cstdint>
#include <optional>
#include <vector>

class ResumenesAvisos {
public:
    struct Fila {
        int32_t dia = 0;     // whole days of FechaProx (0, the epoch, for a value that is no day)
        uint32_t texto = 0;  // where the description's stored bytes begin in the text store
        uint16_t Numero = 0; // as stored
        uint16_t minuto = 0; // minute of the day of HoraProx
        uint8_t Repetir = 0;
        uint8_t banderas = 0; // Bandera bits

        enum Bandera : uint8_t { Activo = 1, Terminado = 2, Caduca = 4, BorrarAlCaducar = 8, PorEmail = 16 };
        bool tiene(Bandera b) const { return (banderas & b) != 0; }
        QDate fechaProx() const;
        QTime horaProx() const; // to the minute
        // Seconds on the stored day count of the minute it falls due.
        int64_t momento() const { return int64_t(dia) * 86400 + int64_t(minuto) * 60; }
    };

    // The summary of one stored record (RegistroAviso::kTamano bytes), without its description.
    static Fila filaDe(const char* raw);
    // Appends the summary of one stored record, with its description; `fila`
    // is filaDe(raw) when the caller has already made it.
    void anadir(const char* raw);
    void anadir(const char* raw, Fila fila);
    void reservar(int n);

    int size() const { return int(m_filas.size()); }
    bool isEmpty() const { return m_filas.empty(); }
    const Fila& operator[](int i) const { return m_filas[i]; }
    QByteArrayView descripcionGuardada(int i) const; // Windows-1252, as stored
    QString descripcion(int i) const;
    // The same reminder seen in two readings of a file: description,
    // repetition, expiry, removal and e-mail match (date and state may differ).
    static bool mismoAviso(const ResumenesAvisos& a, int i, const ResumenesAvisos& b, int j);

    // The rows and descriptions as bytes (without identity and flags), and
    // back: empty when the bytes are not whole, consistent summaries.
    QByteArray guardados() const;
    static std::optional<ResumenesAvisos> deGuardados(QByteArrayView bytes);

    // The file's identity when the reading ended (empty when it could not be
    // examined): a file that no longer has it has changed since.
    std::optional<FileIdentity> identidad;
    // Nothing wrote to the file while it was read (neither a pass that read it
    // nor another program): only then do the summaries tell what the file held
    // before its identity was taken.
    bool sinEscrituras = false;

private:
    std::vector<Fila> m_filas;
    std::vector<char> m_textos; // per reminder: a length byte, then the description's bytes
};
