#pragma once
// The mail client's window "TVPrincipal": the session log (at most 100 lines
// shown), its pop-up menu and the animated tray icon. Created hidden behind the
// tray icon; the session runs once the event loop starts.
#include <QWidget>

class QAction;
class QMenu;
class QPlainTextEdit;
class SesionCorreo;
class TSystemTrayIcon;

namespace qvmc {

class TVPrincipal : public QWidget {
    Q_OBJECT
public:

    explicit TVPrincipal(SesionCorreo* session, QWidget* parent = nullptr);
    // Shows one log line (the window keeps the last 100).
    void mostrarLinea(const QString& line);
    QPlainTextEdit* memoLog() const { return m_memo; }
    TSystemTrayIcon* tray() const { return m_tray; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QPlainTextEdit* m_memo;
    QMenu* m_popup;
    QAction* m_minimizar;
    QAction* m_salir;
    TSystemTrayIcon* m_tray;
    SesionCorreo* m_session;
};

} // namespace qvmc
