#include "views/widgets/SidebarDelegate.h"

#include "views/widgets/PopoverStyle.h"

#include <QPainter>
#include <QPainterPath>

void SidebarDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem plain = option;
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
    if (!(option.state & QStyle::State_HasFocus))
        return;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    const QColor background = selected ? option.palette.color(group, QPalette::Highlight) : option.palette.color(group, QPalette::Base);
    const QColor ring = selected ? PopoverStyle::readable(option.palette.color(group, QPalette::HighlightedText), background, 3.0)
                                 : PopoverStyle::focusRing(option.palette, background);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(option.rect).adjusted(2.5, 2.5, -2.5, -2.5), 4, 4);
    painter->setPen(QPen(ring, 2));
    painter->drawPath(path);
    painter->restore();
}
