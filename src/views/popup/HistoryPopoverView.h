#pragma once

#include "models/ClipboardItem.h"

#include <QWidget>

class ClearConfirmation;
class EmptyStateView;
class HistoryFilterModel;
class HistoryQueryModel;
class HistoryService;
class Preferences;
class QKeyEvent;
class QListView;
class QMenu;
class QStackedWidget;
class SearchBar;
class SymbolButton;
class ThumbnailCache;

// The content of the tray popup: the history newest first, narrowed by a search field, each row
// copied back by a click or by Ctrl+1 … Ctrl+0 for the first ten rows shown; a button to clear the
// whole history after a confirmation, and buttons for Settings, the user guide and quitting.
//
// By keyboard: the first row shown is chosen when the popup opens and whenever the search changes;
// Up, Down, Page Up and Page Down (and Home and End while the search is empty) move the choice
// while typing stays in the search field, and Enter takes the chosen row as a click does. The Menu
// key or Shift+F10 opens the chosen row's menu. Tab reaches the list and every button.
//
// 380 wide and 530 high, lower where the screen has less room. Lists the history service's shared
// model and changes the history through it; what it asks of the rest of the application it says
// with signals.
class HistoryPopoverView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Width = 380;
    static constexpr int Height = 530;
    static constexpr int MinimumHeight = 240;

    // `preferences` and `thumbnails` may be null (no capacity followed, no thumbnails).
    HistoryPopoverView(HistoryService *history, Preferences *preferences, ThumbnailCache *thumbnails,
                       QWidget *parent = nullptr);

    // The entries listed now, top row first.
    QList<ClipboardItemPtr> filteredItems() const;
    // Copies back the entry of that row and asks to close the popup; a row past the end does
    // nothing.
    void selectItemAtIndex(int index);
    // Pins the entry of that row, or unpins it: a pinned entry is spared by the history limit.
    void togglePinnedAtIndex(int index);
    // Deletes the entry of that row, pinned or not.
    void deleteItemAtIndex(int index);
    // The chosen row, -1 when the list is empty.
    int selectedRow() const;
    void selectRow(int row);
    // A row's menu: "Fixar" or "Desafixar", and "Excluir". Owned by `parent`.
    QMenu *buildRowMenu(int row, QWidget *parent);
    // Closes the clear-all question when it is open, as Cancel does; true when it was.
    bool dismissQuestion();
    bool isAsking() const;
    void clearAllHistory();
    void showClearConfirmation();

    // The keyboard goes to the search field (also each time the view comes on screen).
    void focusSearchField();

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

    QSize sizeHint() const override { return {Width, Height}; }
    // Its height is its own (530, or what the screen leaves), not what wrapped texts would need.
    bool hasHeightForWidth() const override { return false; }

Q_SIGNALS:
    // The view came on screen: the time to (re)install the quick-select handler.
    void cameOnScreen();
    // An entry was chosen (click, Enter or quick select) and copied back.
    void entryChosen(const ClipboardItemPtr &item);
    void closeRequested();
    void settingsRequested();
    void helpRequested();
    // Close the popup and end the application.
    void quitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void showRowMenu(const QPoint &position);
    void showRowMenuAt(int row, const QPoint &globalPosition);
    // Keys pressed in the search field or the list; true when they were handled.
    bool handleKey(QObject *watched, QKeyEvent *event);
    void moveSelection(int rows);
    // Chooses the first row after the search changed, and some row whenever there is none.
    void followRows();

    QWidget *buildHeader();
    QWidget *buildFooter();
    void updateVisibility();
    void applyHeaderColors();
    void prefetchThumbnails();

    HistoryService *m_historyService;
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
    bool m_chooseFirst = true;
};
