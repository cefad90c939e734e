#pragma once

#include <QStyledItemDelegate>

class ThumbnailCache;

// Paints one popup row from the history model's roles: the kind's icon or the image's thumbnail,
// the one-line title, the pin, the quick-select badge of the first ten rows, and the highlight
// under the pointer.
class PopoverRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int RowHeight = 36; // 22-point icon frame plus 7 above and below
    static constexpr int RowGap = 4;
    static constexpr int BadgeColumn = 54; // "Ctrl+0" with its padding

    explicit PopoverRowDelegate(ThumbnailCache *thumbnails, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The badge text of a row: "Ctrl+1" … "Ctrl+9" for rows 0-8, "Ctrl+0" for row 9, nothing below.
    static QString shortcutLabel(int index);

private:
    ThumbnailCache *m_thumbnails;
};
