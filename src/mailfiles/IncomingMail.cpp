#include "mailfiles/IncomingMail.h"

#include "core/Clock.h"
#include "core/DateTimeValue.h"
#include "mailfiles/MailFileText.h"
#include "platform/NameClaim.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace mailfiles {

QString BaseNombreEmailRecibido(const QDateTime& momento) {
    const double dias = DateTimeValue::fromDateTime(momento.date(), momento.time());
    QString texto = QString::number(dias, 'g', 15);
    const qsizetype punto = texto.indexOf(u'.');
    if (punto >= 0) texto.remove(punto, 1);
    return texto;
}

namespace {
// Body lines as the incoming file holds them: one file line per line break, each made harmless.
QStringList lineasSeguras(const QString& texto) {
    QStringList lineas = texto.isEmpty() ? QStringList{QString()} : dividirLineas(texto);
    if (texto.endsWith(u'\n') || texto.endsWith(u'\r')) lineas << QString();
    for (QString& l : lineas)
        l = TextoInofensivo(l);
    return lineas;
}

QString remitenteSeguro(const QString& de) {
    QString remitente = de;
    remitente.replace(u'\r', u' ').replace(u'\n', u' ');
    return TextoInofensivo(remitente);
}
} // namespace

QStringList LineasEmailRecibido(const QString& de, const QStringList& cuerpo) {
    QStringList lineas;
    lineas << QString::fromLatin1(kCabeceraArchivo) << QString::fromLatin1(kMarcaFrom) << remitenteSeguro(de)
           << QString::fromLatin1(kMarcaBody);
    for (const QString& linea : cuerpo)
        lineas << lineasSeguras(linea);
    return lineas;
}

EscritorEmailRecibido::EscritorEmailRecibido(QString dirMail, QString de)
    : m_dirMail(std::move(dirMail)), m_de(std::move(de)) {}

EscritorEmailRecibido::~EscritorEmailRecibido() {
    if (m_archivo) {
        m_archivo->close();
        QFile::remove(m_trabajo);
    }
}

bool EscritorEmailRecibido::abrir() {
    const QDir dir(m_dirMail);
    static int contador = 0;
    static const qint64 proceso = QCoreApplication::applicationPid();
    bool carpetaHecha = false;
    for (int intento = 0; intento < 100 && !m_archivo; ++intento) {
        const QString nombre = QStringLiteral("incoming-%1-%2.tmp").arg(proceso).arg(++contador);
        auto archivo = std::make_unique<QFile>(dir.filePath(nombre));
        // An exclusive create: never a file (or a link) that is already there.
        if (archivo->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_trabajo = archivo->fileName();
            m_archivo = std::move(archivo);
        } else if (!carpetaHecha && !dir.exists()) {
            // The folder is made when a file first needs it, not probed before every file.
            carpetaHecha = true;
            if (!QDir().mkpath(m_dirMail)) return false;
        } else if (!QFileInfo::exists(archivo->fileName()) && !QFileInfo(archivo->fileName()).isSymLink()) {
            return false; // failed for another reason than the name
        }
    }
    return m_archivo && escribir({QString::fromLatin1(kCabeceraArchivo), QString::fromLatin1(kMarcaFrom),
                                  remitenteSeguro(m_de), QString::fromLatin1(kMarcaBody)});
}

bool EscritorEmailRecibido::escribir(const QStringList& lineas) {
    const QByteArray bytes = unirLineas(lineas);
    if (m_archivo->write(bytes) != bytes.size()) m_fallo = true;
    return !m_fallo;
}

bool EscritorEmailRecibido::linea(const QString& texto) {
    if (m_fallo) return false;
    if (!m_archivo && !abrir()) {
        m_fallo = true;
        return false;
    }
    return escribir(lineasSeguras(texto));
}

std::optional<QString> EscritorEmailRecibido::terminar() {
    return terminar(Clock::current().now());
}

