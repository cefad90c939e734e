#include "views/HistoryListView.h"

#include <QScrollBar>

HistoryListView::HistoryListView(QWidget *parent)
    : QListView(parent)
{
    setObjectName(QStringLiteral("historyList"));
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(20);
    setViewportMargins(8, 4, 8, 4);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setCursor(Qt::PointingHandCursor);
}
