#pragma once

#include "platform/Pasteboard.h"

#include <QHash>
#include <QMimeData>

#include <atomic>
#include <memory>

// The clipboard held in memory. Tests copy "from another application" with setContents(), which
// counts one outside change; our own writes go through writeContents() like the real one.
class FakePasteboard : public Pasteboard
{
    Q_OBJECT
public:
    using Pasteboard::Pasteboard;

    // Another application copies: the types and their bytes, in offered order.
    void setContents(const QList<QPair<QString, QByteArray>> &flavours);
    void setText(const QString &text);

    qint64 changeCount() const override { return m_changeCount.load(); }
    QStringList types() override;
    std::optional<QByteArray> data(const QString &type) override;
    std::optional<QString> string(const QString &type) override;
    QList<QUrl> urls() override;
    QImage image() override;
    void writeContents(QMimeData *contents) override;
    void releaseContents() override { ++m_releases; }

    // What the last writeContents() put there.
    const QMimeData *written() const { return m_written.get(); }
    int writeCount() const { return m_writeCount; }
    // How often each flavour was read, and the types list asked for.
    int readsOf(const QString &type) const { return m_reads.value(type); }
    int typeReads() const { return m_typeReads; }
    int releases() const { return m_releases; }

private:
    void noteRead(const QString &type);

    std::atomic<qint64> m_changeCount = 0;
    QList<QPair<QString, QByteArray>> m_flavours;
    std::unique_ptr<QMimeData> m_written;
    int m_writeCount = 0;
    int m_typeReads = 0;
    int m_releases = 0;
    QHash<QString, int> m_reads;
};
