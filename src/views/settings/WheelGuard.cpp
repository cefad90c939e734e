#include "views/settings/WheelGuard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>

namespace {

class WheelFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel || static_cast<QWidget *>(watched)->hasFocus())
            return false;
        // Ignored and filtered: the control never sees it, and Qt hands it to the parent.
        event->ignore();
        return true;
    }
};

} // namespace

namespace WheelGuard {

void guard(QWidget *control)
{
    if (!control || control->property("wheelGuarded").toBool())
        return;
    control->setProperty("wheelGuarded", true);
    // Without the wheel bit, the wheel does not hand the control the focus either.
    control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(new WheelFilter(control));
}

void guardChildren(QWidget *root)
{
    if (!root)
        return;
    for (QAbstractSlider *slider : root->findChildren<QAbstractSlider *>()) {
        if (!qobject_cast<QScrollBar *>(slider))
            guard(slider);
    }
    for (QComboBox *picker : root->findChildren<QComboBox *>())
        guard(picker);
    for (QAbstractSpinBox *box : root->findChildren<QAbstractSpinBox *>())
        guard(box);
}

} // namespace WheelGuard
