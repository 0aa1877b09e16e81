#pragma once
// The three logs the main window lets the user review, and opening a log or a
// help page with the desktop's default program.
#include <QString>

enum class LogKind { MensajesMostrados, EmailRecibido, ActividadEmail };

namespace LogReview {
// Full path of the log in the program folder.
QString path(LogKind kind);
// The header line a new log starts with, for the given moment's texts.
QString headerLine(LogKind kind, const QString& dateTime);
// Creates the log with its header line and one empty line (CR LF) when it does not
// exist. False when it could not be created.
bool ensureExists(LogKind kind);
// Shows the file with the desktop's program for it, or in the program's own
// viewer when the desktop has none. Tests can replace the opener.
void openWithDesktop(const QString& filePath);
void setOpenerForTests(void (*opener)(const QString&));
// Help: the page of `topic` ("QVH_Avisos", ...) in the catalogue's language, or
// the contents for an empty topic.
void openHelp(const QString& topic);
QString helpPage(const QString& topic);
} // namespace LogReview
