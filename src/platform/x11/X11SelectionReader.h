#pragma once

#include "platform/PasteboardSnapshot.h"
#include "platform/ReadAbandonment.h"
#include "platform/x11/Xcb.h"

#include <QByteArray>
#include <QHash>
#include <QObject>

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>

// Reads the CLIPBOARD selection on an X connection of its own, on the thread it lives on, so
// the interface thread never waits for an owner. An owner that does not answer costs at most
// NoProgressTimeoutMs on this thread; a transfer that keeps making progress (INCR) is never cut
// off; a newer change abandons the read at once.
class X11SelectionReader : public QObject
{
    Q_OBJECT
public:
    static constexpr int NoProgressTimeoutMs = 2000;

    explicit X11SelectionReader(QObject *parent = nullptr);
    ~X11SelectionReader() override;

    // Thread-safe. Reads of generations older than `changeCount` stop as soon as possible and
    // deliver nothing.
    void abandonBefore(qint64 changeCount);
    // Thread-safe. Every read stops and delivers nothing.
    void stop();

    // On the reader's thread: reads the generation `changeCount` and emits finished() with its
    // snapshot, unless the read was abandoned.
    void read(qint64 changeCount, const FlavourChooser &choose);

Q_SIGNALS:
    void finished(const PasteboardSnapshot &snapshot);

private:
    enum class Outcome { Read, Refused, TimedOut, Broken, Abandoned, TooLarge };

    bool ensureConnection();
    bool isAbandoned(qint64 changeCount) const;
    xcb_generic_event_t *waitForEvent(qint64 changeCount, qint64 deadlineMs, Outcome *outcome);
    // Reads one target into `bytes`; past `limit` bytes (0: none) it stops with TooLarge and
    // the size in `size`: announced or read whole, else PasteboardSnapshot::UnknownSize.
    Outcome transfer(qint64 changeCount, uint32_t window, uint32_t target, QByteArray *bytes,
                     uint32_t *type, qint64 limit = 0, qint64 *size = nullptr);
    Outcome readProperty(uint32_t window, QByteArray *bytes, uint32_t *type);
    uint32_t selectionOwner();
    bool windowExists(uint32_t window);

    xcb_connection_t *m_connection = nullptr;
    bool m_connectionFailed = false;
    uint32_t m_root = 0;
    uint32_t m_clipboard = 0;
    uint32_t m_targets = 0;
    uint32_t m_incr = 0;
    uint32_t m_property = 0;
    // The owner of the clipboard when it was last read.
    uint32_t m_lastOwner = 0;
    Xcb::Atoms m_atoms;
    ReadAbandonment m_abandonment;
};
