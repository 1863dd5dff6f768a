#include "engine/send/CRetrySchedule.h"

#include "platform/settings/CProfileSettings.h"

#include <array>

namespace {

constexpr qint64 kMinuteMs = 60000;

} // namespace

CRetrySchedule::CRetrySchedule(qint64 nLimitMs, qint64 nFirstWaitMs)
    : m_nLimitMs(qMax<qint64>(nLimitMs, 0)), m_nFirstWaitMs(qMax<qint64>(nFirstWaitMs, 1)) {}

CRetrySchedule CRetrySchedule::FromSettings() {
    const int nMinutes = CProfileSettings::GetProfileInt(
        CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyRetryMinutes, kDefaultMinutes);
    bool bShortened = false;
    const qint64 nFirstWaitMs = qEnvironmentVariableIntValue("CORVANE_RETRY_FIRST_MS", &bShortened);
    if (!bShortened || nFirstWaitMs <= 0)
        return CRetrySchedule(nMinutes * kMinuteMs);
    return CRetrySchedule(nMinutes * kMinuteMs * nFirstWaitMs / kFirstWaitMs, nFirstWaitMs);
}

// In units of the first wait: 30 s, 1, 2, 5, 10 minutes, then 10 minutes.
qint64 CRetrySchedule::WaitUnits(int nRetry) {
    static constexpr std::array<qint64, 5> kUnits = {1, 2, 4, 10, 20};
    return kUnits[qBound(1, nRetry, int(kUnits.size())) - 1];
}

std::optional<qint64> CRetrySchedule::WaitBefore(int nRetry) const {
    if (nRetry < 1)
        return std::nullopt;
    qint64 nStartMs = 0;
    for (int n = 1; n <= nRetry; ++n) {
        nStartMs += WaitUnits(n) * m_nFirstWaitMs;
        if (nStartMs > m_nLimitMs)
            return std::nullopt;
    }
    return WaitUnits(nRetry) * m_nFirstWaitMs;
}
