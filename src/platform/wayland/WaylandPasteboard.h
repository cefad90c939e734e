#pragma once

#include "platform/Pasteboard.h"

#include <QThread>

#include <atomic>
#include <memory>

class WaylandDataControl;

// The Wayland clipboard through the data-control protocol. Everything Wayland happens in a
// WaylandDataControl on a thread of its own; this side keeps the change count: it grows when
// another client sets the selection, and at once on our own writes, whose echo is never announced.
class WaylandPasteboard : public Pasteboard
{
    Q_OBJECT
public:
    explicit WaylandPasteboard(QObject *parent = nullptr);
    ~WaylandPasteboard() override;

    qint64 changeCount() const override { return m_changeCount.load(); }
    void requestContents(FlavourChooser choose) override;
    void writeContents(QMimeData *contents) override;
    void restoreContents(QMimeData *contents, qint64 changeCount) override;

private:
    void onSelectionChanged();
    void write(QMimeData *contents, bool onlyIfEmpty);

    std::atomic<qint64> m_changeCount = 0;
    QThread m_thread;
    std::unique_ptr<WaylandDataControl> m_control;
};
