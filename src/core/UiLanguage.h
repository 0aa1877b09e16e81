#pragma once
// One language per run: the catalogue names its language (text 20300, "es",
// "en"), and everything Qt formats or shows by itself follows it: dates, month
// and weekday names in every window (the default locale), and Qt's own texts
// in message boxes and file dialogs (Qt's translations of that language),
// whatever the system's locale says.
#include <QString>

namespace UiLanguage {
constexpr int kTextoIdioma = 20300;

// The catalogue's language code; "en" when the catalogue does not name one.
QString code();
// Sets the default locale to the catalogue's language and installs Qt's own
// translations for it (replacing those of an earlier call). False when Qt has
// no translations for the language; the locale is set all the same.
bool apply();
// Where Qt's translation files are looked for.
QString qtTranslationsFolder();
} // namespace UiLanguage
