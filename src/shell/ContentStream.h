#pragma once

#include <QByteArray>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <memory>

// Hands an entry's bytes to another process through a socket, written from a worker thread: a
// text of hundreds of megabytes fits in no D-Bus message, and the interface thread never waits
// for the reader. An image stored in another format than PNG is converted to PNG on the way. A
// reader that takes nothing for StallTimeoutMs is given up, and so is every reader when the
// streams are stopped.
class ContentStream : public QObject
{
    Q_OBJECT
public:
    static constexpr int StallTimeoutMs = 10000;

    explicit ContentStream(QObject *parent = nullptr);
    // Stops the writers and waits for them.
    ~ContentStream() override;

    // The reading end of a new socket whose other end receives `bytes` (as PNG when `asPng`) and
    // is then closed; the caller owns it. -1 when no socket can be made.
    int start(QByteArray bytes, bool asPng);

private:
    QThreadPool m_writers;
    std::shared_ptr<std::atomic<bool>> m_stopping;
};
