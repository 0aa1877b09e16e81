// Reading and writing "QV.PFL".
#include "profiles/ArchivoPerfiles.h"

#include "platform/DurableFile.h"
#include "profiles/MailPasswords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

QString RutaArchivoPerfiles(const QString& dirPrograma) {
    return dirPrograma + QLatin1String(kNombreArchivoPerfiles);
}

bool LeerArchivoPerfiles(const QString& ruta, RegistroPerfiles& registro, QString* error) {
    // A folder, pipe or device of that name is no profiles file; a pipe would
    // also block the read.
    const QFileInfo info(ruta);
    if (info.exists() && !info.isFile()) {
        if (error)
            *error = QStringLiteral("%1: not a profiles file: not a regular file")
                         .arg(QDir::toNativeSeparators(ruta));
        return false;
    }
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(ruta), f.errorString());
        return false;
    }
    // One byte more than a record tells a long file from a good one without
    // reading an arbitrarily large foreign file.
    const QByteArray bytes = f.read(Perfiles::kTamanoRegistro + 1);
    if (f.error() != QFileDevice::NoError) {
        if (error) *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(ruta), f.errorString());
        return false;
    }
    QString why;
    auto leido = RegistroPerfiles::desdeBytes(bytes, &why);
    if (!leido) {
        if (error) *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(ruta), why);
        return false;
    }
    registro = *leido;
    return true;
}

bool EscribirArchivoPerfiles(const QString& ruta, const RegistroPerfiles& registro, QString* error) {
    // Owner only, whatever the old file's permissions were: the record holds a password.
    return DurableFile::save(ruta, registro.bytes(), error, 0600);
}

bool CrearPerfiles(const QString& ruta, RegistroPerfiles& buffer, QList<FilaLibreta>& filas, QString* error) {
    if (!EscribirArchivoPerfiles(ruta, RegistroPerfiles(), error)) return false;
    return CargarPerfiles(ruta, buffer, filas, error);
}

bool CargarPerfiles(const QString& ruta, RegistroPerfiles& buffer, QList<FilaLibreta>& filas,
                    QString* error) {
    RegistroPerfiles leido;
    if (!LeerArchivoPerfiles(ruta, leido, error)) return false;
    buffer = leido;
    filas = buffer.filasLibreta();
    return true;
}

bool GuardarPerfiles(const QString& ruta, RegistroPerfiles& buffer, const QList<FilaLibreta>& filas,
                     const AjustesPorPerfil& seguridad, QString* error) {
    const auto origen = buffer.normalizar();
    buffer.reconstruirLibreta(filas);
    QList<EntradaSeguridad> entradas;
    for (int p = 1; p <= Perfiles::kNumPerfiles; ++p) {
        const Perfil perfil = buffer.perfil(p);
        if (origen[p] == 0 || !perfil.enUso() || !seguridad[origen[p] - 1]) continue;
        entradas.append(
            {p, perfil.emailUsuario, perfil.servidorSMTP, perfil.servidorPOP3, *seguridad[origen[p] - 1]});
    }
    const QString rutaSeguridad = ArchivoSeguridad::rutaJunto(ruta);
    const bool hayAjustes = std::any_of(entradas.begin(), entradas.end(),
                                        [](const EntradaSeguridad& e) { return !e.ajustes.porDefecto(); });
    if (hayAjustes || QFileInfo::exists(rutaSeguridad)) {
        // Both files or neither: a profile must not keep the servers of one
        // save and the security of another.
        ArchivoSeguridad antes, companion;
        antes.leer(rutaSeguridad);
        MailPasswords::keep(entradas, antes.entradas());
        companion.setEntradas(entradas);
        return DurableFile::savePair(ruta, buffer.bytes(), rutaSeguridad, companion.bytes(), error, 0600);
    }
    return EscribirArchivoPerfiles(ruta, buffer, error);
}

bool GuardarPerfiles(const QString& ruta, RegistroPerfiles& buffer, const QList<FilaLibreta>& filas,
                     QString* error) {
    ArchivoSeguridad companion;
    if (!companion.leer(ArchivoSeguridad::rutaJunto(ruta))) {
        // A damaged companion stays as it is: its profiles keep reading as lost.
        buffer.normalizar();
        buffer.reconstruirLibreta(filas);
        return EscribirArchivoPerfiles(ruta, buffer, error);
    }
    QString motivo;
    if (!companion.traerContrasenas(&motivo)) { // saving now would lose them
        if (error)
            *error = QStringLiteral("the SMTP passwords kept in the desktop keyring cannot be read (%1)")
                         .arg(motivo);
        return false;
    }
    return GuardarPerfiles(ruta, buffer, filas, companion.ajustesPara(buffer), error);
}

RegistroPerfiles LeerPerfilesParaUso(const QString& ruta, QString* error) {
    RegistroPerfiles r;
    if (!LeerArchivoPerfiles(ruta, r, error)) return RegistroPerfiles();
    return r;
}

RegistroPerfiles& BufferPerfiles() {
    static RegistroPerfiles buffer;
    return buffer;
}
