// qvtool profile: writes the active profile and the address book of a
// profiles file, for scripted set-ups and tests (the preferences dialog is the
// person's way to do it).
#include "profiles/ArchivoPerfiles.h"
#include "tools/Commands.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString kUsage = QStringLiteral(
    "usage: qvtool profile FILE [--number P] --name N --email E --smtp HOST[:PORT] --pop3 HOST[:PORT] "
    "[--smtp-login L] --login L --password P [--dialup ENTRY] [--address A ...] "
    "[--smtp-security none|starttls|tls] [--pop3-security none|stls|tls] [--smtp-password P] "
    "[--ca-file FILE] [--allow-plain]");
} // namespace

// qvtool profile FILE [--number P] --name N --email E --smtp HOST[:PORT] --pop3 HOST[:PORT]
//                [--smtp-login L] --login L --password P [--dialup ENTRY] [--address A ...]
//                [--smtp-security none|starttls|tls] [--pop3-security none|stls|tls]
//                [--smtp-password P] [--ca-file FILE] [--allow-plain]
// The profile's security settings are set from the last five options (none
// given: no security); those of the other profiles are kept.
int profilesCommand(const QStringList& args) {
    const QString file = args.value(0);
    auto option = [&](const QString& name) {
        const int i = args.indexOf(name);
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
    };
    if (file.isEmpty() || option("--email").isEmpty()) {
        printErr(kUsage);
        return 2;
    }
    // Texts go into the Windows-1252 profiles file: what it cannot hold is refused, not mangled.
    for (const char* name :
         {"--name", "--email", "--smtp", "--pop3", "--smtp-login", "--login", "--password", "--dialup"}) {
        const QString value = option(QLatin1String(name));
        if (refusedAsUnstorable(QLatin1String(name), value)) return 2;
        if (value.size() > Perfiles::kCapacidadTexto) {
            printErr(QStringLiteral("qvtool: %1 is longer than %2 characters")
                         .arg(QLatin1String(name))
                         .arg(Perfiles::kCapacidadTexto));
            return 2;
        }
    }
    AjustesSeguridad seguridad;
    const QString smtpMode = option("--smtp-security"), popMode = option("--pop3-security");
    if ((!smtpMode.isEmpty() && (!LeerPalabraModo(smtpMode, seguridad.smtp) || smtpMode == "stls")) ||
        (args.contains("--smtp-security") && smtpMode.isEmpty())) {
        printErr(QStringLiteral("qvtool: --smtp-security takes none, starttls or tls"));
        return 2;
    }
    if ((!popMode.isEmpty() && (!LeerPalabraModo(popMode, seguridad.pop3) || popMode == "starttls")) ||
        (args.contains("--pop3-security") && popMode.isEmpty())) {
        printErr(QStringLiteral("qvtool: --pop3-security takes none, stls or tls"));
        return 2;
    }
    seguridad.passwdSMTP = option("--smtp-password");
    seguridad.permitirLoginEnClaro = args.contains("--allow-plain");
    if (args.contains("--ca-file")) {
        const QFileInfo ca(option("--ca-file"));
        QFile pem(ca.absoluteFilePath());
        if (!ca.isFile() || !pem.open(QIODevice::ReadOnly) ||
            !pem.read(1 << 20).contains("-----BEGIN CERTIFICATE-----")) {
            printErr(QStringLiteral("qvtool: --ca-file \"%1\" is no readable file of PEM certificates")
                         .arg(option("--ca-file")));
            return 2;
        }
        seguridad.archivoCertificados = ca.absoluteFilePath();
    }
    for (int i = 0; i < args.size(); ++i)
        if (args[i] == QLatin1String("--address") && refusedAsUnstorable(args[i], args.value(i + 1))) return 2;
    RegistroPerfiles buffer;
    QList<FilaLibreta> rows;
    QString error;
    const bool ok = QFileInfo::exists(file) ? CargarPerfiles(file, buffer, rows, &error)
                                            : CrearPerfiles(file, buffer, rows, &error);
    if (!ok) {
        printErr(QStringLiteral("qvtool: ") + error);
        return 1;
    }
    ArchivoSeguridad stored;
    if (!stored.leer(ArchivoSeguridad::rutaJunto(file), &error)) {
        printErr(QStringLiteral("qvtool: ") + error);
        return 1;
    }
    AjustesPorPerfil ajustes = stored.ajustesPara(buffer);
    const int number = option("--number").isEmpty() ? 1 : option("--number").toInt();
    if (number < 1 || number > 20) {
        printErr(QStringLiteral("qvtool: a profile number is 1 to 20"));
        return 2;
    }
    Perfil p;
    p.activo = true;
    p.nombreUsuario = option("--name");
    p.emailUsuario = option("--email");
    p.servidorSMTP = option("--smtp");
    p.servidorPOP3 = option("--pop3");
    p.loginSMTP = option("--smtp-login");
    p.loginPOP3 = option("--login");
    p.passwdPOP3 = option("--password");
    p.conexionNombre = option("--dialup");
    p.conexionPos = p.conexionNombre.isEmpty() ? 0 : 1;
    for (int p2 = 1; p2 <= 20; ++p2)
        if (p2 != number) {
            Perfil other = buffer.perfil(p2);
            other.activo = false;
            buffer.setPerfil(p2, other);
        }
    buffer.setPerfil(number, p);
    ajustes[number - 1] = seguridad;
    for (int i = 0; i < args.size(); ++i)
        if (args[i] == QLatin1String("--address") && i + 1 < args.size()) rows << FilaLibreta{args[i + 1], 0};
    if (!GuardarPerfiles(file, buffer, rows, ajustes, &error)) {
        printErr(QStringLiteral("qvtool: ") + error);
        return 1;
    }
    for (const FilaLibreta& row : buffer.filasLibreta())
        printOut(QStringLiteral("%1\t%2").arg(row.numero).arg(row.direccion));
    return 0;
}
