#include "mailfiles/OutgoingMail.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "mailfiles/MailFileText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace mailfiles {

namespace {
bool prohibidoEnNombre(QChar c) {
    static const QString prohibidos = QStringLiteral("/\\:*?\"<>|");
    return c.unicode() < 0x20 || c.unicode() == 0x7F || prohibidos.contains(c);
}

QString unaLinea(QString valor) {
    valor.replace(u'\r', u' ');
    valor.replace(u'\n', u' ');
    return valor;
}
} // namespace

QString NombreEmailSaliente(const QString& descripcion, int numero, const QString& archivoAvisos) {
    QString nombre = descripcion.left(kMaxDescripcionEnNombre);
    for (QChar& c : nombre)
        if (prohibidoEnNombre(c)) c = u'_';
    nombre += u'_' + QString::number(numero);
    if (!archivoAvisos.isEmpty()) nombre += u'-' + MarcaArchivoAvisos(archivoAvisos);
    return nombre + QStringLiteral(".OUT");
}

QString MarcaArchivoAvisos(const QString& archivoAvisos) {
    const QByteArray ruta = QDir::cleanPath(QFileInfo(archivoAvisos).absoluteFilePath()).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(ruta, QCryptographicHash::Sha1).left(4).toHex());
}

namespace {
// "_7.OUT" or "_7-1a2b3c4d.OUT" at the end of a queue file's name.
const QRegularExpression& finalDeNombre() {
    static const QRegularExpression final(QStringLiteral("_[0-9]+(?:-([0-9a-f]{8}))?\\.out$"),
                                          QRegularExpression::CaseInsensitiveOption);
    return final;
}
} // namespace

QString ArchivoDeEmailSaliente(const QString& nombreArchivo, const QStringList& archivosAvisos) {
    const QString marca = finalDeNombre().match(QFileInfo(nombreArchivo).fileName()).captured(1).toLower();
    if (marca.isEmpty()) return {};
    for (const QString& archivo : archivosAvisos)
        if (MarcaArchivoAvisos(archivo) == marca) return archivo;
    return {};
}

QStringList LineasEmailSaliente(const EmailSaliente& email) {
    const QDateTime ahora = email.momento.isValid() ? email.momento : Clock::current().now();
    const QStringList destinatarios = email.destinatarios.mid(0, kMaxDestinatarios);

    QStringList lineas;
    lineas << QString::fromLatin1(kCabeceraArchivo) << QString::fromLatin1(kMarcaFrom)
           << unaLinea(email.remitenteNombre.left(60))
           << unaLinea((u'<' + email.remitenteDireccion).left(61)) + u'>' << QString::fromLatin1(kMarcaDest)
           << QString::number(destinatarios.size());
    for (const QString& direccion : destinatarios)
        lineas << unaLinea(direccion);
    lineas << QString::fromLatin1(kMarcaBody)
           << LeerTexto(9101) + u' ' + DisplayFormats::shortDate(ahora.date()) + u' ' +
                  DisplayFormats::longTime(ahora.time())
           << QString() << LeerTexto(9102) << unaLinea(email.descripcion) << QString() << LeerTexto(9103);
    // The text is the last item: its own line breaks become lines of the file,
    // and an empty text still leaves its (empty) last line.
    const QStringList texto = dividirLineas(email.texto);
    if (texto.isEmpty())
        lineas << QString();
    else
        lineas << texto;
    if (email.texto.endsWith(u'\n') || email.texto.endsWith(u'\r')) lineas << QString();
    return lineas;
}

bool CrearEmailSaliente(const QString& dirMail, const EmailSaliente& email, QString* error) {
    QDir().mkpath(dirMail);
    const QString ruta =
        QDir(dirMail).filePath(NombreEmailSaliente(email.descripcion, email.numero, email.archivoAvisos));
    return guardarLineas(ruta, LineasEmailSaliente(email), error);
}

QStringList ListarEmailSaliente(const QString& dirMail) {
    return listarArchivos(dirMail, QStringLiteral(".OUT"));
}

QStringList ListarSalientesNoRegulares(const QString& dirMail) {
    QStringList rutas;
    const auto entradas = QDir(dirMail).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& info : entradas)
        if (!info.isFile() && info.fileName().endsWith(QLatin1String(".OUT"), Qt::CaseInsensitive))
            rutas << info.filePath();
    return rutas;
}

bool HayEmailSaliente(const QString& dirMail) {
    return !ListarEmailSaliente(dirMail).isEmpty();
}

int ContarEmailSaliente(const QString& dirMail) {
    return int(ListarEmailSaliente(dirMail).size());
}

QStringList BorrarEmailSaliente(const QString& dirMail) {
    QStringList borrados;
    for (const QString& ruta : ListarEmailSaliente(dirMail))
        if (QFile::remove(ruta)) borrados << ruta;
    return borrados;
}

QString AvisoDeEmailSaliente(const QString& ruta) {
    QString nombre = QFileInfo(ruta).fileName();
    return nombre.remove(finalDeNombre());
}

ResultadoCarga CargarEmailSaliente(const QStringList& lineas) {
    const int dest = BuscarLinea(lineas, QString::fromLatin1(kMarcaDest));
    if (dest == 0) return {std::nullopt, ErrorCarga::SinDestinatarios};
    // Line numbers are 1-based: the count is on line dest + 1, index dest.
    if (dest >= lineas.size()) return {std::nullopt, ErrorCarga::CuentaNoNumerica};
    const std::optional<qint32> cuenta = leerEntero(lineas[dest]);
    if (!cuenta) return {std::nullopt, ErrorCarga::CuentaNoNumerica};
    const int n = int(quint32(*cuenta) & 0xFF);
    if (dest + 1 + n > lineas.size()) return {std::nullopt, ErrorCarga::FaltanDestinatarios};

    const int body = BuscarLinea(lineas, QString::fromLatin1(kMarcaBody));
    if (body == 0) return {std::nullopt, ErrorCarga::SinCuerpo};

    EmailCargado email;
    email.destinatarios = lineas.mid(dest + 1, n);
    email.cuerpo = lineas.mid(body);
    return {std::move(email), ErrorCarga::Ninguno};
}

ResultadoCarga CargarEmailSaliente(const QString& ruta) {
    const std::optional<QStringList> lineas = leerLineas(ruta);
    if (!lineas) return {std::nullopt, ErrorCarga::Ilegible};
    return CargarEmailSaliente(*lineas);
}

} // namespace mailfiles
