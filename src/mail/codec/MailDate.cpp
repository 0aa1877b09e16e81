// Date and Message-ID header values.
#include "mail/codec/MailDate.h"

#include <QRandomGenerator>
#include <QRegularExpression>

QString Rfc5322Date(const QDateTime& when) {
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate date = when.date();
    const QTime time = when.time();
    const int offset = when.offsetFromUtc() / 60;
    const int absolute = offset < 0 ? -offset : offset;
    return QStringLiteral("%1, %2 %3 %4 %5:%6:%7 %8%9%10")
        .arg(QLatin1String(kDays[date.dayOfWeek() - 1]))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[date.month() - 1]))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'))
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(absolute / 60, 2, 10, QLatin1Char('0'))
        .arg(absolute % 60, 2, 10, QLatin1Char('0'));
}

bool IsRfc5322Date(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(?:(?:Mon|Tue|Wed|Thu|Fri|Sat|Sun), )?\\d{1,2} "
                       "(?:Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} "
                       "\\d{2}:\\d{2}(?::\\d{2})? [+-]\\d{4}$"));
    return form.match(text.trimmed()).hasMatch();
}

QString MakeMessageId(const QDateTime& when, const QString& senderAddress) {
    QString domain = senderAddress.mid(senderAddress.lastIndexOf(QLatin1Char('@')) + 1);
    static const QRegularExpression notDomain(QStringLiteral("[^A-Za-z0-9.-]"));
    domain.remove(notDomain);
    if (!senderAddress.contains(QLatin1Char('@')) || domain.isEmpty() ||
        domain.startsWith(QLatin1Char('.')) || domain.endsWith(QLatin1Char('.')))
        domain = QStringLiteral("orbalinder.invalid");
    const quint64 random = QRandomGenerator::system()->generate64();
    return QStringLiteral("<%1.%2@%3>")
        .arg(when.toUTC().toString(QStringLiteral("yyyyMMddhhmmss")))
        .arg(random, 16, 16, QLatin1Char('0'))
        .arg(domain);
}
