#include "ui/DocumentOpener.h"

#include "platform/DesktopHandlers.h"
#include "ui/DocumentViewer.h"

#include <QDesktopServices>
#include <QUrl>

namespace DocumentOpener {

namespace {
void (*g_opener)(const QString&) = nullptr;
}

void open(const QString& filePath) {
    if (g_opener) {
        g_opener(filePath);
        return;
    }
    if (DesktopHandlers::hasHandler(filePath) && QDesktopServices::openUrl(QUrl::fromLocalFile(filePath)))
        return;
    DocumentViewer::showFile(filePath);
}

void setOpenerForTests(void (*opener)(const QString&)) {
    g_opener = opener;
}

} // namespace DocumentOpener
