#include "views/ContentSidebar.h"

void ContentSidebar::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    if (selectionModel() && !selectionModel()->hasSelection())
        selectionModel()->clearCurrentIndex();
}
