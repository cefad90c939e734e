#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class ClipboardItem;

// Where a stored record belongs: what reads the values the record does not hold (image bytes, a
// long text) and what hears of the record's changes, to write them at its next save. The history
// store provides it; a record not yet inserted has none.
class RecordContext : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual std::optional<QByteArray> readImageData(const QString &storedId) const = 0;
    virtual std::optional<QString> readTextContent(const QString &storedId) const = 0;
    virtual std::optional<QByteArray> readTextContentUtf8(const QString &storedId) const = 0;

protected:
    friend class ClipboardItem;
    // A field of `item` changed.
    virtual void noteChanged(const std::shared_ptr<ClipboardItem> &item) = 0;
};