std::optional<QString> EscritorEmailRecibido::terminar(const QDateTime& momento) {
    if (m_fallo || (!m_archivo && !abrir())) return std::nullopt;
    // On disk before its name appears: the server deletes the message once it is kept.
    if (!m_archivo->flush() || ::fsync(m_archivo->handle()) != 0) return std::nullopt;
    m_archivo->close();
    if (m_archivo->error() != QFileDevice::NoError) return std::nullopt;
    const QDir dir(m_dirMail);
    const QString base = BaseNombreEmailRecibido(momento);
    // Files finished within one clock reading go on after the last name given
    // while it is still there, so the n-th of them does not try the n - 1 names
    // before it again.
    static QString ultimaRuta;
    static int siguiente = 1;
    const auto ruta = [&](int intento) {
        return dir.filePath(base + (intento == 1 ? QString() : u'_' + QString::number(intento)) +
                            QStringLiteral(".IN"));
    };
    const int primero =
        siguiente > 1 && ruta(siguiente - 1) == ultimaRuta && QFileInfo::exists(ultimaRuta) ? siguiente : 1;
    for (int intento = primero; intento < primero + 10000; ++intento) {
        switch (ClaimName(m_trabajo, ruta(intento))) {
        case NameClaim::Done:
            m_archivo.reset();
            ultimaRuta = ruta(intento);
            siguiente = intento + 1;
            return ultimaRuta;
        case NameClaim::Taken:
            continue;
        case NameClaim::Failed:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<QString> EscribirEmailRecibido(const QString& dirMail, const QString& de,
                                             const QStringList& cuerpo) {
    EscritorEmailRecibido escritor(dirMail, de);
    for (const QString& linea : cuerpo)
        if (!escritor.linea(linea)) return std::nullopt;
    return escritor.terminar();
}

QString CarpetaAdjuntos(const QString& dirMail) {
    return QDir(dirMail).filePath(QStringLiteral("Attachments")) + u'/';
}

bool PrepararCarpetaAdjuntos(const QString& dirMail) {
    const QString carpeta = CarpetaAdjuntos(dirMail);
    if (!QDir().mkpath(carpeta) || !QFileInfo(carpeta).isDir()) return false;
    return QFile::setPermissions(carpeta,
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QStringList ListarEmailRecibido(const QString& dirMail) {
    return listarArchivos(dirMail, QStringLiteral(".IN"));
}

bool HayEmailRecibido(const QString& dirMail) {
    return !ListarEmailRecibido(dirMail).isEmpty();
}

QStringList PieMensaje() {
    return {QString(), QString::fromLatin1(kSeparadorPie), QStringLiteral("Norvo Orbalinder 2.0"),
            QStringLiteral("https://orbalinder.example.org/"), QStringLiteral("orbalinder@example.org")};
}

QString LineaCuerpoMostrada(const QString& linea) {
    const QString inicio = linea.trimmed();
    if (inicio.startsWith(QLatin1String("from:"), Qt::CaseInsensitive) ||
        inicio.startsWith(QLatin1String("_____")))
        return QStringLiteral("> ") + linea;
    return linea;
}

namespace {
// Where the footer starts (its "----------" line) after line `desde` (0-based),
// or the number of lines when the file does not end with it: the footer is
// ours only where it ends the file as we write it.
qsizetype inicioPie(const QStringList& lineas, qsizetype desde) {
    QStringList resto;
    const QStringList pie = PieMensaje();
    for (const QString& l : pie.mid(pie.indexOf(QString::fromLatin1(kSeparadorPie)) + 1))
        if (!l.isEmpty()) resto << l;
    for (qsizetype i = lineas.size() - 1; i >= desde; --i) {
        if (lineas[i] != QLatin1String(kSeparadorPie)) continue;
        QStringList siguen;
        for (qsizetype k = i + 1; k < lineas.size(); ++k)
            if (!lineas[k].isEmpty()) siguen << lineas[k];
        return siguen == resto ? i : lineas.size();
    }
    return lineas.size();
}
} // namespace

std::optional<QStringList> LineasVentanaEmailRecibido(const QStringList& lineas) {
    if (lineas.isEmpty()) return std::nullopt;
    const int from = BuscarLinea(lineas, QString::fromLatin1(kMarcaFrom));
    QStringList ventana;
    ventana << QStringLiteral("From: ") + lineas.value(from);
    const int body = BuscarLinea(lineas, QString::fromLatin1(kMarcaBody));
    const qsizetype fin = inicioPie(lineas, body);
    for (qsizetype i = body; i < fin; ++i)
        if (!lineas[i].isEmpty()) ventana << LineaCuerpoMostrada(lineas[i]);
    ventana << QString() << QString::fromLatin1(kFinMensaje) << QString();
    return ventana;
}

std::optional<QStringList> LeerEmailRecibido(const QString& ruta, QStringList* lineasArchivo) {
    std::optional<QStringList> lineas = leerLineas(ruta);
    if (!lineas) return std::nullopt;
    // Files in MAIL/ may come from elsewhere: what they show is made harmless here too.
    for (QString& linea : *lineas)
        linea = TextoInofensivo(linea);
    if (lineasArchivo) *lineasArchivo = *lineas;
    return LineasVentanaEmailRecibido(*lineas);
}

std::optional<AvisoRecibido> AvisoDeEmailRecibido(const QStringList& lineas) {
    // The body as an outgoing file holds it (the dated line, an empty line, a
    // label, the description, an empty line, a label, the text), then the
    // mail client's footer after one empty line.
    const int body = BuscarLinea(lineas, QString::fromLatin1(kMarcaBody));
    if (body == 0) return std::nullopt;
    const qsizetype pie = inicioPie(lineas, body);
    if (pie == lineas.size() || pie < body + 7 || !lineas[pie - 1].isEmpty()) return std::nullopt;
    const QStringList cuerpo = lineas.mid(body, pie - 1 - body);
    const auto etiqueta = [](const QString& l) { return l.trimmed().endsWith(u':'); };
    if (cuerpo[0].trimmed().isEmpty() || !cuerpo[1].isEmpty() || !etiqueta(cuerpo[2]) ||
        cuerpo[3].trimmed().isEmpty() || !cuerpo[4].isEmpty() || !etiqueta(cuerpo[5]))
        return std::nullopt;
    AvisoRecibido aviso;
    aviso.descripcion = cuerpo[3].left(kMaxDescripcionRecibida);
    aviso.texto = cuerpo.mid(6).join(QStringLiteral("\r\n")).left(kMaxTextoRecibido);
    return aviso;
}

} // namespace mailfiles
