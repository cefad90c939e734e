#pragma once

#include "platform/PasteboardSnapshot.h"

#include <QObject>

class QMimeData;

// The general clipboard. Types are MIME type names ("text/plain", "image/png", "text/uri-list").
//
// changeCount() grows by one for every change made by another client and, at once, for every
// write made through writeContents(); our own writes are never reported a second time, so a
// copy-back never looks like an outside copy.
//
// Reads are asynchronous: requestContents() asks for the current generation, and contentsRead()
// delivers what was read. The interface thread never waits on the owner, which may be slow or
// never answer; a newer change abandons a pending read, whose snapshot is then never delivered.
class Pasteboard : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Pasteboard() override = default;

    // May be read from any thread; everything else runs on the main thread.
    virtual qint64 changeCount() const = 0;

    // Reads the generation current now: its offered types, then the flavours `choose` picks
    // among them. Answered by contentsRead() unless a newer change comes first.
    virtual void requestContents(FlavourChooser choose) = 0;

    // Replaces the clipboard with `contents` (taking ownership); an empty QMimeData clears it.
    virtual void writeContents(QMimeData *contents) = 0;
    // Puts `contents` (taking ownership) on a clipboard that emptied: only while it is still the
    // generation `changeCount` and nobody has taken it since, even a client whose change is not
    // announced yet, so a newer copy is never replaced. Counted like writeContents() when written.
    virtual void restoreContents(QMimeData *contents, qint64 changeCount) = 0;

protected:
    // Emits contentsRead() with what a read delivered, then gives the memory of a large one back.
    void deliverContents(const PasteboardSnapshot &snapshot);

Q_SIGNALS:
    // Another client changed the clipboard; changeCount() has already moved. Emitted for every
    // change (XFixes on X11, data-control on Wayland): the monitor is woken by nothing else.
    void changedOutside();
    // The flavours read of one generation; stale when changeCount() has moved since.
    void contentsRead(const PasteboardSnapshot &snapshot);
};
