#pragma once

#include <QListView>

// The history window's list of entries. Taking the focus does not make a row current, as a
// plain list view does: a row is chosen only by the user, so the first Home, End or arrow
// press chooses one.
class HistoryWindowSidebar : public QListView
{
    Q_OBJECT
public:
    using QListView::QListView;

protected:
    void focusInEvent(QFocusEvent *event) override;
};
