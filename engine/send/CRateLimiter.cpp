#include "engine/send/CRateLimiter.h"

#include "platform/settings/CProfileSettings.h"

namespace {

constexpr qint64 kMinuteMs = 60000;
const QString kKeyMaxPerMinute = QStringLiteral("MaxPerMinute");

} // namespace

CRateLimiter::CRateLimiter(int nMaxPerMinute)
    : m_nMaxPerMinute(qMax(nMaxPerMinute, 0)),
      // Rounded up, so n a minute is never exceeded.
      m_nIntervalMs(m_nMaxPerMinute > 0 ? (kMinuteMs + m_nMaxPerMinute - 1) / m_nMaxPerMinute : 0) {
}

int CRateLimiter::MaxPerMinuteSetting() {
    return CProfileSettings::GetProfileInt(CProfileSettings::kSectionMailSystem, kKeyMaxPerMinute,
                                           0);
}

qint64 CRateLimiter::WaitBefore(qint64 nNowMs) const {
    if (!IsLimited() || !m_nLastStartMs)
        return 0;
    return qMax<qint64>(0, *m_nLastStartMs + m_nIntervalMs - nNowMs);
}
