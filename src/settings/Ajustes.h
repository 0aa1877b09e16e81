#pragma once
// The reminder program's settings: one read and one write routine per value,
// each opening the settings key, touching one value and closing it again, so a
// change made anywhere is seen by every later read. Reads of a missing value or
// a value of the wrong type throw SettingsError.
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>

#include <memory>

class SettingsStore;

namespace Ajustes {

inline constexpr const char* kSettingsKey = "Software\\Norvo Freeware\\Orbalinder";

// The settings key of the user hive. `create`: create the key when it is missing
// (otherwise a write to a missing key fails).
std::unique_ptr<SettingsStore> abrirClave(bool create);

QString openFile();
void setOpenFile(const QString& path);
qint32 majorVers();
qint32 minorVers();
QString startUp();
bool splash();
void setSplash(bool on);
qint32 checkEmailEvery();
void setCheckEmailEvery(quint16 minutes);
qint32 timeOut();
void setTimeOut(quint8 minutes);
bool sendOnCheck();
void setSendOnCheck(bool on);
bool eraseUnsent();
void setEraseUnsent(bool on);
bool saveReceived();
void setSaveReceived(bool on);
bool dueMsgs();
void setDueMsgs(bool on);
// Low 8 bits of the stored value: 300 written by hand reads as 44.
int closeMsgs();
void setCloseMsgs(quint8 minutes);
qint32 workingDays();
void setWorkingDays(quint8 kind);
qint32 msgWindowFmt();
void setMsgWindowFmt(quint8 style);
QString msgWindowSndClassic();
void setMsgWindowSndClassic(const QString& path);
QString msgWindowSndDoggy();
void setMsgWindowSndDoggy(const QString& path);
QString msgWindowSndBabe();
void setMsgWindowSndBabe(const QString& path);
bool messages();
void setMessages(bool on);
bool email();
void setEmail(bool on);
// Geometry of the classic alert window: left, top, right, bottom (16 bytes).
QRect msgWindowPos();
void setMsgWindowPos(const QRect& geometry);
// Position of the picture alert window: left, top (8 bytes).
QPoint msgWindowExPos();
void setMsgWindowExPos(const QPoint& position);

// Start at login.
bool ExisteArranqueWindows();
// Writes the entry for the program in the program folder, or removes it.
void GuardarArranqueWindows(bool on);

// Creates every missing value with its default, in table order; values that exist
// are never changed. Creating StartUp also creates the start-at-login entry.
// `mainWindowTopLeft` gives the default alert positions. Returns true.
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
