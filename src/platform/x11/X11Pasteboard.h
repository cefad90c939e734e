#pragma once

#include "platform/Pasteboard.h"

#include <QThread>

#include <atomic>
#include <memory>

class QClipboard;
class X11SelectionReader;

// The X11 CLIPBOARD selection. Changes are announced through QClipboard (XFixes), and our own
// writes go through it; reads are made by an X11SelectionReader on a thread of its own. The
// change count grows on every change notification and at once on our own writes, whose
// notification is not counted again.
class X11Pasteboard : public Pasteboard
{
    Q_OBJECT
public:
    explicit X11Pasteboard(QClipboard *clipboard, QObject *parent = nullptr);
    ~X11Pasteboard() override;

    qint64 changeCount() const override { return m_changeCount.load(); }
    void requestContents(FlavourChooser choose) override;
    void writeContents(QMimeData *contents) override;
    void restoreContents(QMimeData *contents, qint64 changeCount) override;

private:
    void onClipboardChanged(int mode);

    QClipboard *m_clipboard;
    std::atomic<qint64> m_changeCount = 0;
    bool m_writing = false;
    QThread m_readerThread;
    std::unique_ptr<X11SelectionReader> m_reader;
};
