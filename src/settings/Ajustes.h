#pragma once
// The reminder program's settings: one read and one write routine per row of
// TablaAjustes.def, each opening the settings key, touching one value and
// closing it again, so a change made anywhere is seen by every later read.
//
// No routine throws. A read that fails (the value missing or of another type,
// the settings file unreadable) gives the value's default; a write that fails
// changes nothing and returns false. Each distinct problem goes once to the
// program's teller (`setAvisador`), which names the value and the file.
#include "settings/FilaAjuste.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class SettingsStore;
struct SettingValue;

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

// The typed routines of every row of TablaAjustes.def: `T reader()` and
// `bool set<Name>(const T&)`, T by the row's class (TipoDe). The row
// `AJUSTE(Splash, splash, Booleano, ...)` declares `bool splash()` and
// `bool setSplash(const bool&)`.
#define AJUSTE(nombre, lector, clase, ...)                                                                   \
    TipoDe<Clase::clase>::T lector();                                                                        \
    bool set##nombre(const TipoDe<Clase::clase>::T& valor);
#include "settings/TablaAjustes.def"
#undef AJUSTE

// Start at login.
bool ExisteArranqueWindows();
// Writes the entry for the program in the program folder, or removes it. False
// (and the problem told) when the entry could not be changed.
bool GuardarArranqueWindows(bool on);

// The reminders files that fire at once, OpenFile among them (setting
// ActiveFiles: the paths in UTF-8, each ended by a zero byte).
QStringList rutasActivas();
bool guardarRutasActivas(const QStringList& rutas);

// Creates every missing value with its default, in table order; values that exist
// are never changed, except that a value of the wrong type counts as missing
// and is replaced by its default. Creating StartUp also creates the
// start-at-login entry. `mainWindowTopLeft` gives the default alert positions.
// False when something could not be written (each problem told).
bool CrearAjustesPorDefecto(QPoint mainWindowTopLeft);

// The rows the defaults routine creates, in its order: neither the program
// windows' own values nor those it leaves out.
const QVector<Descripcion>& tabla();
// What qvtool lists, reads and writes: tabla() and then the rows the defaults
// routine leaves out (kOpcional).
const QVector<Descripcion>& visibles();
const Descripcion& descripcion(Id id);
// Writes a value of the row's stored type as the row's writer does (its width,
// whether it creates the key); a failure is told and gives false.
bool escribir(const Descripcion& d, const SettingValue& valor);

} // namespace Ajustes
