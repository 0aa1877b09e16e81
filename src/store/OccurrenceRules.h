#pragma once
// When a reminder is due or past, and how it moves to its next occurrence.
// The rules work on calendar days and times of day in local wall time, never on
// seconds since the epoch, so a daylight-saving change cannot shift a reminder.
//
// Monthly and yearly reminders keep the day of the month the user chose: on
// that day, or on the last day of a shorter month, and back on it afterwards
// (31 January, 28 February, 31 March, 30 April; 29 February in leap years,
// 28 February in the others). The chosen day lives in the record
// (DiaElegido) only while the date is shorter than it.
//
// Choices where the stored data has no rule of its own:
// - a WorkingDays value other than 2 counts as Monday to Friday;
// - the empty weekday set (code 127) and any unknown code step like daily, so a
//   damaged record can neither hang nor crash a pass.
#include "store/RegistroAviso.h"

#include <QDateTime>

// Active, unfinished, dated today and at the current hour and minute.
bool EsDebido(const ResumenAviso& r, const QDateTime& ahora);
inline bool EsDebido(const RegistroAviso& r, const QDateTime& ahora) {
    return EsDebido(ResumenAviso::de(r), ahora);
}
// Unfinished and its moment already gone (switched-off reminders too).
bool EsPasado(const ResumenAviso& r, const QDateTime& ahora);
inline bool EsPasado(const RegistroAviso& r, const QDateTime& ahora) {
    return EsPasado(ResumenAviso::de(r), ahora);
}
// Moves the reminder to its next occurrence, or finishes it. True when the
// reminder is to be removed (marked with Estado 0) by the caller's compaction.
bool AvanzarAviso(RegistroAviso& r, const QDateTime& ahora, int workingDays);

// The first moment of a reminder the user is saving: a weekday-set reminder
// starts on the first chosen day (the given date or later); a repeating one
// whose moment lies before the current minute starts at its next occurrence.
// The current minute itself is not past. A once-only reminder is not moved:
// `pasado` says that its moment has gone.
struct PrimerMomento {
    QDate fecha;
    QTime hora;
    bool movido = false;    // differs from the moment given
    bool eraPasado = false; // the moment given lies before the current minute
    bool pasado = false;    // once-only and before the current minute
};
PrimerMomento PrimerMomentoAviso(int repetir, QDate fecha, QTime hora, const QDateTime& ahora,
                                 int workingDays);

// The day of the month a monthly or yearly reminder keeps: its chosen day while
// its date agrees with it (that day, or the last of a shorter month), otherwise
// the day of its date (a value written by a program that does not keep it).
int DiaDelAviso(const RegistroAviso& r);

// One step of a date rule; `dia` is the day of the month a monthly or yearly
// rule keeps (0: the day of `d`).
QDate PasoRegla(int repetir, QDate d, int workingDays, int dia = 0);
