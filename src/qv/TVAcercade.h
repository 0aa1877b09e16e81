#pragma once
// The splash and about window: borderless, always on top, a picture, the
// maker's web address as a clickable line, and a picture button that closes it.
// As splash it hides the button and closes itself after a while.
#include <QDialog>

class QLabel;
class QPushButton;

class TVAcercade : public QDialog {
    Q_OBJECT
public:
    enum class Modo { Splash, AcercaDe };
    explicit TVAcercade(Modo modo, QWidget* parent = nullptr);

    static inline QString webAddress = QStringLiteral("https://orbalinder.example.org/");
    static inline int splashMilliseconds = 3000;

private:
    QLabel* m_picture;
    QLabel* m_web;
    QPushButton* m_close;
};
