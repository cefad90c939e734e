#include "views/history/HistoryWindowRowDelegate.h"

#include "models/ClipboardItem.h"
#include "store/HistoryQueryModel.h"
#include "store/ModelContext.h"
#include "support/Localization.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolIcon.h"

#include <QApplication>
#include <QPainter>

namespace {
constexpr int Padding = 8;
constexpr int IconSize = 18;
constexpr int Spacing = 8;
} // namespace

QString HistoryWindowRowDelegate::title(const QString &contentType, const QString &previewText, const QString &displayTitle)
{
    if (contentType == ClipboardItem::ImageType)
        return L("Imagem Copiada");
    return previewText.isEmpty() ? displayTitle : previewText;
}

QString HistoryWindowRowDelegate::symbolName(const QString &contentType)
{
    return contentType == ClipboardItem::ImageType ? QStringLiteral("photo") : QStringLiteral("doc.text");
}

QColor HistoryWindowRowDelegate::symbolColor(const QString &contentType)
{
    return contentType == ClipboardItem::ImageType ? QColor(0xAF, 0x52, 0xDE) : QColor(0x0A, 0x84, 0xFF);
}

QSize HistoryWindowRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return {option.rect.width() > 0 ? option.rect.width() : 260, RowHeight};
}

void HistoryWindowRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = QIcon();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const QString type = index.data(HistoryQueryModel::ContentTypeRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    const QColor textColor = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = textColor;
    secondary.setAlphaF(0.72f);
    const QColor rowFill = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
    secondary = PopoverStyle::readable(secondary, rowFill);

    painter->save();
    const QRect content = option.rect.adjusted(Padding, 0, -Padding, 0);
    const qreal ratio = widget ? widget->devicePixelRatioF() : 1.0;
    const QPixmap symbol = SymbolIcon::pixmap(symbolName(type), selected ? textColor : symbolColor(type), IconSize, ratio);
    painter->drawPixmap(QRect(content.left(), content.center().y() - IconSize / 2, IconSize, IconSize), symbol);

    const int textLeft = content.left() + IconSize + Spacing;
    int textRight = content.right();
    // A pinned entry carries a pin at the row's end.
    if (index.data(HistoryQueryModel::IsPinnedRole).toBool()) {
        constexpr int PinSize = 12;
        const QPixmap pin = SymbolIcon::pixmap(QStringLiteral("pin.fill"), selected ? textColor : PopoverStyle::orange(option.palette),
                                               PinSize, ratio);
        painter->drawPixmap(QRect(textRight - PinSize + 1, content.center().y() - PinSize / 2, PinSize, PinSize), pin);
        textRight -= PinSize + Spacing;
    }
    const QRect textRect(textLeft, content.top(), textRight - textLeft, content.height());
    QFont titleFont = option.font;
    QFont timeFont = option.font;
    timeFont.setPointSizeF(option.font.pointSizeF() * 0.8);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics timeMetrics(timeFont);
    const int top = textRect.center().y() - (titleMetrics.height() + 2 + timeMetrics.height()) / 2;

    const QString titleText = title(type, index.data(HistoryQueryModel::PreviewRole).toString(),
                                    index.data(HistoryQueryModel::TitleRole).toString());
    painter->setFont(titleFont);
    painter->setPen(textColor);
    painter->drawText(QRect(textRect.left(), top, textRect.width(), titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      titleMetrics.elidedText(titleText, Qt::ElideRight, textRect.width()));
    painter->setFont(timeFont);
    painter->setPen(secondary);
    painter->drawText(QRect(textRect.left(), top + titleMetrics.height() + 2, textRect.width(), timeMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, index.data(HistoryQueryModel::TimeRole).toString());
    painter->restore();
}
