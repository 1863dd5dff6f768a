#pragma once

#include <QtGlobal>
#include <optional>

// Keeps the mails of a run to at most n a minute by spacing their starts
// evenly, 60 s / n apart, so a provider's cap is never met in a burst.
// Times are milliseconds of one monotonic clock.
class CRateLimiter {
public:
    // 0 or less: no limit.
    explicit CRateLimiter(int nMaxPerMinute);
    // [MailSystem] MaxPerMinute; missing or not a number: 0.
    static int MaxPerMinuteSetting();

    bool IsLimited() const { return m_nIntervalMs > 0; }
    int MaxPerMinute() const { return m_nMaxPerMinute; }
    // How long the next mail still has to wait at nNowMs; 0 when it may go.
    qint64 WaitBefore(qint64 nNowMs) const;
    void Started(qint64 nNowMs) { m_nLastStartMs = nNowMs; }

private:
    int m_nMaxPerMinute;
    qint64 m_nIntervalMs;
    std::optional<qint64> m_nLastStartMs;
};
