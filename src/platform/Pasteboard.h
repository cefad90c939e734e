#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QMimeData;

// The general clipboard. Types are MIME type names ("text/plain", "image/png", "text/uri-list").
//
// changeCount() grows by one for every change made by another client and, at once, for every
// write made through writeContents(); our own writes are never reported a second time, so a
// copy-back never looks like an outside copy.
//
// Reads are of the current generation only and are kept until the count moves or
// releaseContents() is called: the offered types are asked of the owner once, and each flavour at
// most once, because an owner that does not answer costs a full timeout per request.
class Pasteboard : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Pasteboard() override = default;

    // May be read from any thread (the monitor's tick reads it off the main thread); everything
    // else runs on the main thread.
    virtual qint64 changeCount() const = 0;

    // The types offered, in the owner's order; the X pseudo-targets are not types.
    virtual QStringList types() = 0;
    // The raw bytes of a flavour, or nullopt when it is not offered or cannot be read.
    virtual std::optional<QByteArray> data(const QString &type) = 0;
    // A text flavour ("text/plain", "text/html") as a string, or nullopt when not offered.
    virtual std::optional<QString> string(const QString &type) = 0;
    // Every URL of the URL list flavour, in order, files and others alike.
    virtual QList<QUrl> urls() = 0;
    // An image decoded from any offered image flavour; null when none decodes.
    virtual QImage image() = 0;

    // Replaces the clipboard with `contents` (taking ownership); an empty QMimeData clears it.
    virtual void writeContents(QMimeData *contents) = 0;

    // Drops what was read of the current generation (bytes, decoded images).
    virtual void releaseContents() = 0;

Q_SIGNALS:
    // Another client changed the clipboard; changeCount() has already moved.
    void changedOutside();
};
