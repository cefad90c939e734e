#include "views/popup/HistoryPopoverView.h"

#include "services/HistoryService.h"
#include "services/Preferences.h"
#include "store/HistoryQueryModel.h"
#include "support/Localization.h"
#include "views/popup/ClearConfirmation.h"
#include "views/popup/EmptyStateView.h"
#include "views/popup/HistoryFilterModel.h"
#include "views/popup/PopoverListView.h"
#include "views/popup/PopoverRowDelegate.h"
#include "views/popup/ThumbnailCache.h"
#include "views/widgets/Divider.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SearchBar.h"
#include "views/widgets/SymbolButton.h"
#include "views/widgets/SymbolIcon.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

HistoryPopoverView::HistoryPopoverView(HistoryService *history, Preferences *preferences, ThumbnailCache *thumbnails,
                                       QWidget *parent)
    : QWidget(parent)
    , m_historyService(history)
    , m_preferences(preferences)
    , m_thumbnails(thumbnails)
    , m_history(history->model())
    , m_filter(new HistoryFilterModel(m_history, this))
{
    setObjectName(QStringLiteral("HistoryPopoverView"));
    setFixedWidth(Width);
    setMinimumHeight(MinimumHeight);
    setMaximumHeight(Height);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    if (m_preferences) {
        m_filter->setMaxCount(m_preferences->maxHistoryCount());
        connect(m_preferences, &Preferences::maxHistoryCountChanged, this,
                [this] { m_filter->setMaxCount(m_preferences->maxHistoryCount()); });
    }

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(buildHeader());
    root->addWidget(new Divider(8, this));

    auto *searchHolder = new QWidget(this);
    auto *searchLayout = new QVBoxLayout(searchHolder);
    searchLayout->setContentsMargins(12, 8, 12, 8);
    m_searchBar = new SearchBar(searchHolder);
    searchLayout->addWidget(m_searchBar);
    root->addWidget(searchHolder);

    m_stack = new QStackedWidget(this);
    m_emptyState = new EmptyStateView(m_stack);
    m_list = new PopoverListView(m_stack);
    m_list->setAccessibleName(L("Histórico"));
    m_list->setModel(m_filter);
    m_list->setItemDelegate(new PopoverRowDelegate(m_thumbnails, m_list));
    m_stack->addWidget(m_emptyState);
    m_stack->addWidget(m_list);
    root->addWidget(m_stack, 1);

    root->addWidget(new Divider(8, this));
    root->addWidget(buildFooter());

    m_confirmation = new ClearConfirmation(this);
    connect(m_confirmation, &ClearConfirmation::confirmed, this, &HistoryPopoverView::clearAllHistory);
    connect(m_confirmation, &ClearConfirmation::cancelled, this, [this] { m_searchBar->field()->setFocus(); });

    connect(m_searchBar, &SearchBar::textChanged, this, [this](const QString &text) {
        m_chooseFirst = true;
        m_filter->setSearchText(text);
        followRows();
        // Rows matched in the store may still join above; until then the first row stays chosen.
        m_chooseFirst = m_filter->isSearchPending();
    });
    connect(m_filter, &HistoryFilterModel::searchCompleted, this, &HistoryPopoverView::updateVisibility);
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex &index) { selectItemAtIndex(index.row()); });
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &HistoryPopoverView::showRowMenu);
    for (QAbstractItemModel *model : {static_cast<QAbstractItemModel *>(m_filter), static_cast<QAbstractItemModel *>(m_history)}) {
        connect(model, &QAbstractItemModel::modelReset, this, &HistoryPopoverView::updateVisibility);
        connect(model, &QAbstractItemModel::layoutChanged, this, &HistoryPopoverView::updateVisibility);
        connect(model, &QAbstractItemModel::rowsInserted, this, &HistoryPopoverView::updateVisibility);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &HistoryPopoverView::updateVisibility);
    }
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_filter, signal, this, &HistoryPopoverView::followRows);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &HistoryPopoverView::followRows);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &HistoryPopoverView::followRows);
    connect(m_filter, &HistoryFilterModel::searchCompleted, this, [this] {
        followRows();
        m_chooseFirst = false;
    });
    m_searchBar->field()->installEventFilter(this);
    m_list->installEventFilter(this);
    if (m_thumbnails) {
        connect(m_history, &QAbstractItemModel::modelReset, this, &HistoryPopoverView::prefetchThumbnails);
        connect(m_history, &QAbstractItemModel::rowsInserted, this, &HistoryPopoverView::prefetchThumbnails);
        connect(m_history, &QAbstractItemModel::rowsRemoved, this, &HistoryPopoverView::prefetchThumbnails);
        connect(m_thumbnails, &ThumbnailCache::thumbnailReady, m_list->viewport(), qOverload<>(&QWidget::update));
        prefetchThumbnails();
    }
    updateVisibility();
    followRows();
}

