#include "views/history/HistoryWindow.h"

#include "services/HistoryService.h"
#include "store/HistoryQueryModel.h"
#include "support/Localization.h"
#include "views/history/HistoryWindowBrowser.h"
#include "views/history/HistoryWindowDetail.h"
#include "views/widgets/WindowRoot.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QVBoxLayout>

HistoryWindow::HistoryWindow(const HistoryWindowServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    // An entry deleted elsewhere (the popup, the history limit) is no longer chosen; without
    // this the sidebar would move the choice to a neighbour.
    HistoryQueryModel *history = model();
    connect(history, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex &, int first, int last) {
        const int row = m_selected ? model()->rowOf(m_selected->id()) : -1;
        if (row >= first && row <= last)
            setSelectedItem(nullptr);
    });
    connect(history, &QAbstractItemModel::modelReset, this, [this] {
        if (m_selected && model()->rowOf(m_selected->id()) < 0)
            setSelectedItem(nullptr);
    });

    m_root = new WindowRoot(services.languages, services.appearance, [this] { return new HistoryWindowBrowser(this); }, this);
    m_root->setTitleSource([] { return L("Kavla"); });
    layout->addWidget(m_root);

    auto *copy = new QShortcut(QKeySequence::Copy, this);
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, [this] {
        // Text chosen in the detail is what Ctrl+C copies there; elsewhere it copies the entry.
        auto *text = qobject_cast<QPlainTextEdit *>(QApplication::focusWidget());
        if (text && isAncestorOf(text) && text->textCursor().hasSelection()) {
            text->copy();
            return;
        }
        copySelected();
    });
    auto *remove = new QShortcut(QKeySequence(Qt::Key_Delete), this);
    remove->setContext(Qt::WidgetWithChildrenShortcut);
    connect(remove, &QShortcut::activated, this, &HistoryWindow::deleteSelected);
}

HistoryWindow::~HistoryWindow() = default;

HistoryQueryModel *HistoryWindow::model() const
{
    return m_services.history->model();
}

HistoryWindowBrowser *HistoryWindow::browser() const
{
    return qobject_cast<HistoryWindowBrowser *>(m_root->content());
}

void HistoryWindow::setSelectedItem(const ClipboardItemPtr &item)
{
    if (item == m_selected)
        return;
    m_selected = item;
    Q_EMIT selectedItemChanged(item);
}

void HistoryWindow::copySelected()
{
    m_services.history->copyBack(m_selected);
}

void HistoryWindow::togglePinned(const ClipboardItemPtr &item)
{
    if (item)
        m_services.history->setPinned(item, !item->isPinned());
}

void HistoryWindow::deleteSelected()
{
    const ClipboardItemPtr item = m_selected;
    if (!item)
        return;
    setSelectedItem(nullptr);
    m_services.history->remove(item);
}
