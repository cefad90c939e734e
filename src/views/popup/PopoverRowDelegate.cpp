#include "views/popup/PopoverRowDelegate.h"

#include "models/ClipboardItem.h"
#include "store/HistoryQueryModel.h"
#include "support/Localization.h"
#include "views/popup/ThumbnailCache.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolIcon.h"

#include <QKeySequence>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int PaddingX = 10;
constexpr int IconFrame = 22;
constexpr int IconGap = 8;
constexpr int BadgeGap = 12;

void fillRounded(QPainter *painter, const QRectF &rect, qreal radius, const QColor &color)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter->fillPath(path, color);
}

} // namespace

PopoverRowDelegate::PopoverRowDelegate(ThumbnailCache *thumbnails, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_thumbnails(thumbnails)
{
}

QString PopoverRowDelegate::shortcutLabel(int index)
{
    // Ctrl+1 … Ctrl+9, Ctrl+0 in the desktop's own notation.
    if (index >= 0 && index <= 9)
        return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + (index + 1) % 10)).toString(QKeySequence::NativeText);
    return {};
}

QSize PopoverRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return {option.rect.width() > 0 ? option.rect.width() : 340, RowHeight + RowGap};
}

void PopoverRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!index.isValid())
        return;
    const QString contentType = index.data(HistoryQueryModel::ContentTypeRole).toString();
    const bool isImage = contentType == ClipboardItem::ImageType;
    const bool isTable = contentType == ClipboardItem::TableType;
    const bool isFile = contentType == ClipboardItem::FileType;
    const QPalette &palette = option.palette;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);

    const QRect row = option.rect.adjusted(0, RowGap / 2, 0, -RowGap / 2);
    // The chosen row (Enter takes it) stands out; the one under the pointer is tinted.
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        fillRounded(painter, row, 6, PopoverStyle::selectionFill(palette));
    else if (option.state & QStyle::State_MouseOver)
        fillRounded(painter, row, 6, PopoverStyle::tint(palette, 0.08));
    if (option.state & QStyle::State_HasFocus) {
        const QColor background = selected ? PopoverStyle::selectionFill(palette) : palette.color(QPalette::Window);
        QPainterPath ring;
        ring.addRoundedRect(QRectF(row).adjusted(1, 1, -1, -1), 6, 6);
        painter->setPen(QPen(PopoverStyle::focusRing(palette, background), 2));
        painter->drawPath(ring);
    }

    const QRect content = row.adjusted(PaddingX, 7, -PaddingX, -7);
    const QRect badgeColumn(content.right() - BadgeColumn + 1, content.top(), BadgeColumn, content.height());
    QRect left(content.left(), content.top(), content.width() - BadgeColumn - BadgeGap, content.height());

    // Badge of the first ten rows; the others keep the same empty column so titles line up.
    const QString badge = shortcutLabel(index.row());
    if (!badge.isEmpty()) {
        // The interface font: its digits are all one width.
        const QFont font = PopoverStyle::font(option.font, 11, QFont::DemiBold);
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(badge) + 12;
        const int height = metrics.height() + 4;
        const QRect badgeRect(badgeColumn.right() - width + 1, badgeColumn.center().y() - height / 2 + 1, width, height);
        fillRounded(painter, badgeRect, 4, selected ? PopoverStyle::selectedBadgeFill(palette) : PopoverStyle::badgeFill(palette));
        painter->setFont(font);
        painter->setPen(selected ? PopoverStyle::selectedBadgeText(palette) : PopoverStyle::badgeText(palette));
        painter->drawText(badgeRect, Qt::AlignCenter, badge);
    }

    // The kind's icon, or the image itself.
    QString symbol;
    QColor symbolColor;
    int symbolSize = 14;
    if (isImage) {
        const QImage thumbnail = m_thumbnails ? m_thumbnails->thumbnail(index.data(HistoryQueryModel::IdRole).toUuid())
                                              : QImage();
        if (!thumbnail.isNull()) {
            const QRect frame(left.left(), left.center().y() - IconFrame / 2 + 1, IconFrame, IconFrame);
            QPainterPath clip;
            clip.addRoundedRect(frame, 4, 4);
            painter->setClipPath(clip);
            painter->drawImage(frame, thumbnail);
            painter->setClipping(false);
        } else {
            symbol = QStringLiteral("photo");
            symbolColor = PopoverStyle::purple(palette);
            symbolSize = 16;
        }
    } else if (isTable) {
        symbol = QStringLiteral("tablecells");
        symbolColor = PopoverStyle::green(palette);
    } else if (isFile) {
        symbol = QStringLiteral("doc.fill");
        symbolColor = PopoverStyle::orange(palette);
    }
    if (!symbol.isEmpty()) {
        const QPixmap pixmap = SymbolIcon::pixmap(symbol, symbolColor, symbolSize, painter->device()->devicePixelRatioF());
        const QRect frame(left.left(), left.center().y() - IconFrame / 2 + 1, IconFrame, IconFrame);
        const QRect target(frame.center().x() - symbolSize / 2 + 1, frame.center().y() - symbolSize / 2 + 1,
                           symbolSize, symbolSize);
        painter->drawPixmap(target, pixmap);
    }
    if (isImage || isTable || isFile)
        left.setLeft(left.left() + IconFrame + IconGap);

    // A pinned entry carries a pin at the end of its title.
    if (index.data(HistoryQueryModel::IsPinnedRole).toBool()) {
        constexpr int PinSize = 12;
        const QPixmap pin = SymbolIcon::pixmap(QStringLiteral("pin.fill"), PopoverStyle::orange(palette), PinSize,
                                               painter->device()->devicePixelRatioF());
        painter->drawPixmap(QRect(left.right() - PinSize + 1, left.center().y() - PinSize / 2 + 1, PinSize, PinSize), pin);
        left.setRight(left.right() - PinSize - IconGap);
    }

    const QString title = index.data(HistoryQueryModel::TitleRole).toString();
    const QFont titleFont = PopoverStyle::font(option.font, 13);
    painter->setFont(titleFont);
    painter->setPen(PopoverStyle::primary(palette));
    const QString elided = QFontMetrics(titleFont).elidedText(title, Qt::ElideRight, left.width());
    painter->drawText(left, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, elided);

    painter->restore();
}
