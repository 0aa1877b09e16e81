#include "qv/alerts/MensajesMostrados.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "core/DisplayFormats.h"
#include "settings/ProgramFolders.h"

#include <QFile>

namespace {
bool g_guard = false;

struct Guard {
    Guard() { g_guard = true; }
    ~Guard() { g_guard = false; }
};
} // namespace

bool LogGuardTaken() { return g_guard; }
void ResetLogGuard() { g_guard = false; }

bool RegistrarMensajeMostrado(const QString& caption, const QStringList& lines) {
    Guard guard;
    QFile log(ProgramFolders::global().dirMail + QStringLiteral("QV_MSGS.TXT"));
    const bool isNew = !log.exists();
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    QString text;
    if (isNew) text += QStringLiteral("# Messages file created by Norvo Orbalinder 2.0. DO NOT RENAME!\r\n\r\n");
    text += QStringLiteral("__________ Message shown on: ") + DisplayFormats::logStamp(Clock::current().now()) +
            QStringLiteral(" __________\r\n\r\n");
    text += QStringLiteral("From: ") + caption + QStringLiteral("\r\n");
    for (const QString& line : lines)
        if (!line.isEmpty()) text += line + QStringLiteral("\r\n");
    text += QStringLiteral("\r\n__________ End of message __________\r\n\r\n");
    const QByteArray bytes = Cp1252::encode(text);
    return log.write(bytes) == bytes.size() && log.flush();
}
