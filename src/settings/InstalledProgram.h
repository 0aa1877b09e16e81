#pragma once
// An installed program: QV, QVMC and qvtool in one bin folder and the files they
// ship (text catalogues, help pages, default sounds) in the data folder
// <bin>/../share/orbalinder. A launcher starts programs in the home folder, so an
// installed program without a prepared folder keeps its files in a per-user
// program folder, laid out from the data folder.
#include <QString>

namespace InstalledProgram {

// The data folder of the running program; empty when it does not run installed
// (from the build tree or a prepared program folder).
QString dataFolder();

// The program `name` ("QV", "QVMC") that belongs to the running one: the installed
// program when it runs installed, else `dirPrograma` + name.
QString executable(const QString& name, const QString& dirPrograma);

// $XDG_DATA_HOME/Orbalinder/ (default ~/.local/share/Orbalinder/).
QString userProgramFolder();

// The user's language ("es", "en", ...): the first of LC_ALL, LC_MESSAGES and
// LANG that is set, cut before '_' or '.'.
QString userLanguage();

// Lays out `folder` from the data folder `data`: MAIL/ and TEMP/; QVLANG.cat from
// lang/<language>.cat (English when that language has none) and the help pages,
// both replaced when the installed copy differs; the files of sounds/ when missing
// (the user may have replaced them). Nothing else in `folder` is touched.
// Returns what failed, or an empty string.
QString layOut(const QString& folder, const QString& data, const QString& language);

// For tests: run as if the program lived in `binFolder` (empty: the real one).
void setBinFolderForTests(const QString& binFolder);

} // namespace InstalledProgram
