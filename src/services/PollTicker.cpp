#include "services/PollTicker.h"

void PollTicker::start(std::chrono::milliseconds interval, std::function<void()> tick)
{
    stop();
    m_stopping = false;
    m_thread = std::thread([this, interval, tick = std::move(tick)] {
        std::unique_lock lock(m_mutex);
        // The deadline advances by whole intervals, so the ticks do not drift.
        auto next = std::chrono::steady_clock::now() + interval;
        while (!m_wake.wait_until(lock, next, [this] { return m_stopping; })) {
            lock.unlock();
            tick();
            lock.lock();
            next += interval;
            const auto now = std::chrono::steady_clock::now();
            if (next < now)
                next = now + interval;
        }
    });
}

void PollTicker::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}
