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
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
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

    auto* buttons = new QDialogButtonBox(this);
    m_cerrar = buttons->addButton(LeerTexto(20352), QDialogButtonBox::RejectRole);
    m_cerrar->setObjectName(QStringLiteral("BotonCerrar"));
    connect(m_cerrar, &QPushButton::clicked, this, &QWidget::close);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        colorearTitulos();
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
        colorearTitulos();
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? LeerTexto(20350) : title);
        return;
    }
    QFile f(path);
    m_browser->setPlainText(f.open(QIODevice::ReadOnly) ? Cp1252::decode(f.readAll()) : QString());
    setWindowTitle(QFileInfo(path).fileName());
}

void DocumentViewer::colorearTitulos() {
    // The pages' dark-blue headings would vanish on a dark theme: there they
    // take the theme's light emphasis colour.
    if (!ThemeColours::isDark(palette())) return;
    QTextCharFormat colour;
    colour.setForeground(ThemeColours::emphasis(palette()));
    QTextDocument* doc = m_browser->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() == 0) continue;
        QTextCursor c(doc);
        c.setPosition(b.position());
        c.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
        c.mergeCharFormat(colour);
    }
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
