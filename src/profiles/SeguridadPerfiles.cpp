// The companion file "QV.PFS": per-profile mail security settings.
//
// Format (UTF-8 text, one entry per in-use profile; values percent-encoded so
// that any password or path fits on one line):
//   [profile 3]
//   email=ana%40example.org
//   smtp-server=mail.example.org
//   pop3-server=mail.example.org
//   smtp-security=starttls
//   pop3-security=tls
//   smtp-password=secret          (or smtp-password-in=keyring: it is in the desktop keyring)
//   allow-plain=no
//   ca-file=%2Fhome%2Fana%2Fcompany.pem
#include "profiles/SeguridadPerfiles.h"

#include "platform/DurableFile.h"
#include "profiles/MailPasswords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

QByteArray codificar(const QString& texto) {
    return texto.toUtf8().toPercentEncoding(QByteArrayLiteral("@.:/-_~+"));
}

QString decodificar(const QByteArray& valor) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(valor));
}

QString nativa(const QString& ruta) {
    return QDir::toNativeSeparators(ruta);
}

} // namespace

QString PalabraModo(ModoSeguridad modo, ProtocoloCorreo protocolo) {
    switch (modo) {
    case ModoSeguridad::StartTls:
        return protocolo == ProtocoloCorreo::Smtp ? QStringLiteral("starttls") : QStringLiteral("stls");
    case ModoSeguridad::Tls:
        return QStringLiteral("tls");
    case ModoSeguridad::Ninguna:
        break;
    }
    return QStringLiteral("none");
}

bool LeerPalabraModo(const QString& palabra, ModoSeguridad& modo) {
    const QString p = palabra.trimmed().toLower();
    if (p == QLatin1String("none"))
        modo = ModoSeguridad::Ninguna;
    else if (p == QLatin1String("starttls") || p == QLatin1String("stls"))
        modo = ModoSeguridad::StartTls;
    else if (p == QLatin1String("tls"))
        modo = ModoSeguridad::Tls;
    else
        return false;
    return true;
}

QString ArchivoSeguridad::rutaJunto(const QString& rutaPerfiles) {
    return rutaPerfiles.left(rutaPerfiles.lastIndexOf(QLatin1Char('/')) + 1) +
           QLatin1String(kNombreArchivoSeguridad);
}

bool ArchivoSeguridad::leer(const QString& ruta, QString* error) {
    m_existe = false;
    m_entradas.clear();
    auto fallo = [&](const QString& por) {
        if (error) *error = QStringLiteral("%1: %2").arg(nativa(ruta), por);
        m_entradas.clear();
        return false;
    };
    const QFileInfo info(ruta);
    if (!info.exists() && !info.isSymLink()) return true;
    m_existe = true;
    if (!info.isFile()) return fallo(QStringLiteral("not a regular file"));
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return fallo(f.errorString());
    // A settings file of a few kilobytes; anything far larger is not ours.
    const QByteArray datos = f.read(1 << 20);
    if (f.error() != QFileDevice::NoError) return fallo(f.errorString());
    static const QRegularExpression seccion(QStringLiteral("^\\[profile ([0-9]{1,2})\\]$"));
    EntradaSeguridad* actual = nullptr;
    int numeroLinea = 0;
    for (QByteArray linea : datos.split('\n')) {
        ++numeroLinea;
        if (linea.endsWith('\r')) linea.chop(1);
        if (linea.trimmed().isEmpty() || linea.startsWith('#')) continue;
        const auto m = seccion.match(QString::fromLatin1(linea));
        if (m.hasMatch()) {
            const int p = m.captured(1).toInt();
            if (p < 1 || p > Perfiles::kNumPerfiles)
                return fallo(QStringLiteral("line %1: no profile %2").arg(numeroLinea).arg(p));
            m_entradas.append(EntradaSeguridad{});
            actual = &m_entradas.last();
            actual->perfil = p;
            continue;
        }
        const qsizetype igual = linea.indexOf('=');
        if (!actual || igual <= 0) return fallo(QStringLiteral("line %1 is not understood").arg(numeroLinea));
        const QByteArray clave = linea.left(igual).trimmed();
        const QByteArray valor = linea.mid(igual + 1);
        AjustesSeguridad& a = actual->ajustes;
        if (clave == "email")
            actual->email = decodificar(valor);
        else if (clave == "smtp-server")
            actual->servidorSMTP = decodificar(valor);
        else if (clave == "pop3-server")
            actual->servidorPOP3 = decodificar(valor);
        else if (clave == "smtp-security" || clave == "pop3-security") {
            ModoSeguridad modo;
            if (!LeerPalabraModo(QString::fromLatin1(valor), modo))
                return fallo(QStringLiteral("line %1: unknown security \"%2\"")
                                 .arg(numeroLinea)
                                 .arg(QString::fromLatin1(valor)));
            (clave == "smtp-security" ? a.smtp : a.pop3) = modo;
        } else if (clave == "smtp-password")
            a.passwdSMTP = decodificar(valor);
        else if (clave == "smtp-password-in")
            a.passwdEnLlavero = valor.trimmed() == "keyring";
        else if (clave == "allow-plain")
            a.permitirLoginEnClaro = valor.trimmed() == "yes";
        else if (clave == "ca-file")
            a.archivoCertificados = decodificar(valor);
        // Other keys belong to later versions: kept out, not refused.
    }
    return true;
}

