#include "mailfiles/SessionLog.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "mailfiles/MailFileText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace mailfiles {

namespace {
QString two(int n) {
    return QString::number(n).rightJustified(2, u'0');
}
} // namespace

QString FormatearLineaLog(const QString& evento, const QTime& hora) {
    return QStringLiteral("+ ") + DisplayFormats::longTime(hora) + evento;
}

QString SelloSesion(const QDateTime& momento) {
    const QLocale locale;
    const QDate d = momento.date();
    const QTime t = momento.time();
    const QString sep = DisplayFormats::timeSeparator(locale);
    const int h12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return two(d.day()) + u'-' + locale.monthName(d.month(), QLocale::ShortFormat) + u'-' +
           QString::number(d.year()) + u' ' + two(h12) + sep + two(t.minute()) + sep + two(t.second()) +
           u' ' + (t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

QString SessionLines::LogLine(const QString& evento) noexcept {
    try {
        return LogLine(evento, Clock::current().now().time());
    } catch (...) {
        return QString();
    }
}

QString SessionLines::LogLine(const QString& evento, const QTime& hora) noexcept {
    try {
        // Lines within one second share the time's text, formatted once.
        const QTime segundo(hora.hour(), hora.minute(), hora.second());
        if (m_inicio.isEmpty() || segundo != m_segundo) {
            m_segundo = segundo;
            m_inicio = FormatearLineaLog(QString(), segundo);
        }
        QString linea = m_inicio + evento;
        m_lines << linea;
        return linea;
    } catch (...) {
        return QString();
    }
}

QStringList BloqueLogSesion(const QStringList& lineas, const QDateTime& momento, bool archivoNuevo) {
    QStringList bloque;
    if (archivoNuevo) {
        QString creado = DisplayFormats::shortDate(momento.date());
        if (momento.time() != QTime(0, 0)) creado += u' ' + DisplayFormats::longTime(momento.time());
        bloque << QStringLiteral("# Mail log created by Norvo Orbalinder 2.0 on ") + creado +
                      QStringLiteral(" DO NOT RENAME!");
    }
    bloque << QString()
           << QStringLiteral("__________ Session date and time: ") + SelloSesion(momento) +
                  QStringLiteral(" __________")
           << QString() << lineas << QString::fromLatin1(kFinSesion);
    return bloque;
}

bool EscribirLogSesion(const QString& dirTemp, const QStringList& lineas) {
    const QString ruta = QDir(dirTemp).filePath(QString::fromLatin1(kNombreLogSesion));
    const bool nuevo = !QFileInfo::exists(ruta);
    return anadirLineas(ruta, BloqueLogSesion(lineas, Clock::current().now(), nuevo));
}

LogSesionEnCurso::LogSesionEnCurso(QString dirTemp) : m_dirTemp(std::move(dirTemp)) {}

LogSesionEnCurso::~LogSesionEnCurso() = default;

bool LogSesionEnCurso::escribir() {
    if (!m_archivo) {
        // Kept open for the session: each line then costs one write.
        auto archivo =
            std::make_unique<QFile>(QDir(m_dirTemp).filePath(QString::fromLatin1(kNombreLogSesion)));
        const bool nuevo = !archivo->exists();
        if (!archivo->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) return false;
        m_archivo = std::move(archivo);
        if (!m_abierto) {
            QStringList apertura = BloqueLogSesion({}, Clock::current().now(), nuevo);
            apertura.removeLast(); // the end line comes at the end
            m_pendientes = apertura + m_pendientes;
            m_abierto = true;
        }
    }
    const QByteArray bytes = unirLineas(m_pendientes);
    if (m_archivo->write(bytes) != bytes.size()) {
        m_archivo.reset(); // opened again for the next line
        return false;
    }
    m_pendientes.clear();
    return true;
}

bool LogSesionEnCurso::linea(const QString& linea) {
    if (m_terminado) return false;
    m_pendientes << linea;
    return escribir();
}

bool LogSesionEnCurso::terminar() {
    if (m_terminado) return true;
    m_pendientes << QString::fromLatin1(kFinSesion);
    m_terminado = escribir();
    if (m_terminado) m_archivo.reset();
    return m_terminado;
}

} // namespace mailfiles
