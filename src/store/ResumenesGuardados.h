#pragma once
// The summaries of a reminders file kept beside it ("FILE.summaries"), so a
// start need not read the whole file: trusted only for the exact identity
// (device, inode, size, times to the nanosecond) the file had when they were
// taken, for the same file path, and when every byte checks out. They are
// written only from a reading nothing wrote during, of a file unchanged for
// two seconds before (a later write within the same clock tick could leave
// the same times).
#include "store/ResumenesAvisos.h"

#include <QString>

#include <optional>

QString ArchivoResumenesGuardados(const QString& archivo);
// The kept summaries when they describe the file as it is now (`actual`, its
// identity taken under the file's lock); else empty.
std::optional<ResumenesAvisos> LeerResumenesGuardados(const QString& archivo, const FileIdentity& actual);
// Keeps `leidos` beside the file when they may be trusted later (see above);
// a failure only costs the next start a reading.
void GuardarResumenes(const QString& archivo, const ResumenesAvisos& leidos);