QWidget *HistoryPopoverView::buildHeader()
{
    auto *header = new QWidget(this);
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(14, 12, 10, 10);
    layout->setSpacing(8);
    m_headerSymbol = new QLabel(header);
    m_headerSymbol->setFixedSize(16, 16);
    layout->addWidget(m_headerSymbol);
    auto *title = new QLabel(L("Kavla"), header);
    title->setFont(PopoverStyle::font(font(), 14, QFont::Bold));
    layout->addWidget(title);
    layout->addStretch(1);
    m_clearButton = new SymbolButton(QStringLiteral("trash"), 14, L("Limpar Histórico"), header);
    m_clearButton->setObjectName(QStringLiteral("clearHistoryButton"));
    connect(m_clearButton, &QToolButton::clicked, this, &HistoryPopoverView::showClearConfirmation);
    layout->addWidget(m_clearButton);
    header->setFixedHeight(44);
    applyHeaderColors();
    return header;
}

QWidget *HistoryPopoverView::buildFooter()
{
    auto *footer = new QWidget(this);
    auto *layout = new QHBoxLayout(footer);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(4);
    auto *settings = new SymbolButton(QStringLiteral("gearshape"), 15, L("Ajustes"), footer);
    auto *help = new SymbolButton(QStringLiteral("questionmark.circle"), 15, L("Guia do Usuário"), footer);
    auto *quit = new SymbolButton(QStringLiteral("power"), 15, L("Encerrar Kavla"), footer);
    settings->setObjectName(QStringLiteral("settingsButton"));
    help->setObjectName(QStringLiteral("helpButton"));
    quit->setObjectName(QStringLiteral("quitButton"));
    layout->addWidget(settings);
    layout->addWidget(help);
    layout->addStretch(1);
    layout->addWidget(quit);
    connect(settings, &QToolButton::clicked, this, &HistoryPopoverView::settingsRequested);
    // Tab goes as the eye reads: the trash at the top, the search field, the list, the footer.
    setTabOrder(m_clearButton, m_searchBar->field());
    setTabOrder(m_searchBar->field(), m_searchBar->clearButton());
    setTabOrder(m_searchBar->clearButton(), m_list);
    setTabOrder(m_list, settings);
    setTabOrder(settings, help);
    setTabOrder(help, quit);
    setTabOrder(quit, m_clearButton);
    connect(help, &QToolButton::clicked, this, &HistoryPopoverView::helpRequested);
    connect(quit, &QToolButton::clicked, this, &HistoryPopoverView::quitRequested);
    return footer;
}

QList<ClipboardItemPtr> HistoryPopoverView::filteredItems() const
{
    return m_filter->items();
}

void HistoryPopoverView::selectItemAtIndex(int index)
{
    const ClipboardItemPtr item = m_filter->itemAt(index);
    if (!item)
        return;
    m_historyService->copyBack(item);
    Q_EMIT entryChosen(item);
    Q_EMIT closeRequested();
}

void HistoryPopoverView::togglePinnedAtIndex(int index)
{
    const ClipboardItemPtr item = m_filter->itemAt(index);
    if (item)
        m_historyService->setPinned(item, !item->isPinned());
}

void HistoryPopoverView::deleteItemAtIndex(int index)
{
    const ClipboardItemPtr item = m_filter->itemAt(index);
    m_historyService->remove(item);
}

