#pragma once

#include "models/ClipboardItem.h"

#include <QAbstractListModel>
#include <QPointer>

class ModelContext;

// The live query over the history: every ClipboardItem, newest copy first, re-read after each
// save of the context's container, so views showing it follow every insert, delete and change.
class HistoryQueryModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        ContentTypeRole,
        TitleRole,
        PreviewRole,
        TimeRole,
        CopiedAtRole,
        SourceAppNameRole,
    };

    explicit HistoryQueryModel(ModelContext *context, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    ClipboardItemPtr itemAt(int row) const;
    const QList<ClipboardItemPtr> &items() const { return m_items; }

public Q_SLOTS:
    void refresh();

private:
    QPointer<ModelContext> m_context;
    QList<ClipboardItemPtr> m_items;
};
