#include "mailfiles/SessionLog.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "mailfiles/MailFileText.h"

#include <QDir>
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
        QString linea = FormatearLineaLog(evento, Clock::current().now().time());
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

bool LogSesionEnCurso::abrir() {
    if (m_abierto) return true;
    const QString ruta = QDir(m_dirTemp).filePath(QString::fromLatin1(kNombreLogSesion));
    QStringList apertura = BloqueLogSesion({}, Clock::current().now(), !QFileInfo::exists(ruta));
    apertura.removeLast(); // the end line comes at the end
    m_abierto = anadirLineas(ruta, apertura);
    return m_abierto;
}

bool LogSesionEnCurso::linea(const QString& linea) {
    if (m_terminado) return false;
    m_pendientes << linea;
    if (!abrir()) return false;
    const QString ruta = QDir(m_dirTemp).filePath(QString::fromLatin1(kNombreLogSesion));
    if (!anadirLineas(ruta, m_pendientes)) return false;
    m_pendientes.clear();
    return true;
}

bool LogSesionEnCurso::terminar() {
    if (m_terminado) return true;
    m_pendientes << QString::fromLatin1(kFinSesion);
    if (!abrir()) return false;
    const QString ruta = QDir(m_dirTemp).filePath(QString::fromLatin1(kNombreLogSesion));
    m_terminado = anadirLineas(ruta, m_pendientes);
    if (m_terminado) m_pendientes.clear();
    return m_terminado;
}

} // namespace mailfiles
