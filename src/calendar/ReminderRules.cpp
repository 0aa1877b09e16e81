#include "calendar/ReminderRules.h"

#include "store/OccurrenceRules.h"

namespace {

// How far the last occurrence is looked for: an hourly reminder over some 11 years.
constexpr int kMaxSteps = 100000;

} // namespace

int WorkingDaysMask(int workingDays) {
    return workingDays == 2 ? 63 : 31;
}

int CodeOfWeekdays(int mask, int workingDays) {
    if (mask == 127) return 3;
    if (mask == WorkingDaysMask(workingDays)) return 4;
    return 127 + mask;
}

QString WeekdayList(int mask) {
    static const char* const names[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    QStringList days;
    for (int i = 0; i < 7; ++i)
        if (mask & (1 << i)) days << QLatin1String(names[i]);
    return days.join(QLatin1Char(','));
}

QString RepetitionRule(const RegistroAviso& r, int workingDays) {
    if (r.Terminado) return {};
    const QDate d = r.fechaProx();
    switch (r.Repetir) {
    case 0:
        return {};
    case 1:
        return QStringLiteral("FREQ=HOURLY");
    case 4:
        return QStringLiteral("FREQ=WEEKLY;BYDAY=") + WeekdayList(WorkingDaysMask(workingDays));
    case 5:
        return QStringLiteral("FREQ=WEEKLY");
    case 6:
    case 7: {
        // The chosen day, or the last day of a shorter month: the last of the
        // days 28 up to the chosen one that the month has.
        const int dia = DiaDelAviso(r);
        QString days;
        if (dia <= 28)
            days = QStringLiteral("BYMONTHDAY=%1").arg(dia);
        else if (dia == 31)
            days = QStringLiteral("BYMONTHDAY=-1");
        else
            days = QStringLiteral("BYMONTHDAY=28,29%1;BYSETPOS=-1")
                       .arg(dia == 30 ? QStringLiteral(",30") : QString());
        if (r.Repetir == 6) return QStringLiteral("FREQ=MONTHLY;") + days;
        if (d.month() != 2) days = QStringLiteral("BYMONTHDAY=%1").arg(dia); // other months never fall short
        return QStringLiteral("FREQ=YEARLY;BYMONTH=%1;%2").arg(d.month()).arg(days);
    }
    default:
        if (r.Repetir > 127 && r.Repetir < 255)
            return QStringLiteral("FREQ=WEEKLY;BYDAY=") + WeekdayList(r.Repetir - 127);
        return QStringLiteral("FREQ=DAILY"); // daily, and the codes that step like it
    }
}

QDateTime WallMoment(QDate d, QTime t) {
    return QDateTime(d, t, Qt::UTC);
}
QDateTime WallMoment(const RegistroAviso& r) {
    return WallMoment(r.fechaProx(), r.horaProx());
}

QVector<QDateTime> ReminderMoments(RegistroAviso r, int workingDays, int limit) {
    QVector<QDateTime> moments;
    if (r.Terminado) return moments;
    moments << WallMoment(r);
    while (moments.size() < limit) {
        AvanzarAviso(r, moments.last(), workingDays);
        if (r.Terminado) break;
        moments << WallMoment(r);
    }
    return moments;
}

std::optional<QDateTime> LastMoment(const RegistroAviso& first, int workingDays) {
    if (!first.Caduca || first.Terminado || first.Repetir == 0) return std::nullopt;
    RegistroAviso r = first;
    for (int i = 0; i < kMaxSteps; ++i) {
        const QDateTime moment = WallMoment(r);
        if (r.fechaProx() > first.fechaUlt()) return std::nullopt; // stepped over its expiry day: goes on
        AvanzarAviso(r, moment, workingDays);
        if (r.Terminado) return moment;
    }
    return std::nullopt;
}
