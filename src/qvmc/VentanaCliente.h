#pragma once
// The mail client's window "TVPrincipal": the session log (at most 100 lines
// shown), its pop-up menu and the animated tray icon. Created hidden behind the
// tray icon; the session runs once the event loop starts.
//
// The window is normally never seen, so the view is filled only while it is
// shown and not minimized: lines are kept (the latest 100) and reach the view
// in batches, not one layout and repaint per line.
#include <QStringList>
#include <QWidget>

class QAction;
class QMenu;
class QPlainTextEdit;
class QTimer;
class SesionCorreo;
class TSystemTrayIcon;

namespace qvmc {

class TVPrincipal : public QWidget {
    Q_OBJECT
public:
    explicit TVPrincipal(SesionCorreo* session, QWidget* parent = nullptr);
    // Shows one log line (the window keeps the last 100): at once in the kept
    // lines, in the view with the next batch while the window is shown.
    void mostrarLinea(const QString& line);
    QPlainTextEdit* memoLog() const { return m_memo; }
    TSystemTrayIcon* tray() const { return m_tray; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    bool vistaVisible() const;
    // Brings the view up to the kept lines (only while it is shown).
    void volcarLineas();

    QStringList m_ultimas;    // the latest lines, at most 100
    QStringList m_pendientes; // shown lines not yet in the view
    bool m_vistaAlDia = true; // the view holds m_ultimas but m_pendientes
    QTimer* m_lote;
    QPlainTextEdit* m_memo;
    QMenu* m_popup;
    QAction* m_minimizar;
    QAction* m_salir;
    TSystemTrayIcon* m_tray;
    SesionCorreo* m_session;
};

} // namespace qvmc
