#pragma once
// The preferences' calendar page: the CalDAV account of the open reminders
// file (server address, user, password, trusted certificates), the calendar
// chosen among those the server's address leads to, and how often to sync.
// The account is kept beside the reminders file, the password in the desktop
// keyring (or, where none runs, in an owner-only file, which the page says).
// Discovery runs on a thread of its own; the page never waits for the network.
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QThread;

class PaginaCalendario : public QWidget {
    Q_OBJECT
public:
    explicit PaginaCalendario(const QString& remindersFile, QWidget* parent = nullptr);
    ~PaginaCalendario() override;

    // Writes the account and the password. False with the reason in *error.
    bool guardar(QString* error);

    // Starts the search for calendars (the "find" button).
    void buscarCalendarios();
    bool buscando() const { return m_busqueda != nullptr; }

signals:
    void busquedaTerminada();

private:
    QString m_archivo;
    QLineEdit *m_servidor = nullptr, *m_usuario = nullptr, *m_passwd = nullptr, *m_certificados = nullptr;
    QPushButton *m_elegirCertificados = nullptr, *m_buscar = nullptr;
    QComboBox* m_calendarios = nullptr;
    QSpinBox* m_minutos = nullptr;
    QLabel *m_dondePasswd = nullptr, *m_estado = nullptr;
    QThread* m_busqueda = nullptr;
    bool m_cambiado = false; // an account field was edited
};
