#pragma once

#include "models/ClipboardItem.h"

#include <QSet>
#include <QSortFilterProxyModel>
#include <QUuid>

class HistoryQueryModel;
class HistorySearch;

// The popup's list: the live history narrowed by the search text, or capped at the capacity
// when there is no search (see HistoryFilter). Follows the history and both inputs live, by rows.
//
// A keystroke matches the rows' folded keys at once; long texts kept in the store are matched
// there off the interface thread, and the rows they match join the list when the answer comes
// (searchCompleted()).
class HistoryFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit HistoryFilterModel(HistoryQueryModel *history, QObject *parent = nullptr);
    ~HistoryFilterModel() override;

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    qint64 maxCount() const { return m_maxCount; }
    void setMaxCount(qint64 count);

    // Whether rows matched in the store may still join the list for the current search.
    bool isSearchPending() const { return m_pendingGeneration != 0; }

    HistoryQueryModel *history() const { return m_history; }
    ClipboardItemPtr itemAt(int row) const;
    QList<ClipboardItemPtr> items() const;

Q_SIGNALS:
    // Every row matching the current search is listed.
    void searchCompleted();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    bool isSearching() const;
    // Asks the store about the long texts of the history for the current search.
    void searchStore();
    void storeAnswered(quint64 generation, const QSet<QUuid> &matches);
    void followHistory();

    HistoryQueryModel *m_history;
    QString m_searchText;
    QString m_foldedSearch;
    qint64 m_maxCount = 30;
    HistorySearch *m_search = nullptr;
    quint64 m_pendingGeneration = 0;
    QSet<QUuid> m_storeMatches;
    QSet<QUuid> m_askedIds; // the long texts the current search was asked of the store for
};
