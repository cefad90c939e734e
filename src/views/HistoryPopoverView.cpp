#include "views/HistoryPopoverView.h"

#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"
#include "store/HistoryQueryModel.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "views/ClearConfirmation.h"
#include "views/Divider.h"
#include "views/EmptyStateView.h"
#include "views/HistoryFilterModel.h"
#include "views/HistoryItemDelegate.h"
#include "views/HistoryListView.h"
#include "views/PopoverStyle.h"
#include "views/SearchBar.h"
#include "views/SymbolButton.h"
#include "views/SymbolIcon.h"
#include "views/ThumbnailCache.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QVBoxLayout>

HistoryPopoverView::HistoryPopoverView(ModelContext *context, Preferences *preferences, ThumbnailCache *thumbnails,
                                       QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_preferences(preferences)
    , m_thumbnails(thumbnails)
    , m_history(context->container()->historyModel())
    , m_filter(new HistoryFilterModel(m_history, this))
{
    setObjectName(QStringLiteral("HistoryPopoverView"));
    setFixedSize(Width, Height);
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
    m_list = new HistoryListView(m_stack);
    m_list->setModel(m_filter);
    m_list->setItemDelegate(new HistoryItemDelegate(m_filter, m_thumbnails, m_list));
    m_stack->addWidget(m_emptyState);
    m_stack->addWidget(m_list);
    root->addWidget(m_stack, 1);

    root->addWidget(new Divider(8, this));
    root->addWidget(buildFooter());

    m_confirmation = new ClearConfirmation(this);
    connect(m_confirmation, &ClearConfirmation::confirmed, this, &HistoryPopoverView::clearAllHistory);
    connect(m_confirmation, &ClearConfirmation::cancelled, this, [this] { m_searchBar->field()->setFocus(); });

    connect(m_searchBar, &SearchBar::textChanged, m_filter, &HistoryFilterModel::setSearchText);
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
    if (m_thumbnails) {
        connect(m_history, &QAbstractItemModel::modelReset, this, &HistoryPopoverView::prefetchThumbnails);
        connect(m_history, &QAbstractItemModel::rowsInserted, this, &HistoryPopoverView::prefetchThumbnails);
        connect(m_history, &QAbstractItemModel::rowsRemoved, this, &HistoryPopoverView::prefetchThumbnails);
        connect(m_thumbnails, &ThumbnailCache::thumbnailReady, m_list->viewport(), qOverload<>(&QWidget::update));
        prefetchThumbnails();
    }
    setFocusProxy(m_searchBar->field());
    updateVisibility();
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
    connect(settings, &QToolButton::clicked, this, [this] { Q_EMIT settingsRequested(m_context->container()); });
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
    Q_EMIT copyItemRequested(item, m_context);
    Q_EMIT closeRequested();
}

void HistoryPopoverView::togglePinnedAtIndex(int index)
{
    const ClipboardItemPtr item = m_filter->itemAt(index);
    if (!item || !m_context)
        return;
    item->setIsPinned(!item->isPinned());
    m_context->save(); // a failure leaves the change pending for the next save
}

void HistoryPopoverView::showRowMenu(const QPoint &position)
{
    const QModelIndex index = m_list->indexAt(position);
    const ClipboardItemPtr item = m_filter->itemAt(index.row());
    if (!index.isValid() || !item)
        return;
    QMenu menu(this);
    const QAction *pin = menu.addAction(L(item->isPinned() ? "Desafixar" : "Fixar"));
    if (menu.exec(m_list->viewport()->mapToGlobal(position)) == pin)
        togglePinnedAtIndex(index.row());
}

void HistoryPopoverView::showClearConfirmation()
{
    m_confirmation->present();
}

void HistoryPopoverView::clearAllHistory()
{
    // The whole stored history, whatever the search shows, pinned entries included. A failed
    // save leaves the deletions pending; nothing is reported.
    for (const ClipboardItemPtr &item : m_history->items())
        m_context->remove(item);
    m_context->save();
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

void HistoryPopoverView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_searchBar->field()->setFocus();
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
