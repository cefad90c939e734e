#include "shell/ContentStream.h"

#include "services/ClipboardMonitor.h"
#include "support/ImageBytes.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool isPng(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1a\n"));
}

// Writes `data` to `fd` as the reader takes it, in slices, checking between them whether to stop.
void writeAll(int fd, const QByteArray &data, const std::atomic<bool> &stopping)
{
    constexpr qsizetype Slice = 1 << 20;
    qsizetype written = 0;
    QDeadlineTimer stall(ContentStream::StallTimeoutMs);
    while (written < data.size() && !stopping && !stall.hasExpired()) {
        pollfd ready{fd, POLLOUT, 0};
        const int polled = ::poll(&ready, 1, 200);
        if (polled < 0 && errno != EINTR)
            return;
        if (polled <= 0)
            continue;
        // MSG_NOSIGNAL: a reader that went away is an error here, not a SIGPIPE for Kavla.
        const ssize_t sent = ::send(fd, data.constData() + written, size_t(std::min(Slice, data.size() - written)),
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            return;
        }
        written += sent;
        stall.setRemainingTime(ContentStream::StallTimeoutMs);
    }
}

} // namespace

ContentStream::ContentStream(QObject *parent)
    : QObject(parent)
    , m_stopping(std::make_shared<std::atomic<bool>>(false))
{
    m_writers.setMaxThreadCount(2);
}

ContentStream::~ContentStream()
{
    *m_stopping = true;
    m_writers.waitForDone();
}

int ContentStream::start(QByteArray bytes, bool asPng)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return -1;
    // Only the reader reads and only Kavla writes.
    ::shutdown(ends[0], SHUT_WR);
    ::shutdown(ends[1], SHUT_RD);
    const int writeEnd = ends[1];
    m_writers.start([writeEnd, bytes = std::move(bytes), asPng, stopping = m_stopping]() mutable {
        if (asPng && !isPng(bytes)) {
            const QImage image = ImageBytes::decode(bytes, ClipboardMonitor::MaxImagePixels);
            bytes = image.isNull() ? QByteArray() : ImageBytes::png(image).value_or(QByteArray());
        }
        writeAll(writeEnd, bytes, *stopping);
        ::close(writeEnd);
    });
    return ends[0];
}
