#pragma once
// What the iCalendar mapping of reminders needs besides the records, and what
// an import tells about the events it read. No widgets.
#include "store/RegistroAviso.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVector>

#include <array>

struct CalendarSettings {
    int workingDays = 1;    // the WorkingDays setting
    QTime allDayTime{9, 0}; // the time of day of an all-day event's reminder
    QDateTime now;          // an imported event's reminder is its first occurrence from this minute on
    std::array<QString, 255> addressBook; // entry k at [k - 1]; empty: no entry
};

// One reminder read from a calendar, with the UID of its event.
struct CalendarReminder {
    QString uid;
    RegistroAviso aviso;
};

// Something an import could not carry over. An event with a refusal was left
// out; an event with a loss was imported without what the loss names.
struct CalendarNote {
    enum class Kind {
        // refusals
        NotICalendar,      // the file is not an iCalendar file (detail: the reason)
        NoStart,           // the event has no start
        Interval,          // every N days, weeks, ... with N > 1 (detail: N)
        NthWeekday,        // "the 2nd Tuesday" and the like (detail: the rule)
        UnsupportedRule,   // a rule part the reminders cannot follow (detail: the rule)
        SeveralRules,      // more than one RRULE, or RDATEs
        Exceptions,        // dates taken out of the series or moved, from now on
        SeveralAlarms,     // alarms at different moments
        FixedAlarm,        // a repeating event whose alarm is at a fixed date and time
        NothingLeft,       // every occurrence lies before now
        OccurrencesDiffer, // its occurrences fall on days the reminder's rule cannot give
        // losses
        DescriptionCut,    // the summary was cut to 30 characters
        TextCut,           // the description was cut to 255 characters
        Characters,        // characters Windows-1252 cannot hold became '?' (detail: them)
        UnknownRecipient,  // an address of the e-mail alarm is not in the address book (detail: it)
        TooManyRecipients, // more than 255 recipients
    };
    Kind kind;
    QString uid;
    QString summary; // the event's summary, to name it
    QString detail;
    bool refused() const { return kind < Kind::DescriptionCut; }
};

struct CalendarReading {
    QVector<CalendarReminder> reminders; // in the order of the file
    QVector<CalendarNote> notes;
    int events = 0; // events found (a series with its moved instances counts once)
};

// The English sentence of a note ("Weekly meeting: every 2 weeks cannot be held").
QString englishText(const CalendarNote& note);
