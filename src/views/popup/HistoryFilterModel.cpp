#include "views/popup/HistoryFilterModel.h"

#include "store/HistoryQueryModel.h"
#include "store/HistorySearch.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "store/SearchText.h"
#include "views/popup/HistoryFilter.h"

HistoryFilterModel::HistoryFilterModel(HistoryQueryModel *history, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_history(history)
{
    setSourceModel(history);
    setDynamicSortFilter(true);
    // The cap depends on a row's position, so rows coming, going or moving re-evaluate the others;
    // a new long text is asked of the store during a search.
    connect(history, &QAbstractItemModel::rowsInserted, this, &HistoryFilterModel::followHistory);
    connect(history, &QAbstractItemModel::rowsRemoved, this, &HistoryFilterModel::followHistory);
    connect(history, &QAbstractItemModel::rowsMoved, this, &HistoryFilterModel::followHistory);
    connect(history, &QAbstractItemModel::modelReset, this, &HistoryFilterModel::followHistory);
}

HistoryFilterModel::~HistoryFilterModel() = default;

bool HistoryFilterModel::isSearching() const
{
    return HistoryFilter::isSearching(m_searchText);
}

void HistoryFilterModel::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    m_foldedSearch = SearchText::fold(text, SearchText::locale());
    if (isSearching()) {
        searchStore();
    } else {
        if (m_search)
            m_search->cancel();
        m_pendingGeneration = 0;
        m_storeMatches.clear();
        m_askedIds.clear();
    }
    invalidateRowsFilter();
    if (!isSearchPending())
        Q_EMIT searchCompleted();
}

void HistoryFilterModel::setMaxCount(qint64 count)
{
    if (count == m_maxCount)
        return;
    m_maxCount = count;
    invalidateRowsFilter();
}

void HistoryFilterModel::searchStore()
{
    QList<HistorySearch::Entry> entries;
    QList<QUuid> ids;
    for (int row = 0; row < m_history->rowCount(); ++row) {
        if (m_history->isTextInStore(row)) {
            const ClipboardItemPtr item = m_history->itemAt(row);
            entries.append({item->id(), item->storedId()});
            ids.append(item->id());
        }
    }
    if (ids.isEmpty()) {
        if (m_search)
            m_search->cancel();
        m_pendingGeneration = 0;
        m_storeMatches.clear();
        m_askedIds.clear();
        return;
    }
    if (!m_search) {
        ModelContext *context = m_history->context();
        if (!context)
            return;
        m_search = new HistorySearch(context->container()->path(), this);
        connect(m_search, &HistorySearch::finished, this, &HistoryFilterModel::storeAnswered);
    }
    // Until the answer comes the rows matched for the previous search stay: typing on narrows
    // them, so the list does not flicker.
    m_askedIds = QSet<QUuid>(ids.cbegin(), ids.cend());
    m_pendingGeneration = m_search->start(m_foldedSearch, entries);
}

void HistoryFilterModel::storeAnswered(quint64 generation, const QSet<QUuid> &matches)
{
    if (generation != m_pendingGeneration)
        return;
    m_pendingGeneration = 0;
    if (matches != m_storeMatches) {
        m_storeMatches = matches;
        invalidateRowsFilter();
    }
    Q_EMIT searchCompleted();
}

void HistoryFilterModel::followHistory()
{
    if (!isSearching()) {
        invalidateRowsFilter();
        return;
    }
    // Only a long text the store was not asked about needs a new answer.
    for (int row = 0; row < m_history->rowCount(); ++row) {
        if (m_history->isTextInStore(row) && !m_askedIds.contains(m_history->itemAt(row)->id())) {
            searchStore();
            return;
        }
    }
}

ClipboardItemPtr HistoryFilterModel::itemAt(int row) const
{
    const QModelIndex source = mapToSource(index(row, 0));
    return source.isValid() ? m_history->itemAt(source.row()) : nullptr;
}

QList<ClipboardItemPtr> HistoryFilterModel::items() const
{
    QList<ClipboardItemPtr> result;
    const int count = rowCount();
    result.reserve(count);
    for (int row = 0; row < count; ++row)
        result.append(itemAt(row));
    return result;
}

bool HistoryFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceParent.isValid())
        return false;
    if (!isSearching())
        return HistoryFilter::isWithinCap(sourceRow, m_maxCount);
    if (m_history->searchKey(sourceRow).contains(m_foldedSearch))
        return true;
    return m_history->isTextInStore(sourceRow) && m_storeMatches.contains(m_history->itemAt(sourceRow)->id());
}
