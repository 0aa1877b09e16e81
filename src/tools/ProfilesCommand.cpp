// qvtool profile: writes the active profile and the address book of a
// profiles file, for scripted set-ups and tests (the preferences dialog is the
// person's way to do it).
#include "profiles/ArchivoPerfiles.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

// qvtool profile FILE [--number P] --name N --email E --smtp HOST[:PORT] --pop3 HOST[:PORT]
//                [--smtp-login L] --login L --password P [--dialup ENTRY] [--address A ...]
//                [--smtp-security none|starttls|tls] [--pop3-security none|stls|tls]
//                [--smtp-password P] [--ca-file FILE] [--allow-plain]
// The profile's security settings are set from the last five options (none
// given: no security); those of the other profiles are kept. A password "-"
// is read from standard input.
int profilesCommand(const QStringList& words) {
    CommandLine line(
        QStringLiteral("profile"),
        QStringLiteral("FILE [--number P] --name N --email E --smtp HOST[:PORT] --pop3 HOST[:PORT] "
                       "[--smtp-login L] --login L --password P|- [--dialup ENTRY] [--address A ...] "
                       "[--smtp-security none|starttls|tls] [--pop3-security none|stls|tls] "
                       "[--smtp-password P|-] [--ca-file FILE] [--allow-plain]"),
        QStringLiteral("Writes the active profile and the address book of a profiles file (QV.PFL)."));
    line.argument(QStringLiteral("FILE"), QStringLiteral("the profiles file (made when missing)"));
    line.option("number", "P", "the profile's number, 1 to 20", "1");
    line.option("name", "N", "the user's full name");
    line.option("email", "E", "the user's e-mail address (required)");
    line.option("smtp", "HOST[:PORT]", "the SMTP server");
    line.option("pop3", "HOST[:PORT]", "the POP3 server");
    line.option("smtp-login", "L", "the SMTP login");
    line.option("login", "L", "the POP3 login");
    line.option("password", "P", "the POP3 password; - reads it from standard input");
    line.option("dialup", "ENTRY", "the dial-up connection");
    line.option("address", "A", "an address-book entry (repeatable)");
    line.option("smtp-security", "MODE", "none, starttls or tls");
    line.option("pop3-security", "MODE", "none, stls or tls");
    line.option("smtp-password", "P", "the SMTP password; - reads it from standard input");
    line.option("ca-file", "FILE", "PEM file of extra trusted certificates");
    line.option("allow-plain", {}, "allow passwords without encryption");
    if (const auto rc = line.parse(words, 1, 1)) return *rc;
    const QString file = line.argument(0);
    if (line.value("email").isEmpty()) return line.usageError(QStringLiteral("profile needs --email"));
    // Secrets given as "-" come from standard input, the POP3 password first.
    QHash<QString, QString> secrets;
    for (const char* name : {"password", "smtp-password"}) {
        const std::optional<QString> secret = secretValue(line.value(QLatin1String(name)));
        if (!secret) {
            printErr(
                QStringLiteral("qvtool: --%1 -: nothing to read on standard input").arg(QLatin1String(name)));
            return ExitCode::kUsage;
        }
        secrets.insert(QStringLiteral("--") + QLatin1String(name), *secret);
    }
    auto option = [&](const QString& name) {
        return secrets.contains(name) ? secrets.value(name) : line.value(name.mid(2));
    };
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
        (line.isSet("smtp-security") && smtpMode.isEmpty())) {
        printErr(QStringLiteral("qvtool: --smtp-security takes none, starttls or tls"));
        return 2;
    }
    if ((!popMode.isEmpty() && (!LeerPalabraModo(popMode, seguridad.pop3) || popMode == "starttls")) ||
        (line.isSet("pop3-security") && popMode.isEmpty())) {
        printErr(QStringLiteral("qvtool: --pop3-security takes none, stls or tls"));
        return 2;
    }
    seguridad.passwdSMTP = option("--smtp-password");
    seguridad.permitirLoginEnClaro = line.isSet("allow-plain");
    if (line.isSet("ca-file")) {
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
    for (const QString& address : line.values("address"))
        if (refusedAsUnstorable(QStringLiteral("--address"), address)) return 2;
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
    const int number = option("--number").toInt();
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
    for (const QString& address : line.values("address"))
        rows << FilaLibreta{address, 0};
    if (!GuardarPerfiles(file, buffer, rows, ajustes, &error)) {
        printErr(QStringLiteral("qvtool: ") + error);
        return 1;
    }
    for (const FilaLibreta& row : buffer.filasLibreta())
        printOut(QStringLiteral("%1\t%2").arg(row.numero).arg(row.direccion));
    return 0;
}
