#pragma once

#include <QScrollArea>

// A scrolling page that is itself a Tab stop (the arrow and page keys scroll it), with a ring
// drawn over the page's edge while it has the keyboard focus: a stop that showed nothing would
// lose the reader.
class FocusScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    static constexpr int RingWidth = 2;

    explicit FocusScrollArea(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_ring;
};
