#include "views/settings/CapacitySlider.h"

#include "views/settings/WheelGuard.h"

#include <QFocusEvent>
#include <QSignalBlocker>

#include <algorithm>

CapacitySlider::CapacitySlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setRange(Minimum / Step, Maximum / Step);
    setPageStep(2);
    setTickPosition(QSlider::NoTicks);
    WheelGuard::guard(this);
    m_committed = capacity();
    connect(this, &QSlider::valueChanged, this, [this] { Q_EMIT capacityShown(capacity()); });
}

void CapacitySlider::setCommittedCapacity(qint64 count)
{
    {
        const QSignalBlocker blocker(this);
        setValue(int(std::clamp<qint64>(count, Minimum, Maximum) / Step));
    }
    m_committed = capacity();
    Q_EMIT capacityShown(capacity());
}

void CapacitySlider::commit()
{
    if (capacity() == m_committed)
        return;
    m_committed = capacity();
    Q_EMIT capacityCommitted(m_committed);
}

void CapacitySlider::keyPressEvent(QKeyEvent *event)
{
    QSlider::keyPressEvent(event);
    commit();
}

void CapacitySlider::mouseReleaseEvent(QMouseEvent *event)
{
    QSlider::mouseReleaseEvent(event);
    commit();
}

void CapacitySlider::focusOutEvent(QFocusEvent *event)
{
    QSlider::focusOutEvent(event);
    // Another window or a menu taking the keyboard for a while is not the user moving on.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        commit();
}

void CapacitySlider::hideEvent(QHideEvent *event)
{
    QSlider::hideEvent(event);
    commit();
}
