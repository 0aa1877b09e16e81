#pragma once
// A window of the program's own that shows a help page (HTML, with its links)
// or a log (Windows-1252 text): used when the desktop has no program for it.
#include <QWidget>

class QTextBrowser;
class QPushButton;

class DocumentViewer : public QWidget {
    Q_OBJECT
public:
    // Shows `path` in the viewer window (one window, reused and raised).
    static DocumentViewer* showFile(const QString& path);
    // The viewer window, if one is open (tests).
    static DocumentViewer* current();

    QString file() const { return m_file; }
    QTextBrowser* browser() const { return m_browser; }

private:
    DocumentViewer();
    void load(const QString& path);
    // Headings in the theme's emphasis colour on a dark theme.
    void colorearTitulos();

    QTextBrowser* m_browser = nullptr;
    QPushButton* m_cerrar = nullptr;
    QString m_file;
};
