#include "views/HistoryFilterModel.h"

#include "store/HistoryQueryModel.h"
#include "views/HistoryFilter.h"

HistoryFilterModel::HistoryFilterModel(HistoryQueryModel *history, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_history(history)
{
    setSourceModel(history);
    // The cap depends on a row's position, so every change of the history re-evaluates all rows.
    setDynamicSortFilter(true);
}

void HistoryFilterModel::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    invalidateFilter();
}

void HistoryFilterModel::setMaxCount(qint64 count)
{
    if (count == m_maxCount)
        return;
    m_maxCount = count;
    invalidateFilter();
}

void HistoryFilterModel::setMatchLocale(const QLocale &locale)
{
    m_locale = locale;
    invalidateFilter();
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
    const ClipboardItemPtr item = m_history->itemAt(sourceRow);
    return item && HistoryFilter::accepts(*item, sourceRow, m_searchText, m_maxCount, m_locale);
}
