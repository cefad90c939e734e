#include "views/widgets/FocusScrollArea.h"

#include "views/widgets/PopoverStyle.h"

#include <QPainter>

namespace {

// The ring itself: a see-through widget over the viewport that the pointer passes through.
class FocusRing : public QWidget
{
public:
    explicit FocusRing(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const qreal half = FocusScrollArea::RingWidth / 2.0;
        painter.setPen(QPen(PopoverStyle::focusRing(palette(), palette().color(QPalette::Window)), FocusScrollArea::RingWidth));
        painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
    }
};

} // namespace

FocusScrollArea::FocusScrollArea(QWidget *parent)
    : QScrollArea(parent)
    , m_ring(new FocusRing(this))
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setFocusPolicy(Qt::StrongFocus);
}

void FocusScrollArea::focusInEvent(QFocusEvent *event)
{
    QScrollArea::focusInEvent(event);
    m_ring->setGeometry(viewport()->geometry());
    m_ring->raise();
    m_ring->show();
}

void FocusScrollArea::focusOutEvent(QFocusEvent *event)
{
    QScrollArea::focusOutEvent(event);
    m_ring->hide();
}

void FocusScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    m_ring->setGeometry(viewport()->geometry());
}
