// qvtool profile: writes the active profile and the address book of a
// profiles file, for scripted set-ups and tests (the preferences dialog is the
// person's way to do it).
#include "profiles/ArchivoPerfiles.h"
#include "tools/Commands.h"

#include <QFileInfo>

// qvtool profile FILE [--number P] --name N --email E --smtp HOST[:PORT] --pop3 HOST[:PORT]
//                [--smtp-login L] --login L --password P [--dialup ENTRY] [--address A ...]
int profilesCommand(const QStringList& args) {
    const QString file = args.value(0);
    auto option = [&](const QString& name) {
        const int i = args.indexOf(name);
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
    };
    if (file.isEmpty() || option("--email").isEmpty()) {
        printErr(QStringLiteral("usage: qvtool profile FILE [--number P] --name N --email E --smtp HOST[:PORT] "
                                "--pop3 HOST[:PORT] [--smtp-login L] --login L --password P [--dialup ENTRY] "
                                "[--address A ...]"));
        return 2;
    }
    RegistroPerfiles buffer;
    QList<FilaLibreta> rows;
    QString error;
    const bool ok = QFileInfo::exists(file) ? CargarPerfiles(file, buffer, rows, &error)
                                            : CrearPerfiles(file, buffer, rows, &error);
    if (!ok) {
        printErr(QStringLiteral("qvtool: ") + error);
        return 1;
    }
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
    for (int i = 0; i < args.size(); ++i)
        if (args[i] == QLatin1String("--address") && i + 1 < args.size()) rows << FilaLibreta{args[i + 1], 0};
    if (!GuardarPerfiles(file, buffer, rows, &error)) {
        printErr(QStringLiteral("qvtool: ") + error);
        return 1;
    }
    for (const FilaLibreta& row : buffer.filasLibreta()) printOut(QStringLiteral("%1\t%2").arg(row.numero).arg(row.direccion));
    return 0;
}
