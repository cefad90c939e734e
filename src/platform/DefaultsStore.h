#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// The per-user defaults store: named values that keep their type. A value is one of
// bool, qint64, double, QString, QStringList or QByteArray; an absent key reads as an
// invalid QVariant. Every write is visible to every later read in the process at once; a store
// may hold back writing it to disk for a moment (see flush()).
class DefaultsStore : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~DefaultsStore() override = default;

    virtual QVariant object(const QString &key) const = 0;
    virtual void set(const QString &key, const QVariant &value) = 0;
    virtual void remove(const QString &key) = 0;
    virtual bool contains(const QString &key) const { return object(key).isValid(); }
    // Writes any changes still held back to lasting storage now. Stores that keep nothing back
    // have nothing to do.
    virtual void flush() {}

    // The form a value is held in: integral numbers become qint64, float becomes double, a list
    // of strings becomes QStringList. Invalid for anything the store cannot keep (other types,
    // a list with a non-string, an integer beyond qint64), so every store accepts the same values.
    static QVariant canonicalValue(const QVariant &value);

Q_SIGNALS:
    // The key was set to another value (or type) or removed; a write that changes nothing is silent.
    void valueChanged(const QString &key);
};
