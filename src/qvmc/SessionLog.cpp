#include "qvmc/SessionLog.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "core/DisplayFormats.h"

#include <QFile>
#include <QHash>

QString SessionLog::linea(const QDateTime& at, const QString& eventText) {
    return QStringLiteral("+ ") + DisplayFormats::longTime(at.time()) + eventText;
}

void SessionLog::LogLine(const QString& eventText) {
    const QString line = linea(Clock::current().now(), eventText);
    if (m_shown) m_shown(line);
    m_lines << line;
}

bool SessionLog::escribir(const QString& path, const QDateTime& ahora) const {
    QFile f(path);
    const bool isNew = !f.exists();
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    QString text;
    if (isNew) {
        QString stamp = DisplayFormats::shortDate(ahora.date());
        if (ahora.time() != QTime(0, 0)) stamp += QLatin1Char(' ') + DisplayFormats::longTime(ahora.time());
        text += QStringLiteral("# Mail log created by Norvo Orbalinder 2.0 on ") + stamp +
                QStringLiteral(" DO NOT RENAME!\r\n\r\n");
    } else {
        text += QStringLiteral("\r\n");
    }
    const QLocale l;
    const QTime t = ahora.time();
    const QString sep = DisplayFormats::timeSeparator(l);
    int h = t.hour() % 12;
    if (h == 0) h = 12;
    auto two = [](int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); };
    const QString when = two(ahora.date().day()) + QLatin1Char('-') + l.monthName(ahora.date().month(), QLocale::ShortFormat) +
                         QLatin1Char('-') + QString::number(ahora.date().year()) + QLatin1Char(' ') + two(h) + sep +
                         two(t.minute()) + sep + two(t.second()) + (t.hour() < 12 ? QStringLiteral(" am") : QStringLiteral(" pm"));
    text += QStringLiteral("__________ Session date and time: ") + when + QStringLiteral(" __________\r\n\r\n");
    for (const QString& line : m_lines) text += line + QStringLiteral("\r\n");
    text += QStringLiteral("__________ End of Session __________");
    const QByteArray bytes = Cp1252::encode(text);
    return f.write(bytes) == bytes.size();
}

QString TextoRespuesta(int code) {
    static const QHash<int, const char*> texts = {
        {211, "System status or system help reply"},
        {214, "Help message"},
        {220, "Service ready"},
        {221, "Service closing transmission channel"},
        {250, "Requested mail action ok, completed"},
        {251, "User not local"},
        {354, "Start mail input; end with ."},
        {421, "Service not available, closing transmission channel"},
        {450, "Requested mail action not taken: mailbox unavailable"},
        {451, "Requested action aborted: local error in processing"},
        {452, "Requested action not taken: insufficient system storage"},
        {500, "Syntax error, command unrecognized"},
        {501, "Syntax error in parameters or arguments"},
        {502, "Command not implemented"},
        {503, "Bad sequence of commands"},
        {504, "Command parameter not implemented"},
        {550, "Requested action not taken: mailbox unavailable"},
        {551, "User not local"},
        {552, "Requested mail action aborted: exceeded storage allocation"},
        {553, "Requested action not taken: mailbox name not allowed"},
        {554, "Transaction failed"},
    };
    const auto it = texts.find(code);
    return QStringLiteral("Error %1 - %2").arg(code).arg(it == texts.end() ? "Unknown error" : it.value());
}
