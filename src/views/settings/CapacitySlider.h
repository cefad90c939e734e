#pragma once

#include <QSlider>

// The Settings slider of the history capacity, in entries: 5 to 200 by 5. A lower capacity
// deletes entries for good, so the slider tells a value with capacityCommitted() only once the
// user has settled on it: when a drag or click is let go, at each key press, and, for turns of
// the wheel (taken only while the slider has the keyboard focus), when the focus moves elsewhere
// or the slider goes away. Values passed on the way are only shown (capacityShown()).
class CapacitySlider : public QSlider
{
    Q_OBJECT
public:
    static constexpr int Step = 5;
    static constexpr int Minimum = 5;
    static constexpr int Maximum = 200;

    explicit CapacitySlider(QWidget *parent = nullptr);

    // The value on show, committed or not.
    int capacity() const { return value() * Step; }
    // Shows a stored capacity (clamped to the range); it counts as committed.
    void setCommittedCapacity(qint64 count);
    // Commits the value on show, when it differs from the last one committed.
    void commit();

Q_SIGNALS:
    void capacityShown(int count);
    void capacityCommitted(int count);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    int m_committed = 0;
};
