#pragma once

#include "platform/Pasteboard.h"

#include <QHash>
#include <QMimeData>

#include <atomic>
#include <memory>

// The clipboard held in memory. Tests copy "from another application" with setContents(), which
// counts one outside change; our own writes go through writeContents() like the real one.
// Reads are answered at once, or, while reads are held, only when the test releases them.
class FakePasteboard : public Pasteboard
{
    Q_OBJECT
public:
    using Pasteboard::Pasteboard;

    // Another application copies: the types and their bytes, in offered order.
    void setContents(const QList<QPair<QString, QByteArray>> &flavours);
    void setText(const QString &text);
    // The owner quits and the clipboard empties; clearContents() is the owner emptying it itself.
    void ownerQuits();
    void clearContents() { setContents({}); }

    qint64 changeCount() const override { return m_changeCount.load(); }
    void requestContents(FlavourChooser choose) override;
    void writeContents(QMimeData *contents) override;
    void restoreContents(QMimeData *contents, qint64 changeCount) override;
    // Another application takes the clipboard, and its change is not announced yet.
    void takeUnannounced(const QList<QPair<QString, QByteArray>> &flavours) { m_flavours = flavours; }

    // An owner that does not say how large a flavour is before sending it (xclip, any Wayland client).
    void setAnnouncesSizes(bool announces) { m_announcesSizes = announces; }
    // Keeps the snapshots read from now on until releaseReads(); `complete` false delivers them
    // as reads the owner did not finish.
    void holdReads(bool hold) { m_holdReads = hold; }
    void releaseReads(bool complete = true);

    // What the last writeContents() put there.
    const QMimeData *written() const { return m_written.get(); }
    int writeCount() const { return m_writeCount; }
    // How often each flavour was read, and how often a generation was asked for.
    int readsOf(const QString &type) const { return m_reads.value(type); }
    int requests() const { return m_requests; }

private:
    std::atomic<qint64> m_changeCount = 0;
    bool m_announcesSizes = true;
    bool m_holdReads = false;
    bool m_ownerQuit = false;
    QList<PasteboardSnapshot> m_held;
    QList<QPair<QString, QByteArray>> m_flavours;
    std::unique_ptr<QMimeData> m_written;
    int m_writeCount = 0;
    int m_requests = 0;
    QHash<QString, int> m_reads;
};
