#pragma once

#include "models/ClipboardItem.h"

#include <QWidget>

class ClearConfirmation;
class EmptyStateView;
class HistoryFilterModel;
class HistoryQueryModel;
class ModelContainer;
class ModelContext;
class Preferences;
class QListView;
class QStackedWidget;
class SearchBar;
class SymbolButton;
class ThumbnailCache;

// The content of the tray popup: the history newest first, narrowed by a search field, each row
// copied back by a click or by Ctrl+1 … Ctrl+0 for the first ten rows shown; a button to clear the
// whole history after a confirmation, and buttons for Settings, the user guide and quitting.
// Lays itself out at a fixed 380 x 530. Lists the container's shared history model; what it asks
// of the rest of the application it says with signals.
class HistoryPopoverView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Width = 380;
    static constexpr int Height = 530;

    HistoryPopoverView(ModelContext *context, Preferences *preferences, ThumbnailCache *thumbnails,
                       QWidget *parent = nullptr);

    // The entries listed now, top row first.
    QList<ClipboardItemPtr> filteredItems() const;
    // Asks to copy back the entry of that row and to close the popup; a row past the end does
    // nothing.
    void selectItemAtIndex(int index);
    // Pins the entry of that row, or unpins it: a pinned entry is spared by the history limit.
    void togglePinnedAtIndex(int index);
    void clearAllHistory();
    void showClearConfirmation();

    QString searchText() const;
    void setSearchText(const QString &text);

    // For tests and screenshots.
    SearchBar *searchBar() const { return m_searchBar; }
    QListView *listView() const { return m_list; }
    HistoryFilterModel *filterModel() const { return m_filter; }
    HistoryQueryModel *historyModel() const { return m_history; }
    SymbolButton *clearButton() const { return m_clearButton; }
    ClearConfirmation *clearConfirmation() const { return m_confirmation; }
    bool isShowingEmptyState() const;
    EmptyStateView *emptyState() const { return m_emptyState; }

Q_SIGNALS:
    // The view came on screen: the time to (re)install the quick-select handler.
    void cameOnScreen();
    // Put the entry back on the clipboard and move it to the top of the history.
    void copyItemRequested(const ClipboardItemPtr &item, ModelContext *context);
    void closeRequested();
    void settingsRequested(ModelContainer *container);
    void helpRequested();
    // Close the popup and end the application.
    void quitRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void showRowMenu(const QPoint &position);

    QWidget *buildHeader();
    QWidget *buildFooter();
    void updateVisibility();
    void applyHeaderColors();
    void prefetchThumbnails();

    ModelContext *m_context;
    Preferences *m_preferences;
    ThumbnailCache *m_thumbnails;
    HistoryQueryModel *m_history;
    HistoryFilterModel *m_filter;

    class QLabel *m_headerSymbol = nullptr;
    SymbolButton *m_clearButton = nullptr;
    SearchBar *m_searchBar = nullptr;
    QStackedWidget *m_stack = nullptr;
    QListView *m_list = nullptr;
    EmptyStateView *m_emptyState = nullptr;
    ClearConfirmation *m_confirmation = nullptr;
};
