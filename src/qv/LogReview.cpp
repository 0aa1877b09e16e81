#include "qv/LogReview.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "core/DisplayFormats.h"
#include "settings/ProgramFolders.h"
#include "ui/DocumentOpener.h"
#include "ui/HelpPages.h"

#include <QFile>

namespace LogReview {

QString path(LogKind kind) {
    const auto& f = ProgramFolders::global();
    switch (kind) {
    case LogKind::MensajesMostrados:
        return f.dirMail + "QV_MSGS.TXT";
    case LogKind::EmailRecibido:
        return f.dirMail + "QV_EMAIL.TXT";
    case LogKind::ActividadEmail:
        return f.dirTemp + "QV_LOG.TXT";
    }
    return {};
}

QString headerLine(LogKind kind, const QString& dateTime) {
    const char* what = kind == LogKind::MensajesMostrados ? "Messages file"
                       : kind == LogKind::EmailRecibido   ? "Mail file"
                                                          : "Mail log";
    return QStringLiteral("# %1 created by Norvo Orbalinder 2.0 on %2 DO NOT RENAME!").arg(what, dateTime);
}

bool ensureExists(LogKind kind) {
    QFile file(path(kind));
    if (file.exists()) return true;
    const QDateTime now = Clock::current().now();
    const QString stamp = DisplayFormats::shortDate(now.date()) + u' ' + DisplayFormats::longTime(now.time());
    if (!file.open(QIODevice::WriteOnly)) return false;
    return file.write(Cp1252::encode(headerLine(kind, stamp) + QStringLiteral("\r\n\r\n"))) > 0;
}

void openWithDesktop(const QString& filePath) {
    DocumentOpener::open(filePath);
}

void setOpenerForTests(void (*opener)(const QString&)) {
    DocumentOpener::setOpenerForTests(opener);
}

QString helpPage(const QString& topic) {
    return HelpPages::path(topic);
}

void openHelp(const QString& topic) {
    HelpPages::open(topic);
}

} // namespace LogReview
