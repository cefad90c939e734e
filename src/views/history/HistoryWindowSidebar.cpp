#include "views/history/HistoryWindowSidebar.h"

void HistoryWindowSidebar::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    if (selectionModel() && !selectionModel()->hasSelection())
        selectionModel()->clearCurrentIndex();
}
