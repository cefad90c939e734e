#pragma once

#include <QStyledItemDelegate>

// The rows of a window's sidebar (Settings' sections, the guide's topics) as the style draws
// them, but with a focus ring of our own: the style's dotted frame is hardly seen on the
// selection. The ring reads at 3:1 or more on whatever the row is filled with.
class SidebarDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
