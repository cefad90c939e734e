#pragma once

#include "models/ClipboardItem.h"

#include <QLocale>
#include <QSortFilterProxyModel>

class HistoryQueryModel;

// The popup's list: the live history narrowed by the search text, or capped at the capacity
// when there is no search (see HistoryFilter). Follows the history and both inputs live.
class HistoryFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit HistoryFilterModel(HistoryQueryModel *history, QObject *parent = nullptr);

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    qint64 maxCount() const { return m_maxCount; }
    void setMaxCount(qint64 count);
    void setMatchLocale(const QLocale &locale);

    HistoryQueryModel *history() const { return m_history; }
    ClipboardItemPtr itemAt(int row) const;
    QList<ClipboardItemPtr> items() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    HistoryQueryModel *m_history;
    QString m_searchText;
    qint64 m_maxCount = 30;
    QLocale m_locale = QLocale::system();
};
