#include "engine/send/CRateLimiter.h"

#include "platform/settings/CProfileSettings.h"

#include <QDateTime>

namespace {

constexpr qint64 kMinuteMs = 60000;

} // namespace

CRateLimiter::CRateLimiter(int nMaxPerMinute)
    : m_nMaxPerMinute(qMax(nMaxPerMinute, 0)),
      // Rounded up, so n a minute is never exceeded.
      m_nIntervalMs(m_nMaxPerMinute > 0 ? (kMinuteMs + m_nMaxPerMinute - 1) / m_nMaxPerMinute : 0) {
}

int CRateLimiter::MaxPerMinuteSetting() {
    return CProfileSettings::GetProfileInt(CProfileSettings::kSectionMailSystem,
                                           CProfileSettings::kKeyMaxPerMinute, 0);
}

qint64 CRateLimiter::WaitBefore(qint64 nNowMs) const {
    if (!IsLimited() || !m_nLastStartMs)
        return 0;
    return qMax<qint64>(0, *m_nLastStartMs + m_nIntervalMs - nNowMs);
}

QString CRateLimiter::EndText(int nMails) const {
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime end = now.addMSecs(DurationMs(nMails));
    return end.toString(end.date() == now.date() ? QStringLiteral("HH:mm")
                                                 : QStringLiteral("yyyy-MM-dd HH:mm"));
}
