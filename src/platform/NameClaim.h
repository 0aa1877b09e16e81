#pragma once
// Giving a finished file a name nobody holds yet, in one step of the file
// system: the rename never replaces what is there (a file, a folder, a link,
// even a dangling one), so no probe is needed before it.
#include <QString>

enum class NameClaim {
    Done,  // the file now has the new name
    Taken, // something already has that name: nothing changed
    Failed // another reason (no such file or folder, no permission): nothing changed
};

NameClaim ClaimName(const QString& from, const QString& to);