int HistoryPopoverView::selectedRow() const
{
    const QModelIndex current = m_list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void HistoryPopoverView::selectRow(int row)
{
    // A choice of the user's is kept while rows matched in the store join the list.
    m_chooseFirst = false;
    if (m_filter->rowCount() == 0)
        return;
    const QModelIndex index = m_filter->index(qBound(0, row, m_filter->rowCount() - 1), 0);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollTo(index);
}

void HistoryPopoverView::moveSelection(int rows)
{
    selectRow(qMax(selectedRow(), 0) + rows);
}

void HistoryPopoverView::followRows()
{
    if (m_filter->rowCount() == 0)
        return;
    if (m_chooseFirst || !m_list->currentIndex().isValid()) {
        m_list->selectionModel()->setCurrentIndex(m_filter->index(0, 0), QItemSelectionModel::ClearAndSelect);
        m_list->scrollToTop();
    }
}

QMenu *HistoryPopoverView::buildRowMenu(int row, QWidget *parent)
{
    const ClipboardItemPtr item = m_filter->itemAt(row);
    if (!item)
        return nullptr;
    auto *menu = new QMenu(parent);
    // By entry, not row: the row may move while the menu is open.
    const auto rowOf = [this, id = item->id()] {
        const QList<ClipboardItemPtr> items = m_filter->items();
        for (int at = 0; at < items.size(); ++at) {
            if (items.at(at)->id() == id)
                return at;
        }
        return -1;
    };
    connect(menu->addAction(L(item->isPinned() ? "Desafixar" : "Fixar")), &QAction::triggered, this,
            [this, rowOf] { togglePinnedAtIndex(rowOf()); });
    connect(menu->addAction(L("Excluir")), &QAction::triggered, this, [this, rowOf] { deleteItemAtIndex(rowOf()); });
    return menu;
}

void HistoryPopoverView::showRowMenu(const QPoint &position)
{
    const QModelIndex index = m_list->indexAt(position);
    if (index.isValid())
        showRowMenuAt(index.row(), m_list->viewport()->mapToGlobal(position));
}

void HistoryPopoverView::showRowMenuAt(int row, const QPoint &globalPosition)
{
    QMenu *menu = buildRowMenu(row, this);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

bool HistoryPopoverView::dismissQuestion()
{
    if (!isAsking())
        return false;
    m_confirmation->cancelButton()->click();
    return true;
}

bool HistoryPopoverView::isAsking() const
{
    return m_confirmation->isVisible();
}

bool HistoryPopoverView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && handleKey(watched, static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool HistoryPopoverView::handleKey(QObject *watched, QKeyEvent *event)
{
    QLineEdit *field = m_searchBar->field();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if ((key == Qt::Key_Menu && modifiers == Qt::NoModifier) || (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
        const int row = selectedRow();
        if (row >= 0) {
            const QRect rect = m_list->visualRect(m_filter->index(row, 0));
            showRowMenuAt(row, m_list->viewport()->mapToGlobal(rect.bottomLeft() + QPoint(24, 0)));
        }
        return true;
    }
    if (modifiers != Qt::NoModifier) {
        return false;
    }
    // Home and End belong to the field's text while there is some.
    const bool listKeys = watched == m_list || field->text().isEmpty();
    const int page = qMax(1, m_list->viewport()->height() / qMax(1, m_list->sizeHintForRow(0)));
    switch (key) {
    case Qt::Key_Down:
        moveSelection(1);
        return true;
    case Qt::Key_Up:
        moveSelection(-1);
        return true;
    case Qt::Key_PageDown:
        moveSelection(page);
        return true;
    case Qt::Key_PageUp:
        moveSelection(-page);
        return true;
    case Qt::Key_Home:
        if (!listKeys)
            return false;
        selectRow(0);
        return true;
    case Qt::Key_End:
        if (!listKeys)
            return false;
        selectRow(m_filter->rowCount() - 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        selectItemAtIndex(selectedRow());
        return true;
    default:
        break;
    }
    // Typing while the list has the keyboard goes on in the search field.
    if (watched == m_list && (key == Qt::Key_Backspace || (!event->text().isEmpty() && event->text().at(0).isPrint()))) {
        field->setFocus(Qt::OtherFocusReason);
        QCoreApplication::sendEvent(field, event);
        return true;
    }
    return false;
}

void HistoryPopoverView::showClearConfirmation()
{
    m_confirmation->present();
}

void HistoryPopoverView::clearAllHistory()
{
    // The whole history, whatever the search shows, pinned entries included.
    m_historyService->clear();
}

QString HistoryPopoverView::searchText() const
{
    return m_searchBar->text();
}

void HistoryPopoverView::setSearchText(const QString &text)
{
    m_searchBar->setText(text);
}

bool HistoryPopoverView::isShowingEmptyState() const
{
    return m_stack->currentWidget() == m_emptyState;
}

void HistoryPopoverView::updateVisibility()
{
    m_clearButton->setVisible(m_history->rowCount() > 0);
    // With entries in the history but none listed, a search found nothing; while rows matched in
    // the store may still join, the (empty) list stays.
    const bool listed = m_filter->rowCount() > 0;
    const bool noMatches = !listed && m_history->rowCount() > 0;
    m_emptyState->setNoMatches(noMatches);
    m_stack->setCurrentWidget(listed || (noMatches && m_filter->isSearchPending()) ? static_cast<QWidget *>(m_list)
                                                                                  : m_emptyState);
}

void HistoryPopoverView::prefetchThumbnails()
{
    m_thumbnails->prefetch(m_history->items());
}

void HistoryPopoverView::applyHeaderColors()
{
    m_headerSymbol->setPixmap(
        SymbolIcon::pixmap(QStringLiteral("clock.arrow.circlepath"), PopoverStyle::accent(palette()), 16, 2.0));
}

void HistoryPopoverView::focusSearchField()
{
    m_searchBar->field()->setFocus(Qt::OtherFocusReason);
}

void HistoryPopoverView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    focusSearchField();
    m_chooseFirst = true;
    followRows();
    m_chooseFirst = m_filter->isSearchPending();
    Q_EMIT cameOnScreen();
}

void HistoryPopoverView::hideEvent(QHideEvent *event)
{
    // Like an alert attached to the popup, the question goes away with it, unanswered.
    m_confirmation->hide();
    QWidget::hideEvent(event);
}

void HistoryPopoverView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange && m_headerSymbol)
        applyHeaderColors();
    QWidget::changeEvent(event);
}
