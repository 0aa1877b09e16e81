#pragma once
// Per-profile mail security (TLS modes, SMTP password, plain-text login, extra
// trusted certificates), kept in "QV.PFS" beside "QV.PFL" so that the profiles
// file keeps its exact format. The companion file is owner-only text; each entry
// repeats its profile's e-mail address and server names, and an entry that no
// longer matches its profile is never used.
#include "profiles/RegistroPerfiles.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

inline constexpr const char* kNombreArchivoSeguridad = "QV.PFS";

enum class ProtocoloCorreo { Smtp, Pop3 };

// How a server is reached: in clear text, upgraded with STARTTLS (SMTP) / STLS
// (POP3), or with TLS from the first byte.
enum class ModoSeguridad { Ninguna, StartTls, Tls };

// "none", "starttls"/"stls", "tls": the words of the file and of qvtool.
QString PalabraModo(ModoSeguridad modo, ProtocoloCorreo protocolo);
// Accepts the words above (any letter case; "stls" and "starttls" for both
// protocols). False for any other text.
bool LeerPalabraModo(const QString& palabra, ModoSeguridad& modo);

struct AjustesSeguridad {
    ModoSeguridad smtp = ModoSeguridad::Ninguna;
    ModoSeguridad pop3 = ModoSeguridad::Ninguna;
    QString passwdSMTP;                // for AUTH PLAIN / LOGIN with the profile's SMTP login
    bool permitirLoginEnClaro = false; // USER/PASS and AUTH also on an unencrypted channel
    QString archivoCertificados;       // PEM file of extra trusted certificates; empty for none
    bool passwdEnLlavero = false;      // the SMTP password is kept in the desktop keyring, not in the file

    bool porDefecto() const { return *this == AjustesSeguridad(); }
    bool operator==(const AjustesSeguridad&) const = default;
};

// Settings per profile number: index p - 1 for profile p. No value: the profile
// has lost its entry (it gets none when saved, so it stays lost until the user
// gives it settings).
using AjustesPorPerfil = std::array<std::optional<AjustesSeguridad>, Perfiles::kNumPerfiles>;

// One entry of the companion file.
struct EntradaSeguridad {
    int perfil = 0; // the profile number it was written for
    QString email, servidorSMTP, servidorPOP3;
    AjustesSeguridad ajustes;

    bool correspondeA(const Perfil& p) const {
        return p.enUso() && p.emailUsuario == email && p.servidorSMTP == servidorSMTP &&
               p.servidorPOP3 == servidorPOP3;
    }
};

class ArchivoSeguridad {
public:
    // The companion of the profiles file `rutaPerfiles` (same folder, "QV.PFS").
    static QString rutaJunto(const QString& rutaPerfiles);

    // Reads the file. A file that does not exist gives `existe` false and an
    // empty list (returns true); a file that cannot be read or is damaged
    // returns false with a message in `error`.
    bool leer(const QString& ruta, QString* error = nullptr);
    // Writes the whole file through a work file renamed over the old one,
    // readable by its owner only. False with a message when that fails.
    bool escribir(const QString& ruta, QString* error = nullptr) const;
    QByteArray bytes() const; // what escribir writes

    bool existe() const { return m_existe; }
    const QList<EntradaSeguridad>& entradas() const { return m_entradas; }
    void setEntradas(const QList<EntradaSeguridad>& entradas) { m_entradas = entradas; }

    // Fills in the SMTP passwords of the entries that keep theirs in the desktop
    // keyring (MailPasswords). False with the reason when the keyring cannot give
    // one; that entry's password stays empty.
    bool traerContrasenas(QString* error = nullptr);

    // The entry for profile p: the one written for that number when it still
    // matches, else the first one that matches the profile's address and servers.
    const EntradaSeguridad* entradaDe(int p, const Perfil& perfil) const;
    // Settings of every profile of `registro`: its entry's; defaults for a
    // profile not in use and for every profile while the file does not exist;
    // no value for a profile in use that has no matching entry in an existing file.
    AjustesPorPerfil ajustesPara(const RegistroPerfiles& registro) const;

private:
    bool m_existe = false;
    QList<EntradaSeguridad> m_entradas;
};

// What the mail session must do about security for the active profile.
struct SeguridadActiva {
    enum Estado {
        SinAjustes, // no companion file: the plain behaviour of the profiles file alone
        Vigentes,   // the profile's entry: use `ajustes`
        Perdidos,   // the companion file exists but holds no entry for this profile (or
                    // cannot be read): nothing may go out in clear text; `motivo` says why
    };
    Estado estado = SinAjustes;
    AjustesSeguridad ajustes;
    QString motivo; // a sentence for the session log when Perdidos

    // Whether USER/PASS or AUTH may be sent over a channel that is not encrypted:
    // yes without settings, never for a lost entry; with settings only when the
    // profile allows it or asks for no encryption on either server.
    bool loginEnClaroPermitido() const;
};

// Reads the companion of `rutaPerfiles` for the active profile of `registro`.
// No active profile gives SinAjustes.
SeguridadActiva LeerSeguridadActiva(const QString& rutaPerfiles, const RegistroPerfiles& registro);

// Host and port of a profile's server field: a port written as "host:port"
// (an IPv6 address in brackets: "[::1]:2525"; "[::1]" and a bare "::1" take
// the default port) wins; otherwise 465 (SMTP over TLS), 587 (SMTP with STARTTLS), 25 (SMTP),
// 995 (POP3 over TLS), 110 (POP3 with STLS or in clear).
struct DestinoServidor {
    QString host;
    int puerto = 0;
};
DestinoServidor DestinoDe(const QString& servidor, ProtocoloCorreo protocolo, ModoSeguridad modo);
int PuertoPorDefecto(ProtocoloCorreo protocolo, ModoSeguridad modo);
