#include "core/DisplayFormats.h"

namespace DisplayFormats {

namespace {
QString two(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }
} // namespace

QString timeSeparator(const QLocale& l) {
    // The separator the locale puts between hours and minutes in its short time format.
    const QString f = l.timeFormat(QLocale::ShortFormat);
    for (qsizetype i = 0; i + 1 < f.size(); ++i)
        if ((f[i] == u'h' || f[i] == u'H') && f[i + 1] != f[i]) return QString(f[i + 1]);
    return QStringLiteral(":");
}

QString dateSeparator(const QLocale& l) {
    const QString f = l.dateFormat(QLocale::ShortFormat);
    for (QChar ch : f)
        if (!ch.isLetter() && !ch.isSpace()) return QString(ch);
    return QStringLiteral("/");
}

QString logStamp(const QDateTime& t, const QLocale& l) {
    const QString sep = dateSeparator(l);
    return two(t.date().day()) + sep + l.monthName(t.date().month(), QLocale::ShortFormat) + sep +
           QString::number(t.date().year()) + u' ' + amPmTime(t.time(), l);
}

QString weekdayDate(QDate d, const QLocale& l) {
    return l.dayName(d.dayOfWeek(), QLocale::ShortFormat) + u' ' + listDate(d, l);
}

QString listDate(QDate d, const QLocale& l) {
    return two(d.day()) + u'-' + l.monthName(d.month(), QLocale::ShortFormat) + u'-' +
           QString::number(d.year());
}

QString listDatePattern() {
    return QStringLiteral("dd-MMM-yyyy");
}
QString amPmTimePattern() {
    return QStringLiteral("hh:mm ap");
}

QString amPmTime(QTime t, const QLocale& l) {
    int h = t.hour() % 12;
    if (h == 0) h = 12;
    return two(h) + timeSeparator(l) + two(t.minute()) + u' ' +
           (t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

QString shortDate(QDate d, const QLocale& l) { return l.toString(d, QLocale::ShortFormat); }

QString longTime(QTime t, const QLocale& l) {
    // The locale's long time format without its time-zone part.
    QString f = l.timeFormat(QLocale::LongFormat);
    f.remove(QLatin1Char('t'));
    return l.toString(t, f.trimmed());
}

} // namespace DisplayFormats
