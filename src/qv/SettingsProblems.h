#pragma once
// How the reminder program tells a settings problem: each one in the user's
// language, naming the value and the file; the problems that arise in one turn
// of the event loop (a dozen failed reads at start) share one message box.
#include "settings/Ajustes.h"

#include <QString>

namespace SettingsProblems {
// The problem as a sentence (catalogue texts 20100..20102).
QString texto(const Ajustes::ProblemaAjuste& p);
// Makes the settings routines tell their problems this way.
void instalar();
} // namespace SettingsProblems
