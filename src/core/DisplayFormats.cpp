#include "core/DisplayFormats.h"

#include "core/TextCatalogue.h"

#include <QRegularExpression>

namespace DisplayFormats {

namespace {
QString two(int n) {
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}
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
QString listTimePattern() {
    // Only hours, minutes, the am/pm mark and separators make a time of the list.
    static const QRegularExpression valid(QStringLiteral("^(?=.*[hH])(?=.*m)[hHmaApP :.]+$"));
    const QString p = LeerTexto(kTextoFormatoHora).trimmed();
    return valid.match(p).hasMatch() ? p : QStringLiteral("hh:mm ap");
}

QString listTime(QTime t, const QLocale& l) {
    // The pattern's letters as Qt's time editor reads them; "ap" is "am" or "pm"
    // in every language (the locale's own marks may be long, "a. m.").
    const QString p = listTimePattern();
    const bool twelve = p.contains(QLatin1String("ap"), Qt::CaseInsensitive);
    int h = t.hour();
    if (twelve) {
        h %= 12;
        if (h == 0) h = 12;
    }
    QString out;
    for (qsizetype i = 0; i < p.size();) {
        const QChar c = p[i];
        qsizetype n = 1;
        while (i + n < p.size() && p[i + n] == c)
            ++n;
        if (c == u'h' || c == u'H') {
            out += n > 1 ? two(h) : QString::number(h);
        } else if (c == u'm') {
            out += n > 1 ? two(t.minute()) : QString::number(t.minute());
        } else if ((c == u'a' || c == u'A') && i + 1 < p.size() && p[i + 1].toLower() == u'p') {
            const QString mark = t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            out += c == u'A' ? mark.toUpper() : mark;
            n = 2;
        } else if (c == u':') {
            out += timeSeparator(l).repeated(n);
        } else {
            out += QString(n, c);
        }
        i += n;
    }
    return out;
}

QString amPmTime(QTime t, const QLocale& l) {
    int h = t.hour() % 12;
    if (h == 0) h = 12;
    return two(h) + timeSeparator(l) + two(t.minute()) + u' ' +
           (t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

QString shortDate(QDate d, const QLocale& l) {
    return l.toString(d, QLocale::ShortFormat);
}

QString longTime(QTime t, const QLocale& l) {
    // The locale's long time format without its time-zone part.
    QString f = l.timeFormat(QLocale::LongFormat);
    f.remove(QLatin1Char('t'));
    return l.toString(t, f.trimmed());
}

} // namespace DisplayFormats
