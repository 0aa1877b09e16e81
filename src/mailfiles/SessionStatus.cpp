#include "mailfiles/SessionStatus.h"

#include "core/Clock.h"
#include "mailfiles/MailFileText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mailfiles {

namespace {
// One line per fact, fields separated by tabs:
//   End <tab> ISO date-time
//   Session <tab> reason
//   File <tab> sent|refused|nottried <tab> name <tab> recipient <tab> reason
const QString kCabecera =
    QStringLiteral("# Mail session status written by Norvo Orbalinder 2.0. DO NOT MODIFY!");
const QString kFin = QStringLiteral("End");
const QString kSesion = QStringLiteral("Session");
const QString kArchivo = QStringLiteral("File");
constexpr QChar kTab = u'\t';

QString palabra(ResultadoEnvio r) {
    switch (r) {
    case ResultadoEnvio::Enviado:
        return QStringLiteral("sent");
    case ResultadoEnvio::Rechazado:
        return QStringLiteral("refused");
    case ResultadoEnvio::NoIntentado:
        break;
    }
    return QStringLiteral("nottried");
}

std::optional<ResultadoEnvio> resultadoDe(const QString& w) {
    if (w == QLatin1String("sent")) return ResultadoEnvio::Enviado;
    if (w == QLatin1String("refused")) return ResultadoEnvio::Rechazado;
    if (w == QLatin1String("nottried")) return ResultadoEnvio::NoIntentado;
    return std::nullopt;
}

// A field never holds a tab or a line break, so no text can move the fields.
QString campo(QString texto) {
    for (QChar& c : texto)
        if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    return texto.trimmed();
}

QString rutaEstado(const QString& dirTemp) {
    return QDir(dirTemp).filePath(QString::fromLatin1(kNombreEstadoSesion));
}
} // namespace

void EstadoSesion::anotar(const QString& ruta, ResultadoEnvio resultado, const QString& motivo,
                          const QString& destinatario) {
    const QString nombre = QFileInfo(ruta).fileName();
    EstadoArchivo nuevo{nombre, resultado, destinatario, motivo};
    for (EstadoArchivo& a : archivos) {
        if (a.archivo == nombre) {
            a = nuevo;
            return;
        }
    }
    archivos << nuevo;
}

bool EstadoSesion::fallida() const {
    return !motivoSesion.isEmpty() || !noEnviados().isEmpty();
}

QList<EstadoArchivo> EstadoSesion::noEnviados() const {
    QList<EstadoArchivo> r;
    for (const EstadoArchivo& a : archivos)
        if (a.resultado != ResultadoEnvio::Enviado) r << a;
    return r;
}

bool EscribirEstadoSesion(const QString& dirTemp, const EstadoSesion& estado, QString* error) {
    QStringList lineas{kCabecera};
    const QDateTime fin = estado.fin.isValid() ? estado.fin : Clock::current().now();
    lineas << kFin + kTab + fin.toString(Qt::ISODate);
    if (!estado.motivoSesion.isEmpty()) lineas << kSesion + kTab + campo(estado.motivoSesion);
    for (const EstadoArchivo& a : estado.archivos)
        lineas << QStringList{kArchivo, palabra(a.resultado), campo(a.archivo), campo(a.destinatario),
                              campo(a.motivo)}
                      .join(kTab);
    QDir().mkpath(dirTemp);
    return guardarLineas(rutaEstado(dirTemp), lineas, error);
}

std::optional<EstadoSesion> LeerEstadoSesion(const QString& dirTemp) {
    const QString ruta = rutaEstado(dirTemp);
    if (!QFileInfo(ruta).isFile()) return std::nullopt;
    const std::optional<QStringList> lineas = leerLineas(ruta);
    if (!lineas || lineas->isEmpty() || lineas->first().trimmed() != kCabecera) return std::nullopt;
    EstadoSesion estado;
    for (const QString& linea : *lineas) {
        const QStringList f = linea.split(kTab);
        if (f.size() >= 2 && f[0] == kFin) {
            estado.fin = QDateTime::fromString(f[1].trimmed(), Qt::ISODate);
        } else if (f.size() >= 2 && f[0] == kSesion) {
            estado.motivoSesion = f[1].trimmed();
        } else if (f.size() >= 3 && f[0] == kArchivo) {
            const std::optional<ResultadoEnvio> r = resultadoDe(f[1].trimmed());
            const QString nombre = QFileInfo(f[2].trimmed()).fileName();
            if (!r || nombre.isEmpty()) continue;
            estado.anotar(nombre, *r, f.value(4).trimmed(), f.value(3).trimmed());
        }
    }
    return estado;
}

std::optional<EstadoSesion> TomarEstadoSesion(const QString& dirTemp) {
    std::optional<EstadoSesion> estado = LeerEstadoSesion(dirTemp);
    // A damaged file goes too, or it would be read again after every session.
    if (QFileInfo(rutaEstado(dirTemp)).isFile()) QFile::remove(rutaEstado(dirTemp));
    return estado;
}

} // namespace mailfiles
