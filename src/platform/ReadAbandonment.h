#pragma once

#include <QtGlobal>

#include <atomic>

// Which clipboard generations a reading thread may still finish. The interface thread moves it
// on when the clipboard changes or Kavla quits; the reader checks it between steps and polls
// wakeFd() beside its connection, so a wait for an owner ends at once.
class ReadAbandonment
{
public:
    ReadAbandonment();
    ~ReadAbandonment();
    ReadAbandonment(const ReadAbandonment &) = delete;
    ReadAbandonment &operator=(const ReadAbandonment &) = delete;

    // Any thread: reads of generations before `changeCount` are abandoned; wakes the reader.
    void abandonBefore(qint64 changeCount);
    // Any thread: every read is abandoned from now on.
    void stop();
    bool isAbandoned(qint64 changeCount) const;

    // Readable after abandonBefore() or stop().
    int wakeFd() const { return m_wakeFd; }
    // Empties wakeFd() once it was readable; false on an error.
    bool clearWake();

private:
    int m_wakeFd = -1;
    std::atomic<qint64> m_latest = 0;
    std::atomic<bool> m_stopping = false;
};
