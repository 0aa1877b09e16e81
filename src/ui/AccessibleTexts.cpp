#include "ui/AccessibleTexts.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace AccessibleTexts {

namespace {
constexpr const char* kOwnName = "orbAccessibleNameSet";
constexpr const char* kOwnDescription = "orbAccessibleDescriptionSet";

QString plain(QString text) {
    // A mnemonic's '&' is not read aloud; "&&" stands for one '&'.
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text.simplified();
}

bool isControl(const QWidget* w) {
    // The line edit inside a spin box or combo box is named through its owner.
    if (qobject_cast<const QLineEdit*>(w))
        return !qobject_cast<const QAbstractSpinBox*>(w->parentWidget()) &&
               !qobject_cast<const QComboBox*>(w->parentWidget());
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w);
}

bool hasWords(const QString& text) {
    for (QChar c : text)
        if (c.isLetterOrNumber()) return true;
    return false;
}

QString shownName(QWidget* w, const QList<QLabel*>& labels) {
    // A button that shows only signs (">>", "...") is named by its hint.
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if (hasWords(b->text())) return plain(b->text());
        if (!b->toolTip().isEmpty()) return plain(b->toolTip());
    }
    for (QLabel* l : labels)
        if (l->buddy() == w && !plain(l->text()).isEmpty()) return plain(l->text());
    return {};
}
QLabel* labelIn(QLayoutItem* item) {
    return item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
}

// The control an item holds: its widget, or the first control of its layout
// (a field with a button beside it).
QWidget* controlIn(QLayoutItem* item) {
    if (!item) return nullptr;
    if (QLayout* inner = item->layout()) {
        for (int i = 0; i < inner->count(); ++i)
            if (QWidget* w = controlIn(inner->itemAt(i))) return w;
        return nullptr;
    }
    QWidget* w = item->widget();
    return w && isControl(w) ? w : nullptr;
}

// A label laid out just before a control (to its left or above it in a grid,
// before it in a row or a column) names that control, unless it already names another.
void pairLabels(QWidget* window) {
    for (QLayout* layout : window->findChildren<QLayout*>()) {
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            for (int r = 0; r < grid->rowCount(); ++r)
                for (int c = 0; c < grid->columnCount(); ++c) {
                    QWidget* control = controlIn(grid->itemAtPosition(r, c));
                    if (!control) continue;
                    QLabel* label = c > 0 ? labelIn(grid->itemAtPosition(r, c - 1)) : nullptr;
                    if (!label && r > 0) label = labelIn(grid->itemAtPosition(r - 1, c)); // a label above
                    if (label && !label->buddy()) label->setBuddy(control);
                }
            continue;
        }
        if (auto* form = qobject_cast<QFormLayout*>(layout)) {
            for (int r = 0; r < form->rowCount(); ++r) {
                QLayoutItem* labelItem = form->itemAt(r, QFormLayout::LabelRole);
                auto* label = qobject_cast<QLabel*>(labelItem ? labelItem->widget() : nullptr);
                QWidget* control = controlIn(form->itemAt(r, QFormLayout::FieldRole));
                if (label && control && !label->buddy()) label->setBuddy(control);
            }
            continue;
        }
        if (!qobject_cast<QBoxLayout*>(layout)) continue;
        for (int i = 1; i < layout->count(); ++i) {
            auto* label = qobject_cast<QLabel*>(layout->itemAt(i - 1)->widget());
            QWidget* control = controlIn(layout->itemAt(i));
            if (label && control && !label->buddy()) label->setBuddy(control);
        }
    }
}
} // namespace

void describe(QWidget* window) {
    pairLabels(window);
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isControl(w)) continue;
        const bool ownName = w->property(kOwnName).toBool();
        if (w->accessibleName().isEmpty() || ownName) {
            const QString name = shownName(w, labels);
            if (!name.isEmpty()) {
                w->setAccessibleName(name);
                w->setProperty(kOwnName, true);
            }
        }
        if (w->accessibleDescription().isEmpty() || w->property(kOwnDescription).toBool()) {
            const QString hint = plain(w->toolTip());
            w->setAccessibleDescription(hint.isEmpty() ? w->accessibleName() : hint);
            w->setProperty(kOwnDescription, true);
        }
    }
    // The text field inside a spin box or an editable list is a control of its
    // own for a screen reader: it carries its owner's name.
    for (QLineEdit* e : window->findChildren<QLineEdit*>()) {
        QWidget* owner = e->parentWidget();
        if (!qobject_cast<QAbstractSpinBox*>(owner) && !qobject_cast<QComboBox*>(owner)) continue;
        e->setAccessibleName(owner->accessibleName());
        e->setAccessibleDescription(owner->accessibleDescription());
    }
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        if (g->accessibleDescription().isEmpty()) g->setAccessibleDescription(plain(g->title()));
}

} // namespace AccessibleTexts
