// Writer of the shown-messages log.
#include "alerts/RegistroMensajes.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "settings/ProgramFolders.h"

#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QWidget>

namespace {

bool g_guard = false;

// Holds the log guard for one entry and releases it on every way out.
class GuardHold {
public:
    GuardHold() { g_guard = true; }
    ~GuardHold() { g_guard = false; }
};

// The first character of a locale format that is not part of a field.
QChar separatorOf(const QString& format, QChar fallback) {
    for (QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\'')) return c;
    }
    return fallback;
}

const QByteArray kCrLf("\r\n");

} // namespace

QString FechaMensajeMostrado(const QDateTime& at) {
    const QLocale locale;
    const QChar dateSep = separatorOf(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
    const QChar timeSep = separatorOf(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
    const QDate d = at.date();
    const QTime t = at.time();
    int hour12 = t.hour() % 12;
    if (hour12 == 0) hour12 = 12;
    return QStringLiteral("%1%2%3%2%4 %5%6%7 %8")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(dateSep)
        .arg(locale.monthName(d.month(), QLocale::ShortFormat))
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(hour12, 2, 10, QLatin1Char('0'))
        .arg(timeSep)
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

QByteArray EntradaMensajeMostrado(const QDateTime& at, const QString& caption, const QStringList& lines) {
    QByteArray out;
    auto line = [&out](const QString& text) { out += Cp1252::encode(text) + kCrLf; };
    line(QStringLiteral("__________ Message shown on: ") + FechaMensajeMostrado(at) +
         QStringLiteral(" __________"));
    line(QString());
    line(QStringLiteral("From: ") + caption);
    for (const QString& text : lines) {
        if (!text.isEmpty()) line(text);
    }
    line(QString());
    line(QStringLiteral("__________ End of message __________"));
    line(QString());
    return out;
}

bool EscribirMensajeMostrado(const QString& path, const QDateTime& at, const QString& caption,
                             const QStringList& lines) {
    GuardHold guard;
    QByteArray bytes;
    QFile file(path);
    if (!file.exists()) bytes = QByteArray(kCabeceraMensajesMostrados) + kCrLf + kCrLf;
    bytes += EntradaMensajeMostrado(at, caption, lines);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

bool RegistrarMensajeMostrado(const QWidget& window) {
    QStringList lines;
    if (const auto* text = window.findChild<QPlainTextEdit*>(QStringLiteral("TextoAviso"))) {
        lines = text->toPlainText().split(QLatin1Char('\n'));
    }
    const QString path = ProgramFolders::global().dirMail + QLatin1String(kArchivoMensajesMostrados);
    return EscribirMensajeMostrado(path, Clock::current().now(), window.windowTitle(), lines);
}

bool GuardaRegistroMensajes() {
    return g_guard;
}