QByteArray ArchivoSeguridad::bytes() const {
    QByteArray datos = "# Orbalinder: mail security of the profiles in QV.PFL. Holds passwords: "
                       "owner-only. Written by the preferences dialog and qvtool.\n";
    for (const EntradaSeguridad& e : m_entradas) {
        const AjustesSeguridad& a = e.ajustes;
        datos += "\n[profile " + QByteArray::number(e.perfil) + "]\n";
        datos += "email=" + codificar(e.email) + '\n';
        datos += "smtp-server=" + codificar(e.servidorSMTP) + '\n';
        datos += "pop3-server=" + codificar(e.servidorPOP3) + '\n';
        datos += "smtp-security=" + PalabraModo(a.smtp, ProtocoloCorreo::Smtp).toLatin1() + '\n';
        datos += "pop3-security=" + PalabraModo(a.pop3, ProtocoloCorreo::Pop3).toLatin1() + '\n';
        if (a.passwdEnLlavero)
            datos += "smtp-password-in=keyring\n";
        else
            datos += "smtp-password=" + codificar(a.passwdSMTP) + '\n';
        datos += QByteArray("allow-plain=") + (a.permitirLoginEnClaro ? "yes" : "no") + '\n';
        datos += "ca-file=" + codificar(a.archivoCertificados) + '\n';
    }
    return datos;
}

bool ArchivoSeguridad::escribir(const QString& ruta, QString* error) const {
    // Owner only, whatever the old file's permissions were: it holds passwords.
    return DurableFile::save(ruta, bytes(), error, 0600);
}

bool ArchivoSeguridad::traerContrasenas(QString* error) {
    return MailPasswords::fill(m_entradas, error);
}

const EntradaSeguridad* ArchivoSeguridad::entradaDe(int p, const Perfil& perfil) const {
    for (const EntradaSeguridad& e : m_entradas)
        if (e.perfil == p && e.correspondeA(perfil)) return &e;
    for (const EntradaSeguridad& e : m_entradas)
        if (e.correspondeA(perfil)) return &e;
    return nullptr;
}

AjustesPorPerfil ArchivoSeguridad::ajustesPara(const RegistroPerfiles& registro) const {
    AjustesPorPerfil ajustes;
    for (int p = 1; p <= Perfiles::kNumPerfiles; ++p) {
        const Perfil perfil = registro.perfil(p);
        if (const EntradaSeguridad* e = entradaDe(p, perfil))
            ajustes[p - 1] = e->ajustes;
        else if (!m_existe || !perfil.enUso())
            ajustes[p - 1] = AjustesSeguridad();
    }
    return ajustes;
}

bool SeguridadActiva::loginEnClaroPermitido() const {
    switch (estado) {
    case SinAjustes:
        return true;
    case Perdidos:
        return false;
    case Vigentes:
        break;
    }
    return ajustes.permitirLoginEnClaro ||
           (ajustes.smtp == ModoSeguridad::Ninguna && ajustes.pop3 == ModoSeguridad::Ninguna);
}

