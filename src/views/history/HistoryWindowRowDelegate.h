#pragma once

#include <QStyledItemDelegate>

// Paints one row of the history window's sidebar: the kind's symbol (a purple photo for an
// image, a blue document for the other kinds), the one-line title and the time below it, and a
// pin at the end of a pinned entry's row.
class HistoryWindowRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int RowHeight = 44;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // What the row shows for an entry of that kind: its preview text, or its display title when
    // it has no text (files), so no row is left without a title.
    static QString title(const QString &contentType, const QString &previewText, const QString &displayTitle);
    static QString symbolName(const QString &contentType);
    static QColor symbolColor(const QString &contentType);
};
