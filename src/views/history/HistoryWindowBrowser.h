#pragma once

#include "models/ClipboardItem.h"

#include <QWidget>

class HistoryWindowDetail;
class HistoryWindow;
class QListView;
class QStackedWidget;
class QLabel;
class QMenu;

// The history window's content, built anew for each language and appearance: the sidebar of
// every entry newest first beside the chosen entry's detail, or the placeholder when none is
// chosen. The choice itself belongs to the HistoryWindow, so it survives a rebuild.
class HistoryWindowBrowser : public QWidget
{
    Q_OBJECT
public:
    static constexpr int SidebarMinimumWidth = 220;
    static constexpr int SidebarIdealWidth = 260;

    explicit HistoryWindowBrowser(HistoryWindow *view, QWidget *parent = nullptr);

    QListView *sidebar() const { return m_sidebar; }
    HistoryWindowDetail *detail() const { return m_detail; }
    QLabel *placeholder() const { return m_placeholderText; }
    bool isPlaceholderShown() const;

    // Chooses the entry's row (none for a null item) and shows it.
    void select(const ClipboardItemPtr &item);
    // The menu of the entry's row: "Fixar" or "Desafixar". Owned by `parent`.
    QMenu *buildRowMenu(const ClipboardItemPtr &item, QWidget *parent);

private:
    void showRowMenu(const QPoint &position);
    void selectedRowChanged();
    void showDetail(const ClipboardItemPtr &item);

    HistoryWindow *m_view;
    QListView *m_sidebar;
    QStackedWidget *m_pane;
    QWidget *m_placeholder;
    QLabel *m_placeholderText;
    HistoryWindowDetail *m_detail;
};
