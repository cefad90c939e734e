#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// The per-user defaults store: named values that keep their type. A value is one of
// bool, qint64, double, QString, QStringList or QByteArray; an absent key reads as an
// invalid QVariant. Every write is visible to every later read in the process at once.
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

    // The store the application start-up created; null before that (tests make their own).
    static DefaultsStore *shared();
    static void setShared(DefaultsStore *store);

Q_SIGNALS:
    void valueChanged(const QString &key);
};
