#pragma once
// The reminder record and its exact 836-byte stored form: little-endian fields
// at fixed offsets, texts as Windows-1252 short strings, dates and times as
// day-count doubles. Bytes that carry no meaning are written as zero. The first
// alignment byte after the description holds the chosen day of a monthly or
// yearly reminder; other programs ignore it, and a value that does not agree
// with the date is not used (see DiaDelAviso).
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <array>
#include <cstdint>

struct RegistroAviso {
    static constexpr int kTamano = 836;
    static constexpr int kMaxAvisos = 65535;

    uint16_t Estado = 2;    // 2 live; 0 marked for removal (any non-zero is live)
    bool Activo = true;     // switched on
    bool Terminado = false; // finished: never due again
    uint16_t Numero = 0;    // 1-based position in the file
    QString Descripcion;    // at most 30 characters
    uint8_t DiaElegido = 0; // monthly and yearly: the day of the month chosen (1..31); 0 = FechaProx's day
    double FechaProx = 0;   // next occurrence: whole-day part
    double HoraProx = 0;    // next occurrence: time-of-day fraction
    uint8_t Repetir = 0;    // repetition code (0..7, or 127 + weekday mask)
    QString Texto;          // pop-up text, at most 255 characters, CR LF line breaks
    QString Sonido;         // wave file path; empty = built-in sound
    bool Caduca = false;    // has an expiry date
    bool BorrarAlCaducar = false;
    double FechaUlt = 0;                      // expiry date: whole-day part
    bool PorEmail = false;                    // exactly when a recipient slot is non-zero
    std::array<uint8_t, 255> Destinatarios{}; // address-book entry numbers, 0 = empty slot

    // A new reminder's defaults at `ahora`: active, once only, dated today at now.
    static RegistroAviso nuevo(const QDateTime& ahora);

    QDate fechaProx() const;
    QTime horaProx() const;
    QDate fechaUlt() const;
    void setFechaProx(QDate d);
    void setHoraProx(QTime t);
    void setFechaUlt(QDate d);

    // The stored form. Texts longer than their fields are cut.
    QByteArray toBytes() const;
    void toBytes(char* out) const;
    // Reads one stored record (exactly kTamano bytes).
    static RegistroAviso fromBytes(const char* data);

    bool operator==(const RegistroAviso&) const = default;
};

// What the list and the due test need of a record, read straight from its
// stored bytes without decoding the long texts.
struct ResumenAviso {
    uint16_t Numero = 0;
    bool Activo = false;
    bool Terminado = false;
    bool Caduca = false;
    bool BorrarAlCaducar = false;
    bool PorEmail = false;
    uint8_t Repetir = 0;
    double FechaProx = 0;
    double HoraProx = 0;
    QString Descripcion;

    static ResumenAviso deBytes(const char* data, bool conDescripcion = true);
    static ResumenAviso de(const RegistroAviso& r);
    QDate fechaProx() const;
    QTime horaProx() const;
};

// Field offsets of the stored record.
namespace OffsetsAviso {
inline constexpr int Estado = 0, Activo = 2, Terminado = 3, Numero = 4, Descripcion = 6, DiaElegido = 37,
                     FechaProx = 40, HoraProx = 48, Repetir = 56, Texto = 57, Sonido = 313, Caduca = 569,
                     BorrarAlCaducar = 570, FechaUlt = 572, PorEmail = 580, Destinatarios = 581;
}
