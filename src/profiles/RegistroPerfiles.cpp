// The profiles record: field offsets, gap closing and the address-book rebuild.
#include "profiles/RegistroPerfiles.h"

#include "core/Binary.h"

#include <cstring>

using namespace Perfiles;

namespace {
// Offsets inside one profile.
constexpr int kActivo = 0;
constexpr int kNombre = 1;
constexpr int kEmail = 62;
constexpr int kConexionPos = 124;
constexpr int kConexionNombre = 128;
constexpr int kSMTP = 189;
constexpr int kPOP3 = 250;
constexpr int kLoginSMTP = 311;
constexpr int kLoginPOP3 = 372;
constexpr int kPasswdPOP3 = 433;

bool perfilValido(int p) {
    return p >= 1 && p <= kNumPerfiles;
}
bool entradaValida(int k) {
    return k >= 1 && k <= kNumDirecciones;
}
} // namespace

RegistroPerfiles::RegistroPerfiles() : m_datos(kTamanoRegistro, '\0') {
    Binary::putU16(m_datos.data(), kFormato);
    m_datos[2] = 1;
    m_datos[3] = 0;
}

std::optional<RegistroPerfiles> RegistroPerfiles::desdeBytes(const QByteArray& bytes, QString* error) {
    auto fail = [error](const QString& why) -> std::optional<RegistroPerfiles> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (bytes.size() != kTamanoRegistro)
        return fail(QStringLiteral("not a profiles file: it holds %1 bytes instead of %2")
                        .arg(bytes.size())
                        .arg(kTamanoRegistro));
    const uint16_t formato = Binary::getU16(bytes.constData());
    if (formato != kFormato)
        return fail(
            QStringLiteral("not a profiles file: format word %1 instead of %2").arg(formato).arg(kFormato));
    const int activo = static_cast<uint8_t>(bytes[3]);
    if (activo > kNumPerfiles)
        return fail(QStringLiteral("damaged profiles file: active profile number %1 is above %2")
                        .arg(activo)
                        .arg(kNumPerfiles));
    RegistroPerfiles r;
    r.m_datos = bytes;
    return r;
}

uint16_t RegistroPerfiles::formato() const {
    return Binary::getU16(m_datos.constData());
}
int RegistroPerfiles::perfilInicial() const {
    return static_cast<uint8_t>(m_datos[2]);
}
int RegistroPerfiles::numeroActivo() const {
    return static_cast<uint8_t>(m_datos[3]);
}

std::optional<Perfil> RegistroPerfiles::perfilActivo() const {
    const int p = numeroActivo();
    if (!perfilValido(p)) return std::nullopt;
    return perfil(p);
}

Perfil RegistroPerfiles::perfil(int p) const {
    Perfil r;
    if (!perfilValido(p)) return r;
    const char* b = perfilPtr(p);
    r.activo = b[kActivo] == 1;
    r.nombreUsuario = Binary::getShortString(b + kNombre, kCapacidadTexto);
    r.emailUsuario = Binary::getShortString(b + kEmail, kCapacidadTexto);
    r.conexionPos = Binary::getI32(b + kConexionPos);
    r.conexionNombre = Binary::getShortString(b + kConexionNombre, kCapacidadTexto);
    r.servidorSMTP = Binary::getShortString(b + kSMTP, kCapacidadTexto);
    r.servidorPOP3 = Binary::getShortString(b + kPOP3, kCapacidadTexto);
    r.loginSMTP = Binary::getShortString(b + kLoginSMTP, kCapacidadTexto);
    r.loginPOP3 = Binary::getShortString(b + kLoginPOP3, kCapacidadTexto);
    r.passwdPOP3 = Binary::getShortString(b + kPasswdPOP3, kCapacidadTexto);
    return r;
}

void RegistroPerfiles::setPerfil(int p, const Perfil& perfil) {
    if (!perfilValido(p)) return;
    char* b = perfilPtr(p);
    b[kActivo] = perfil.activo ? 1 : 0;
    Binary::putShortString(b + kNombre, kCapacidadTexto, perfil.nombreUsuario);
    Binary::putShortString(b + kEmail, kCapacidadTexto, perfil.emailUsuario);
    Binary::putI32(b + kConexionPos, perfil.conexionPos);
    Binary::putShortString(b + kConexionNombre, kCapacidadTexto, perfil.conexionNombre);
    Binary::putShortString(b + kSMTP, kCapacidadTexto, perfil.servidorSMTP);
    Binary::putShortString(b + kPOP3, kCapacidadTexto, perfil.servidorPOP3);
    Binary::putShortString(b + kLoginSMTP, kCapacidadTexto, perfil.loginSMTP);
    Binary::putShortString(b + kLoginPOP3, kCapacidadTexto, perfil.loginPOP3);
    Binary::putShortString(b + kPasswdPOP3, kCapacidadTexto, perfil.passwdPOP3);
}

