#pragma once

#include <QBasicTimer>
#include <map>

class QObject;

// Window timers by id, as a window owns them: each id is one timer of its
// owner, and starting an id that runs already restarts it with the new period.
//
//   m_timers.SetTimer(1, 300, this);                       // in the owner
//   void timerEvent(QTimerEvent* e) override {
//       const unsigned nID = m_timers.IdOf(e->timerId());   // 0: not ours
//       if (nID != 0) OnTimer(nID);
//   }
class CTimerMap {
public:
    void SetTimer(unsigned nIDEvent, int nElapse, QObject* pOwner);
    bool KillTimer(unsigned nIDEvent);
    bool IsActive(unsigned nIDEvent) const;
    // The window id of a Qt timer id, or 0 when it is none of ours.
    unsigned IdOf(int nQtTimerId) const;

private:
    std::map<unsigned, QBasicTimer> m_timers;
};
