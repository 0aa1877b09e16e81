#pragma once
// A number edit (typed digits within the range) with an up-down spinner that wraps like the classic
// up-down control: a step past the maximum lands on the minimum and a step
// below the minimum on the maximum (so 0..58 by 2 goes 55, 57, 0).
#include <QSpinBox>

class QLineEdit;

class UpDownCiclico : public QSpinBox {
    Q_OBJECT
public:
    // `editName` names the inner edit, `maxChars` limits what it shows.
    UpDownCiclico(QWidget* parent, const QString& name, const QString& editName, int minimum, int maximum,
                  int step, int maxChars = 3);

    QLineEdit* edit() const { return lineEdit(); }
    void stepBy(int steps) override;

    // The position after `steps` steps from `value` (pure rule, for tests too).
    static int siguiente(int value, int steps, int step, int minimum, int maximum);
};
