#include "views/widgets/Divider.h"

#include "views/widgets/PopoverStyle.h"

#include <QPainter>

Divider::Divider(int inset, QWidget *parent)
    : QWidget(parent)
    , m_inset(inset)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect().adjusted(m_inset, 0, -m_inset, 0), PopoverStyle::tint(palette(), 0.12));
}
