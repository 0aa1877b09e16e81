#pragma once
// The small dialog that edits the user name and password saved with a dial-up
// connection.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TVLoginPasswd : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxChars = 120;

    explicit TVLoginPasswd(QWidget* parent = nullptr);

    void setValores(const QString& login, const QString& passwd);
    QString login() const;
    QString passwd() const;

private:
    QLabel *m_labelLogin, *m_labelPasswd;
    QLineEdit *m_editLogin, *m_editPasswd;
    QPushButton *m_aceptar, *m_cancelar;
};

// Shows the dialog filled with the two values. OK hands back the edited values,
// Cancel empties both. Always true.
bool PedirLoginPasswd(QWidget* parent, QString& login, QString& passwd);
