#pragma once

#include <QtGlobal>
#include <condition_variable>
#include <mutex>

// The time a run keeps: a monotonic clock in milliseconds, and the waits of
// the rate limit and the retries, which a stop cuts short. Tests put a clock
// of their own in its place that moves on at once.
class CSendClock {
public:
    virtual ~CSendClock() = default;

    virtual qint64 NowMs() const = 0;
    // Waits at most nMs, lock held on entry and on return, or until wake is
    // notified (a stop); may also return early for no reason.
    virtual void WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                         qint64 nMs) = 0;
};
