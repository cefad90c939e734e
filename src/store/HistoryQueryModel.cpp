#include "store/HistoryQueryModel.h"

#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "support/Log.h"

HistoryQueryModel::HistoryQueryModel(ModelContext *context, QObject *parent)
    : QAbstractListModel(parent)
    , m_context(context)
{
    connect(context->container(), &ModelContainer::didSave, this, &HistoryQueryModel::refresh);
    refresh();
}

int HistoryQueryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant HistoryQueryModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ClipboardItem &item = *m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case TitleRole:
        return item.displayTitle();
    case Qt::ToolTipRole:
    case PreviewRole:
        return item.previewText();
    case IdRole:
        return item.id();
    case ContentTypeRole:
        return item.contentType();
    case TimeRole:
        return item.formattedTime();
    case CopiedAtRole:
        return item.copiedAt();
    case SourceAppNameRole:
        return item.sourceAppName().value_or(QString());
    default:
        return {};
    }
}

QHash<int, QByteArray> HistoryQueryModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(IdRole, "id");
    names.insert(ContentTypeRole, "contentType");
    names.insert(TitleRole, "displayTitle");
    names.insert(PreviewRole, "previewText");
    names.insert(TimeRole, "formattedTime");
    names.insert(CopiedAtRole, "copiedAt");
    names.insert(SourceAppNameRole, "sourceAppName");
    return names;
}

ClipboardItemPtr HistoryQueryModel::itemAt(int row) const
{
    return row >= 0 && row < m_items.size() ? m_items.at(row) : nullptr;
}

void HistoryQueryModel::refresh()
{
    if (!m_context)
        return;
    QString error;
    auto fetched = m_context->fetch(FetchDescriptor::historyNewestFirst(), &error);
    if (!fetched) {
        Log::note(QStringLiteral("cannot read the history: %1").arg(error));
        return;
    }
    if (*fetched == m_items) {
        // Same records in the same order: only fields may have changed.
        if (!m_items.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_items.size()) - 1));
        return;
    }
    beginResetModel();
    m_items = std::move(*fetched);
    endResetModel();
}
