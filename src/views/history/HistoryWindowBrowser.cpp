#include "views/history/HistoryWindowBrowser.h"

#include "store/HistoryQueryModel.h"
#include "store/ModelContext.h"
#include "support/Localization.h"
#include "views/history/HistoryWindow.h"
#include "views/history/HistoryWindowDetail.h"
#include "views/history/HistoryWindowRowDelegate.h"
#include "views/history/HistoryWindowSidebar.h"
#include "views/widgets/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

HistoryWindowBrowser::HistoryWindowBrowser(HistoryWindow *view, QWidget *parent)
    : QWidget(parent)
    , m_view(view)
    , m_sidebar(new HistoryWindowSidebar(this))
    , m_pane(new QStackedWidget(this))
    , m_placeholder(new QWidget(m_pane))
    , m_placeholderText(new QLabel(L("Selecione um item do histórico"), m_placeholder))
    , m_detail(new HistoryWindowDetail(view->services().workspace, m_pane))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter);

    HistoryQueryModel *model = view->model();
    m_sidebar->setObjectName(QStringLiteral("historySidebar"));
    m_sidebar->setAccessibleName(L("Histórico"));
    m_sidebar->setModel(model);
    m_sidebar->setItemDelegate(new HistoryWindowRowDelegate(m_sidebar));
    m_sidebar->setUniformItemSizes(true);
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setMinimumWidth(SidebarMinimumWidth);
    m_sidebar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    splitter->addWidget(m_sidebar);

    // The placeholder: a large clock symbol over a headline.
    auto *placeholderLayout = new QVBoxLayout(m_placeholder);
    placeholderLayout->setSpacing(12);
    placeholderLayout->addStretch(1);
    QColor tertiary = palette().color(QPalette::WindowText);
    tertiary.setAlphaF(0.45f);
    auto *symbol = new QLabel(m_placeholder);
    symbol->setPixmap(SymbolIcon::pixmap(QStringLiteral("clock.arrow.circlepath"), tertiary, 48, devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    placeholderLayout->addWidget(symbol);
    m_placeholderText->setObjectName(QStringLiteral("placeholder"));
    m_placeholderText->setAlignment(Qt::AlignCenter);
    m_placeholderText->setWordWrap(true);
    QFont headline = font();
    headline.setBold(true);
    m_placeholderText->setFont(headline);
    QPalette secondary = palette();
    QColor secondaryColor = palette().color(QPalette::WindowText);
    secondaryColor.setAlphaF(0.72f);
    secondary.setColor(QPalette::WindowText, secondaryColor);
    m_placeholderText->setPalette(secondary);
    placeholderLayout->addWidget(m_placeholderText);
    placeholderLayout->addStretch(1);
    m_pane->addWidget(m_placeholder);
    m_pane->addWidget(m_detail);
    splitter->addWidget(m_pane);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({SidebarIdealWidth, 10000});

    // The selected row is the choice, not the current one: the list moves its current row on its
    // own when it takes the focus, which must not choose an entry.
    connect(m_sidebar->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryWindowBrowser::selectedRowChanged);
    connect(view, &HistoryWindow::selectedItemChanged, this, &HistoryWindowBrowser::select);
    connect(m_detail, &HistoryWindowDetail::copyRequested, view, &HistoryWindow::copySelected);
    connect(m_detail, &HistoryWindowDetail::deleteRequested, view, &HistoryWindow::deleteSelected);
    connect(m_detail, &HistoryWindowDetail::pinToggleRequested, view, [view] { view->togglePinned(view->selectedItem()); });
    m_sidebar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_sidebar, &QWidget::customContextMenuRequested, this, &HistoryWindowBrowser::showRowMenu);
    // A copy-back moves the chosen row to the top (the selection follows it) and changes its time.
    connect(model, &QAbstractItemModel::rowsMoved, this, [this] {
        m_sidebar->scrollTo(m_sidebar->currentIndex());
        m_detail->refreshHeader();
    });
    connect(model, &QAbstractItemModel::dataChanged, m_detail, &HistoryWindowDetail::refreshHeader);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { select(m_view->selectedItem()); });

    select(view->selectedItem());
}

bool HistoryWindowBrowser::isPlaceholderShown() const
{
    return m_pane->currentWidget() == m_placeholder;
}

void HistoryWindowBrowser::select(const ClipboardItemPtr &item)
{
    const HistoryQueryModel *model = m_view->model();
    const int row = item ? model->rowOf(item->id()) : -1;
    if (row < 0) {
        m_sidebar->selectionModel()->clear();
    } else if (!m_sidebar->selectionModel()->isRowSelected(row) || m_sidebar->currentIndex().row() != row) {
        const QModelIndex index = model->index(row);
        m_sidebar->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_sidebar->scrollTo(index);
    }
    showDetail(row < 0 ? nullptr : item);
}

QMenu *HistoryWindowBrowser::buildRowMenu(const ClipboardItemPtr &item, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    QAction *pin = menu->addAction(L(item->isPinned() ? "Desafixar" : "Fixar"));
    connect(pin, &QAction::triggered, m_view, [view = m_view, item] { view->togglePinned(item); });
    return menu;
}

void HistoryWindowBrowser::showRowMenu(const QPoint &position)
{
    const QModelIndex index = m_sidebar->indexAt(position);
    const ClipboardItemPtr item = index.isValid() ? m_view->model()->itemAt(index.row()) : nullptr;
    if (!item)
        return;
    QMenu *menu = buildRowMenu(item, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_sidebar->viewport()->mapToGlobal(position));
}

void HistoryWindowBrowser::selectedRowChanged()
{
    const QModelIndexList selected = m_sidebar->selectionModel()->selectedRows();
    m_view->setSelectedItem(selected.isEmpty() ? nullptr : m_view->model()->itemAt(selected.first().row()));
}

void HistoryWindowBrowser::showDetail(const ClipboardItemPtr &item)
{
    if (item != m_detail->item())
        m_detail->showItem(item);
    m_pane->setCurrentWidget(item ? static_cast<QWidget *>(m_detail) : m_placeholder);
}