void RegistroPerfiles::borrarPerfil(int p) {
    setPerfil(p, Perfil{});
}

void RegistroPerfiles::hacerActivo(int p) {
    if (!perfilValido(p)) return;
    for (int q = 1; q <= kNumPerfiles; ++q)
        perfilPtr(q)[kActivo] = (q == p) ? 1 : 0;
    m_datos[3] = static_cast<char>(p);
}

QString RegistroPerfiles::direccion(int k) const {
    if (!entradaValida(k)) return {};
    return Binary::getShortString(entradaPtr(k) + 1, kCapacidadTexto);
}

int RegistroPerfiles::numeroEntrada(int k) const {
    if (!entradaValida(k)) return 0;
    return static_cast<uint8_t>(entradaPtr(k)[0]);
}

QList<FilaLibreta> RegistroPerfiles::filasLibreta() const {
    QList<FilaLibreta> filas;
    for (int k = 1; k <= kNumDirecciones; ++k) {
        const QString d = direccion(k);
        if (!d.isEmpty()) filas.append({d, numeroEntrada(k)});
    }
    return filas;
}

std::array<int, kNumPerfiles + 1> RegistroPerfiles::normalizar() {
    std::array<int, kNumPerfiles + 1> origen{};
    for (int p = 1; p <= kNumPerfiles; ++p)
        origen[p] = p;
    Binary::putU16(m_datos.data(), kFormato);
    m_datos[2] = 1;
    auto tieneEmail = [this](int p) { return static_cast<uint8_t>(perfilPtr(p)[kEmail]) != 0; };
    for (int p = 1; p <= kNumPerfiles; ++p) {
        if (tieneEmail(p)) continue;
        for (int q = p + 1; q <= kNumPerfiles; ++q) {
            if (!tieneEmail(q)) continue;
            std::memcpy(perfilPtr(p), perfilPtr(q), kTamanoPerfil);
            std::memset(perfilPtr(q), 0, kTamanoPerfil);
            origen[p] = origen[q];
            origen[q] = 0;
            break;
        }
    }
    m_datos[3] = 0;
    for (int p = 1; p <= kNumPerfiles; ++p)
        if (perfilPtr(p)[kActivo] == 1) m_datos[3] = static_cast<char>(p);
    return origen;
}

void RegistroPerfiles::guardarEntrada(int k, const QString& direccion) {
    char* e = entradaPtr(k);
    e[0] = static_cast<char>(k);
    Binary::putShortString(e + 1, kCapacidadTexto, direccion);
}

QStringList RegistroPerfiles::reconstruirLibreta(const QList<FilaLibreta>& filas) {
    for (int k = 1; k <= kNumDirecciones; ++k) {
        entradaPtr(k)[0] = 0;
        entradaPtr(k)[1] = 0;
    }
    const auto vistas = filas.mid(0, kNumDirecciones);
    QStringList sinEntrada;
    for (qsizetype i = kNumDirecciones; i < filas.size(); ++i)
        sinEntrada.append(filas[i].direccion);

    // Numbered rows keep their number. A number that is out of range or that an
    // earlier row already took (only a damaged file can hold such rows) is
    // handled like a new address, so that no address is dropped.
    QList<QString> nuevas;
    for (const FilaLibreta& f : vistas) {
        if (f.direccion.isEmpty()) continue;
        if (entradaValida(f.numero) && numeroEntrada(f.numero) == 0)
            guardarEntrada(f.numero, f.direccion);
        else
            nuevas.append(f.direccion);
    }
    int libre = 1;
    for (const QString& d : nuevas) {
        while (libre <= kNumDirecciones && numeroEntrada(libre) != 0)
            ++libre;
        if (libre > kNumDirecciones) {
            sinEntrada.append(d);
            continue;
        }
        guardarEntrada(libre, d);
    }
    return sinEntrada;
}
