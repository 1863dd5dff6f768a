#include "platform/mfc/CTimerMap.h"

void CTimerMap::SetTimer(unsigned nIDEvent, int nElapse, QObject* pOwner) {
    m_timers[nIDEvent].start(nElapse, pOwner);
}

bool CTimerMap::KillTimer(unsigned nIDEvent) {
    const auto it = m_timers.find(nIDEvent);
    if (it == m_timers.end() || !it->second.isActive())
        return false;
    it->second.stop();
    return true;
}

bool CTimerMap::IsActive(unsigned nIDEvent) const {
    const auto it = m_timers.find(nIDEvent);
    return it != m_timers.end() && it->second.isActive();
}

unsigned CTimerMap::IdOf(int nQtTimerId) const {
    for (const auto& [nIDEvent, timer] : m_timers) {
        if (timer.isActive() && timer.timerId() == nQtTimerId)
            return nIDEvent;
    }
    return 0;
}
