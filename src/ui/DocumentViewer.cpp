#include "ui/DocumentViewer.h"

#include "core/Cp1252.h"
#include "core/TextCatalogue.h"
#include "ui/AccessibleTexts.h"
#include "ui/ThemeColours.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QPointer<DocumentViewer>& theViewer() {
    static QPointer<DocumentViewer> w;
    return w;
}
bool isPage(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"html" || suffix == u"htm";
}
} // namespace

DocumentViewer::DocumentViewer() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("VisorDocumento"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("TextoDocumento"));
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(false);
    m_browser->setAccessibleName(LeerTexto(20351));
    // The pages' headings follow the palette (more specific than the pages' own rule).
    m_browser->document()->setDefaultStyleSheet(
        QStringLiteral("body h1 { color: %1; }").arg(ThemeColours::emphasis(palette()).name()));
    auto* buttons = new QDialogButtonBox(this);
    m_cerrar = buttons->addButton(LeerTexto(20352), QDialogButtonBox::RejectRole);
    m_cerrar->setObjectName(QStringLiteral("BotonCerrar"));
    connect(m_cerrar, &QPushButton::clicked, this, &QWidget::close);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? LeerTexto(20350) : title);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
    resize(640, 520);
    AccessibleTexts::describe(this);
}

void DocumentViewer::load(const QString& path) {
    m_file = path;
    if (isPage(path)) {
        m_browser->setSource(QUrl::fromLocalFile(path), QTextDocument::HtmlResource);
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? LeerTexto(20350) : title);
        return;
    }
    QFile f(path);
    m_browser->setPlainText(f.open(QIODevice::ReadOnly) ? Cp1252::decode(f.readAll()) : QString());
    setWindowTitle(QFileInfo(path).fileName());
}

DocumentViewer* DocumentViewer::showFile(const QString& path) {
    if (!theViewer()) theViewer() = new DocumentViewer;
    theViewer()->load(path);
    theViewer()->show();
    theViewer()->raise();
    theViewer()->activateWindow();
    return theViewer();
}

DocumentViewer* DocumentViewer::current() {
    return theViewer();
}
