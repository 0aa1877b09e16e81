// Wrapping up-down spinner over a number edit.
#include "qv/prefs/UpDownCiclico.h"

#include <QLineEdit>

UpDownCiclico::UpDownCiclico(QWidget* parent, const QString& name, const QString& editName, int minimum,
                             int maximum, int step, int maxChars)
    : QSpinBox(parent) {
    setObjectName(name);
    setRange(minimum, maximum);
    setSingleStep(step);
    setWrapping(true);
    setAccelerated(false);
    lineEdit()->setObjectName(editName);
    // Digits can be typed too (the keyboard's way); the range still holds.
    lineEdit()->setMaxLength(maxChars);
}

int UpDownCiclico::siguiente(int value, int steps, int step, int minimum, int maximum) {
    int v = value;
    const int one = steps > 0 ? step : -step;
    for (int i = 0; i < (steps > 0 ? steps : -steps); ++i) {
        v += one;
        if (v > maximum)
            v = minimum;
        else if (v < minimum)
            v = maximum;
    }
    return v;
}

void UpDownCiclico::stepBy(int steps) {
    setValue(siguiente(value(), steps, singleStep(), minimum(), maximum()));
}
