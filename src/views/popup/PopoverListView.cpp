#include "views/popup/PopoverListView.h"

#include "views/widgets/PopoverStyle.h"

#include <QEvent>
#include <QScrollBar>

PopoverListView::PopoverListView(QWidget *parent)
    : QListView(parent)
{
    setObjectName(QStringLiteral("historyList"));
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab reaches the list; a click on a row chooses it and leaves the keyboard in the search field.
    setFocusPolicy(Qt::TabFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(20);
    setViewportMargins(8, 4, 8, 4);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setCursor(Qt::PointingHandCursor);
    styleScrollBar();
}

void PopoverListView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        styleScrollBar();
    QListView::changeEvent(event);
}

void PopoverListView::styleScrollBar()
{
    const auto rgba = [](const QColor &color) {
        return QStringLiteral("rgba(%1, %2, %3, %4)")
            .arg(color.red())
            .arg(color.green())
            .arg(color.blue())
            .arg(color.alphaF(), 0, 'f', 2);
    };
    const QString handle = rgba(PopoverStyle::tint(palette(), 0.28));
    const QString hovered = rgba(PopoverStyle::tint(palette(), 0.45));
    verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: 10px; margin: 2px 1px 2px 0; }"
                       "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 28px;"
                       " margin: 0 2px; }"
                       "QScrollBar::handle:vertical:hover { background: %2; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
            .arg(handle, hovered));
}