SeguridadActiva LeerSeguridadActiva(const QString& rutaPerfiles, const RegistroPerfiles& registro) {
    SeguridadActiva r;
    const int activo = registro.numeroActivo();
    if (activo == 0) return r;
    ArchivoSeguridad archivo;
    QString error;
    if (!archivo.leer(ArchivoSeguridad::rutaJunto(rutaPerfiles), &error)) {
        r.estado = SeguridadActiva::Perdidos;
        r.motivo =
            QStringLiteral("Security settings unreadable (%1); nothing is sent in clear text").arg(error);
        return r;
    }
    if (!archivo.existe()) return r;
    const Perfil perfil = registro.perfil(activo);
    if (const EntradaSeguridad* e = archivo.entradaDe(activo, perfil)) {
        r.estado = SeguridadActiva::Vigentes;
        r.ajustes = e->ajustes;
        if (r.ajustes.passwdEnLlavero) {
            QList<EntradaSeguridad> una{*e};
            if (!MailPasswords::fill(una, &error)) {
                r.estado = SeguridadActiva::Perdidos;
                r.motivo = QStringLiteral("The SMTP password of profile %1 (%2) is in the desktop keyring, "
                                          "which cannot give it (%3)")
                               .arg(activo)
                               .arg(perfil.emailUsuario, error);
                return r;
            }
            r.ajustes = una.first().ajustes;
        }
        return r;
    }
    r.estado = SeguridadActiva::Perdidos;
    // An entry written for this profile, or for its address, means its servers
    // were changed behind the preferences' back; none at all means the entry was
    // taken out of the file while the profile still names the same servers.
    const bool rastro =
        std::any_of(archivo.entradas().cbegin(), archivo.entradas().cend(), [&](const EntradaSeguridad& e) {
            return e.perfil == activo || e.email == perfil.emailUsuario;
        });
    const QString causa =
        rastro ? QStringLiteral("no longer match its servers")
               : QStringLiteral("are missing from %1").arg(QLatin1String(kNombreArchivoSeguridad));
    r.motivo =
        QStringLiteral("Security settings of profile %1 (%2) %3; nothing is sent in clear text until the "
                       "profile is saved again in the preferences")
            .arg(activo)
            .arg(perfil.emailUsuario, causa);
    return r;
}

int PuertoPorDefecto(ProtocoloCorreo protocolo, ModoSeguridad modo) {
    if (protocolo == ProtocoloCorreo::Smtp)
        return modo == ModoSeguridad::Tls ? 465 : modo == ModoSeguridad::StartTls ? 587 : 25;
    return modo == ModoSeguridad::Tls ? 995 : 110;
}

DestinoServidor DestinoDe(const QString& servidor, ProtocoloCorreo protocolo, ModoSeguridad modo) {
    DestinoServidor d{servidor.trimmed(), PuertoPorDefecto(protocolo, modo)};
    // "[address]" or "[address]:port" for an IPv6 address; otherwise a second
    // colon makes the whole text an IPv6 address, without a port.
    const bool corchetes = d.host.startsWith(QLatin1Char('['));
    const qsizetype cierre = corchetes ? d.host.indexOf(QLatin1Char(']')) : -1;
    if (corchetes && cierre < 0) return d;
    const qsizetype dosPuntos = d.host.lastIndexOf(QLatin1Char(':'));
    if (corchetes && cierre == d.host.size() - 1) {
        d.host = d.host.mid(1, cierre - 1);
        return d;
    }
    if (corchetes ? dosPuntos != cierre + 1 : d.host.indexOf(QLatin1Char(':')) != dosPuntos) return d;
    if (dosPuntos > 0) {
        bool ok = false;
        const int puerto = d.host.mid(dosPuntos + 1).toInt(&ok);
        if (ok && puerto > 0 && puerto < 65536) {
            d.puerto = puerto;
            d.host = corchetes ? d.host.mid(1, cierre - 1) : d.host.left(dosPuntos);
        }
    }
    return d;
}
