#pragma once
// The profiles record: 20 user profiles and the 255-entry address book, kept as
// the exact 25736 bytes of "QV.PFL" so that unused bytes survive a load and save.
#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace Perfiles {
inline constexpr int kTamanoRegistro = 25736;
inline constexpr int kNumPerfiles = 20;
inline constexpr int kTamanoPerfil = 496;
inline constexpr int kNumDirecciones = 255;
inline constexpr int kTamanoDireccion = 62;
inline constexpr int kCapacidadTexto = 60; // characters of every text field
inline constexpr uint16_t kFormato = 256;
inline constexpr int kInicioPerfiles = 4;
inline constexpr int kInicioLibreta = 9924;
} // namespace Perfiles

// One profile, decoded. A profile is in use exactly when it has an e-mail address.
struct Perfil {
    bool activo = false;
    QString nombreUsuario;   // sender name of outgoing mail
    QString emailUsuario;    // sender and reply address
    int32_t conexionPos = 0; // position in the connection list; dial only when >= 1
    QString conexionNombre;  // dial-up phonebook entry name
    QString servidorSMTP;
    QString servidorPOP3;
    QString loginSMTP;
    QString loginPOP3;
    QString passwdPOP3; // stored as typed

    bool enUso() const { return !emailUsuario.isEmpty(); }
    bool quiereMarcar() const { return conexionPos >= 1; }
    bool operator==(const Perfil&) const = default;
};

// One row of the preferences dialog's address list: the address and its entry
// number (0 for an address added since the last load).
struct FilaLibreta {
    QString direccion;
    int numero = 0;
    bool operator==(const FilaLibreta&) const = default;
};

class RegistroPerfiles {
public:
    // A new, empty record: format 256, first profile 1, no active profile,
    // every profile and address-book entry empty.
    RegistroPerfiles();

    // Takes a record read from a file. A record of the wrong size, with a
    // format word other than 256 or an active-profile number above 20 is refused:
    // returns nothing and, when `error` is given, says why.
    static std::optional<RegistroPerfiles> desdeBytes(const QByteArray& bytes, QString* error = nullptr);
    const QByteArray& bytes() const { return m_datos; }

    uint16_t formato() const;
    int perfilInicial() const; // byte 2: the profile the dialog shows first
    int numeroActivo() const;  // byte 3: 0 = none

    // The active profile, or nothing when byte 3 is 0.
    std::optional<Perfil> perfilActivo() const;

    // Profiles are numbered 1..20; other numbers read as an empty profile and
    // are ignored by the setters.
    Perfil perfil(int p) const;
    // Stores every field, texts cut to 60 characters; unused bytes are kept.
    void setPerfil(int p, const Perfil& perfil);
    // Active off, every text empty, connection position 0.
    void borrarPerfil(int p);
    // Makes p the only active profile (byte 3 = p).
    void hacerActivo(int p);

    // Address-book entry k (1..255): its address, empty for a free entry or a
    // number out of range.
    QString direccion(int k) const;
    // The number byte of entry k (k for a used entry, 0 for a free one).
    int numeroEntrada(int k) const;
    // Rows for the dialog's address list: every entry with an address, in
    // entry order, with the number its first byte holds.
    QList<FilaLibreta> filasLibreta() const;

    // The save-time normalisation: format word and first profile reset, the
    // gaps between profiles closed (address-less profiles move behind the
    // others and are overwritten by them), byte 3 taken from the last profile
    // whose active byte is 1. Returns, for each profile number p (1..20), the
    // number the profile now at p had before (0 for a profile cleared by a move).
    std::array<int, Perfiles::kNumPerfiles + 1> normalizar();

    // Rebuilds the address book from the dialog's rows (at most 255 are looked
    // at), keeping each numbered row's entry number and giving new rows the
    // first free entries. Returns the addresses that found no entry.
    QStringList reconstruirLibreta(const QList<FilaLibreta>& filas);

private:
    char* perfilPtr(int p) {
        return m_datos.data() + Perfiles::kInicioPerfiles + (p - 1) * Perfiles::kTamanoPerfil;
    }
    const char* perfilPtr(int p) const {
        return m_datos.constData() + Perfiles::kInicioPerfiles + (p - 1) * Perfiles::kTamanoPerfil;
    }
    char* entradaPtr(int k) {
        return m_datos.data() + Perfiles::kInicioLibreta + (k - 1) * Perfiles::kTamanoDireccion;
    }
    const char* entradaPtr(int k) const {
        return m_datos.constData() + Perfiles::kInicioLibreta + (k - 1) * Perfiles::kTamanoDireccion;
    }
    void guardarEntrada(int k, const QString& direccion);

    QByteArray m_datos;
};
