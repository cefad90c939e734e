#include "platform/ReadAbandonment.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

ReadAbandonment::ReadAbandonment()
    : m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

ReadAbandonment::~ReadAbandonment()
{
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void ReadAbandonment::abandonBefore(qint64 changeCount)
{
    qint64 latest = m_latest.load();
    while (latest < changeCount && !m_latest.compare_exchange_weak(latest, changeCount)) {
    }
    const uint64_t one = 1;
    if (m_wakeFd >= 0 && ::write(m_wakeFd, &one, sizeof one) < 0 && errno != EAGAIN)
        return; // a full counter wakes the reader all the same
}

void ReadAbandonment::stop()
{
    m_stopping = true;
    abandonBefore(m_latest.load() + 1);
}

bool ReadAbandonment::isAbandoned(qint64 changeCount) const
{
    return m_stopping.load() || m_latest.load() > changeCount;
}

bool ReadAbandonment::clearWake()
{
    uint64_t count = 0;
    return ::read(m_wakeFd, &count, sizeof count) >= 0 || errno == EAGAIN;
}
