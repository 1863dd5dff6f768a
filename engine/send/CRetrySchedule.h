#pragma once

#include <QtGlobal>
#include <optional>

// When a run tries a mail again after a temporary failure (a 4xx reply, a
// refused or dropped connection): 30 s after the failure, then 1, 2, 5 and
// 10 minutes after each try, then every 10 minutes, for as long as a try
// still starts within the limit of the first failure ([MailSystem]
// RetryMinutes, 60 when missing; 0 for no tries at all). Times are
// milliseconds.
class CRetrySchedule {
public:
    static constexpr int kDefaultMinutes = 60;
    static constexpr qint64 kFirstWaitMs = 30000;

    // nLimitMs: how long after the first failure a try may still start.
    // nFirstWaitMs: the first wait; the others keep their proportion to it.
    explicit CRetrySchedule(qint64 nLimitMs, qint64 nFirstWaitMs = kFirstWaitMs);
    // The schedule the settings ask for. CORVANE_RETRY_FIRST_MS, when set,
    // shortens the first wait, and with it the others and the limit, so that
    // tests need not wait minutes.
    static CRetrySchedule FromSettings();

    bool IsOn() const { return m_nLimitMs > 0; }
    // The wait before try nRetry (1 for the first try again), or nothing when
    // that try would start beyond the limit.
    std::optional<qint64> WaitBefore(int nRetry) const;

private:
    static qint64 WaitUnits(int nRetry);

    qint64 m_nLimitMs;
    qint64 m_nFirstWaitMs;
};
