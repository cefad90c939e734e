#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Calls `tick` at a fixed interval on a thread of its own, until stopped or destroyed. For a
// check that must run often yet cost an idle process next to nothing: waking this thread costs
// about half of what a turn of the GUI event loop does. `tick` runs on that thread, so it may only
// read thread-safe state and post work to the main thread.
class PollTicker
{
public:
    PollTicker() = default;
    ~PollTicker() { stop(); }
    PollTicker(const PollTicker &) = delete;
    PollTicker &operator=(const PollTicker &) = delete;

    // Starts ticking; a running ticker is stopped first.
    void start(std::chrono::milliseconds interval, std::function<void()> tick);
    // Returns once no tick runs any more.
    void stop();
    bool isActive() const { return m_thread.joinable(); }

private:
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
};
