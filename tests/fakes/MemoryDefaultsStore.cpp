#include "fakes/MemoryDefaultsStore.h"

QVariant MemoryDefaultsStore::object(const QString &key) const
{
    return m_values.value(key);
}

void MemoryDefaultsStore::set(const QString &key, const QVariant &value)
{
    if (!value.isValid()) {
        remove(key);
        return;
    }
    const QVariant canonical = canonicalValue(value);
    if (!canonical.isValid())
        return;
    const auto existing = m_values.constFind(key);
    if (existing != m_values.constEnd() && existing->metaType() == canonical.metaType()
        && *existing == canonical)
        return;
    m_values.insert(key, canonical);
    ++m_writeCount;
    Q_EMIT valueChanged(key);
}

void MemoryDefaultsStore::remove(const QString &key)
{
    if (m_values.remove(key) == 0)
        return;
    ++m_writeCount;
    Q_EMIT valueChanged(key);
}
