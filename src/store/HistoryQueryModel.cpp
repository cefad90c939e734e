#include "store/HistoryQueryModel.h"

#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "store/SearchText.h"
#include "support/Log.h"

#include <QSet>

namespace {

// Separates the parts of a search key; a search field never holds it.
constexpr QChar KeySeparator = QChar(0);

} // namespace

HistoryQueryModel::HistoryQueryModel(ModelContext *context, QObject *parent)
    : QAbstractListModel(parent)
    , m_context(context)
{
    connect(context->container(), &ModelContainer::didSave, this, &HistoryQueryModel::apply);
    reload();
}

int HistoryQueryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant HistoryQueryModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows.at(index.row());
    const ClipboardItem &item = *row.item;
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
        return row.copiedAt;
    case SourceAppNameRole:
        return item.sourceAppName().value_or(QString());
    case IsPinnedRole:
        return item.isPinned();
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
    names.insert(IsPinnedRole, "isPinned");
    return names;
}

ModelContext *HistoryQueryModel::context() const
{
    return m_context;
}

ClipboardItemPtr HistoryQueryModel::itemAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).item : nullptr;
}

QList<ClipboardItemPtr> HistoryQueryModel::items() const
{
    QList<ClipboardItemPtr> result;
    result.reserve(m_rows.size());
    for (const Row &row : m_rows)
        result.append(row.item);
    return result;
}

int HistoryQueryModel::rowOf(const QUuid &id) const
{
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).item->id() == id)
            return int(row);
    }
    return -1;
}

const QString &HistoryQueryModel::searchKey(int row) const
{
    static const QString none;
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).searchKey : none;
}

bool HistoryQueryModel::isTextInStore(int row) const
{
    const ClipboardItemPtr item = itemAt(row);
    return item && item->hasTextContent() && !item->isTextHeld();
}

HistoryQueryModel::Row HistoryQueryModel::makeRow(const ClipboardItemPtr &item) const
{
    Row row{item, item->copiedAt(), QString()};
    const QLocale locale = SearchText::locale();
    if (item->isTextHeld())
        row.searchKey = SearchText::fold(*item->textContent(), locale);
    if (const std::optional<QStringList> paths = item->filePaths()) {
        for (const QString &path : *paths)
            row.searchKey += KeySeparator + SearchText::fold(path, locale);
    }
    return row;
}

int HistoryQueryModel::positionFor(const QDateTime &copiedAt, int except) const
{
    int position = 0;
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (row == except)
            continue;
        if (m_rows.at(row).copiedAt <= copiedAt)
            break;
        ++position;
    }
    return position;
}

void HistoryQueryModel::reload()
{
    if (!m_context)
        return;
    QString error;
    const auto fetched = m_context->fetch(FetchDescriptor::historyNewestFirst(), &error);
    if (!fetched) {
        Log::note(QStringLiteral("cannot read the history: %1").arg(error));
        return;
    }
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(fetched->size());
    for (const ClipboardItemPtr &item : *fetched)
        m_rows.append(makeRow(item));
    endResetModel();
}

void HistoryQueryModel::apply(const StoreChanges &changes)
{
    // Everything deleted at once (clearing the history) is a new history, not a row change.
    if (!m_rows.isEmpty() && changes.deleted.size() >= m_rows.size()) {
        const QSet<QUuid> deleted(changes.deleted.cbegin(), changes.deleted.cend());
        bool all = true;
        for (const Row &row : std::as_const(m_rows))
            all = all && deleted.contains(row.item->id());
        if (all) {
            beginResetModel();
            m_rows.clear();
            for (const ClipboardItemPtr &item : changes.inserted)
                m_rows.insert(positionFor(item->copiedAt()), makeRow(item));
            endResetModel();
            return;
        }
    }

    for (const QUuid &id : changes.deleted) {
        const int row = rowOf(id);
        if (row < 0)
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        m_rows.removeAt(row);
        endRemoveRows();
    }

    for (const StoreChanges::Update &update : changes.updated) {
        int row = rowOf(update.item->id());
        if (row < 0)
            continue;
        if (update.fields & ClipboardItem::CopiedAtField) {
            const QDateTime copiedAt = update.item->copiedAt();
            const int target = positionFor(copiedAt, row);
            if (target != row) {
                // Destinations count rows before the move: one further down when moving down.
                beginMoveRows(QModelIndex(), row, row, QModelIndex(), target > row ? target + 1 : target);
                m_rows.move(row, target);
                endMoveRows();
                row = target;
            }
            m_rows[row].copiedAt = copiedAt;
        }
        if (update.fields & (ClipboardItem::TextContentField | ClipboardItem::FilePathsField))
            m_rows[row].searchKey = makeRow(update.item).searchKey;
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed);
    }

    for (const ClipboardItemPtr &item : changes.inserted) {
        if (rowOf(item->id()) >= 0)
            continue;
        const int row = positionFor(item->copiedAt());
        beginInsertRows(QModelIndex(), row, row);
        m_rows.insert(row, makeRow(item));
        endInsertRows();
    }
}
