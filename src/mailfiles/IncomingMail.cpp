#include "mailfiles/IncomingMail.h"

#include "core/Clock.h"
#include "core/DateTimeValue.h"
#include "mailfiles/MailFileText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

namespace mailfiles {

QString BaseNombreEmailRecibido(const QDateTime& momento) {
    const double dias = DateTimeValue::fromDateTime(momento.date(), momento.time());
    QString texto = QString::number(dias, 'g', 15);
    const qsizetype punto = texto.indexOf(u'.');
    if (punto >= 0) texto.remove(punto, 1);
    return texto;
}

QStringList LineasEmailRecibido(const QString& de, const QStringList& cuerpo) {
    QString remitente = de;
    remitente.replace(u'\r', u' ').replace(u'\n', u' ');
    QStringList lineas;
    lineas << QString::fromLatin1(kCabeceraArchivo) << QString::fromLatin1(kMarcaFrom) << remitente
           << QString::fromLatin1(kMarcaBody) << cuerpo;
    return lineas;
}

std::optional<QString> EscribirEmailRecibido(const QString& dirMail, const QString& de,
                                             const QStringList& cuerpo) {
    QDir().mkpath(dirMail);
    const QDir dir(dirMail);
    // The work file's name does not end in ".IN", so no reader picks it up early.
    QTemporaryFile trabajo(dir.filePath(QStringLiteral("incoming-XXXXXX.tmp")));
    const QByteArray bytes = unirLineas(LineasEmailRecibido(de, cuerpo));
    if (!trabajo.open() || trabajo.write(bytes) != bytes.size() || !trabajo.flush()) return std::nullopt;
    trabajo.close();

    const QString base = BaseNombreEmailRecibido(Clock::current().now());
    for (int intento = 1; intento <= 10000; ++intento) {
        const QString nombre =
            base + (intento == 1 ? QString() : u'_' + QString::number(intento)) + QStringLiteral(".IN");
        const QString ruta = dir.filePath(nombre);
        if (QFileInfo::exists(ruta) || QFileInfo(ruta).isSymLink()) continue;
        // QFile::rename never replaces an existing file.
        if (trabajo.rename(ruta)) {
            trabajo.setAutoRemove(false);
            return ruta;
        }
        if (!QFileInfo::exists(ruta)) return std::nullopt; // failed for another reason
    }
    return std::nullopt;
}

QStringList ListarEmailRecibido(const QString& dirMail) {
    return listarArchivos(dirMail, QStringLiteral(".IN"));
}

bool HayEmailRecibido(const QString& dirMail) {
    return !ListarEmailRecibido(dirMail).isEmpty();
}

std::optional<QStringList> LineasVentanaEmailRecibido(const QStringList& lineas) {
    if (lineas.isEmpty()) return std::nullopt;
    const int from = BuscarLinea(lineas, QString::fromLatin1(kMarcaFrom));
    QStringList ventana;
    ventana << QStringLiteral("From: ") + lineas.value(from);
    const int body = BuscarLinea(lineas, QString::fromLatin1(kMarcaBody));
    for (qsizetype i = body; i < lineas.size(); ++i) {
        if (lineas[i] == QLatin1String(kSeparadorPie)) break;
        if (!lineas[i].isEmpty()) ventana << lineas[i];
    }
    ventana << QString() << QString::fromLatin1(kFinMensaje) << QString();
    return ventana;
}

std::optional<QStringList> LeerEmailRecibido(const QString& ruta, QStringList* lineasArchivo) {
    const std::optional<QStringList> lineas = leerLineas(ruta);
    if (!lineas) return std::nullopt;
    if (lineasArchivo) *lineasArchivo = *lineas;
    return LineasVentanaEmailRecibido(*lineas);
}

} // namespace mailfiles
