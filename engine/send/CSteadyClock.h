#pragma once

#include "engine/send/CSendClock.h"

#include <QElapsedTimer>

// The real time of a run, from the system's monotonic clock.
class CSteadyClock : public CSendClock {
public:
    CSteadyClock() { m_started.start(); }

    qint64 NowMs() const override { return m_started.elapsed(); }
    void WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                 qint64 nMs) override {
        wake.wait_for(lock, std::chrono::milliseconds(nMs));
    }

private:
    QElapsedTimer m_started;
};
