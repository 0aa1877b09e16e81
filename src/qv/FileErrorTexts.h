#pragma once
// Reminders-file failures and warnings told in the catalogue's language.
#include <QString>

class ReminderFileError;
struct Diagnostico;

namespace FileErrorTexts {
// "Cannot open the file X: permission denied", from the catalogue.
QString error(const ReminderFileError& e);
// The warning for a reminders file that can still be used; empty when it is sound.
QString warning(const QString& path, const Diagnostico& d);
// The reason behind a system error number, from the catalogue.
QString systemReason(int errorNumber);
} // namespace FileErrorTexts
