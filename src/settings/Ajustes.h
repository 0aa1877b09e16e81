#pragma once
// The reminder program's settings: one read and one write routine per value,
// each opening the settings key, touching one value and closing it again, so a
// change made anywhere is seen by every later read.
//
// No routine throws. A read that fails (the value missing or of another type,
// the settings file unreadable) gives the value's default; a write that fails
// changes nothing and returns false. Each distinct problem goes once to the
// program's teller (`setAvisador`), which names the value and the file.
#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTime>
#include <QVector>

#include <functional>
#include <memory>

class SettingsStore;

namespace Ajustes {

inline constexpr const char* kSettingsKey = "Software\\Norvo Freeware\\Orbalinder";

// The settings key of the user hive. `create`: create the key when it is missing
// (otherwise a write to a missing key fails).
std::unique_ptr<SettingsStore> abrirClave(bool create);

// One failed read or write of a setting.
struct ProblemaAjuste {
    enum class Tipo { Lectura, Escritura, Arranque } tipo = Tipo::Lectura;
    QString valor;   // the setting's name ("Email"); the entry's path for Arranque
    QString archivo; // the settings file (or the start-at-login entry)
    QString motivo;  // what went wrong, in the store's words
    bool operator==(const ProblemaAjuste&) const = default;
};
using Avisador = std::function<void(const ProblemaAjuste&)>;
// Where problems go; by default a warning on standard error. Each distinct
// problem is told once per run.
void setAvisador(Avisador avisador);
// Tests: forget which problems were told.
void olvidarProblemasContados();

QString openFile();
bool setOpenFile(const QString& path);
qint32 majorVers();
qint32 minorVers();
QString startUp();
bool splash();
bool setSplash(bool on);
qint32 checkEmailEvery();
bool setCheckEmailEvery(quint16 minutes);
qint32 timeOut();
bool setTimeOut(quint8 minutes);
bool sendOnCheck();
bool setSendOnCheck(bool on);
bool eraseUnsent();
bool setEraseUnsent(bool on);
bool saveReceived();
bool setSaveReceived(bool on);
bool dueMsgs();
bool setDueMsgs(bool on);
// Low 8 bits of the stored value: 300 written by hand reads as 44.
int closeMsgs();
bool setCloseMsgs(quint8 minutes);
qint32 workingDays();
bool setWorkingDays(quint8 kind);
qint32 msgWindowFmt();
bool setMsgWindowFmt(quint8 style);
QString msgWindowSndClassic();
bool setMsgWindowSndClassic(const QString& path);
QString msgWindowSndDoggy();
bool setMsgWindowSndDoggy(const QString& path);
QString msgWindowSndBabe();
bool setMsgWindowSndBabe(const QString& path);
bool messages();
bool setMessages(bool on);
bool email();
bool setEmail(bool on);
// Geometry of the classic alert window: left, top, right, bottom (16 bytes).
QRect msgWindowPos();
bool setMsgWindowPos(const QRect& geometry);
// Position of the picture alert window: left, top (8 bytes).
QPoint msgWindowExPos();
bool setMsgWindowExPos(const QPoint& position);

// Settings of the program's own windows, outside the table: a missing value
// reads as not yet set.
// Whether the user was told once that closing the main window keeps the
// program running in the notification area.
bool trayNoticeShown();
bool setTrayNoticeShown(bool on);
// The main window's geometry and list columns as saved by Qt (empty: none yet).
QByteArray mainWindowState();
bool setMainWindowState(const QByteArray& state);
QByteArray listColumns();
bool setListColumns(const QByteArray& state);
// The time of day of the reminder made from an all-day calendar event
// ("AllDayTime", "HH:MM"; 09:00 when missing or not a time).
QTime allDayTime();
bool setAllDayTime(QTime time);
// The snooze choice the user took last (its key; empty: none yet).
QString lastSnooze();
bool setLastSnooze(const QString& key);

// Start at login.
bool ExisteArranqueWindows();
// Writes the entry for the program in the program folder, or removes it. False
// (and the problem told) when the entry could not be changed.
bool GuardarArranqueWindows(bool on);

// Creates every missing value with its default, in table order; values that exist
// are never changed, except that a value of the wrong type counts as missing
// and is replaced by its default. Creating StartUp also creates the
// start-at-login entry. `mainWindowTopLeft` gives the default alert positions.
// False when something could not be written (each problem told).
bool CrearAjustesPorDefecto(QPoint mainWindowTopLeft);

// The table of values, in the order the defaults routine creates them
// (used by the defaults routine and by qvtool).
enum class Tipo { String, Integer, Boolean, Binary };
struct Descripcion {
    const char* nombre;
    Tipo tipo;
};
const QVector<Descripcion>& tabla();

} // namespace Ajustes
