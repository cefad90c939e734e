#pragma once

#include "platform/DefaultsStore.h"

#include <QHash>

// The defaults store held only in memory, for unit tests. It accepts and converts values exactly
// as the real store does, and counts the writes that changed something.
class MemoryDefaultsStore : public DefaultsStore
{
    Q_OBJECT
public:
    using DefaultsStore::DefaultsStore;

    QVariant object(const QString &key) const override;
    void set(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;

    int writeCount() const { return m_writeCount; }

private:
    QHash<QString, QVariant> m_values;
    int m_writeCount = 0;
};
