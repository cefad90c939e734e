#pragma once

#include "platform/Pasteboard.h"

#include <QHash>

#include <atomic>
#include <optional>

class QClipboard;

// The X11 CLIPBOARD selection through QClipboard. The change count grows on every change
// notification (XFixes) and at once on our own writes, whose notification is not counted again.
class X11Pasteboard : public Pasteboard
{
    Q_OBJECT
public:
    explicit X11Pasteboard(QClipboard *clipboard, QObject *parent = nullptr);

    qint64 changeCount() const override { return m_changeCount.load(); }
    QStringList types() override;
    std::optional<QByteArray> data(const QString &type) override;
    std::optional<QString> string(const QString &type) override;
    QList<QUrl> urls() override;
    QImage image() override;
    void writeContents(QMimeData *contents) override;
    void releaseContents() override;

    // Not types: the selection protocol's own targets.
    static bool isPseudoTarget(const QString &name);

private:
    void onClipboardChanged(int mode);

    QClipboard *m_clipboard;
    std::atomic<qint64> m_changeCount = 0;
    bool m_writing = false;
    // What was read of the current generation.
    std::optional<QStringList> m_types;
    QHash<QString, QByteArray> m_data;
    QHash<QString, QString> m_strings;
    qsizetype m_bytesHeld = 0;
};
