#pragma once

#include <QString>
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
    // How long nMails more take at least, the first starting now.
    qint64 DurationMs(int nMails) const { return nMails > 1 ? (nMails - 1) * m_nIntervalMs : 0; }
    // The clock time the last of nMails more starts at, the first starting
    // now: "14:35", with the date in front when it is not today.
    QString EndText(int nMails) const;

private:
    int m_nMaxPerMinute;
    qint64 m_nIntervalMs;
    std::optional<qint64> m_nLastStartMs;
};
