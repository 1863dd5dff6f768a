#pragma once

#include "platform/mfc/CCmdUI.h"

#include <QHash>
#include <functional>

// Something a command can be routed to: a view, a document, a frame, the
// application. Not a QObject, so that widgets of any kind can mix it in.
//
// A class builds its message map in its constructor:
//
//   CMyView::CMyView() : CView(this) {
//       ON_COMMAND(ID_AUTO_UPDATE, &CMyView::OnAutoUpdate);
//       ON_UPDATE_COMMAND_UI(ID_AUTO_UPDATE, &CMyView::OnUpdateAutoUpdate);
//   }
//
// OnCmdMsg(nID, nullptr) runs the command's handler; OnCmdMsg(nID, pCmdUI)
// runs its update handler (or enables the item when only a command handler is
// mapped). Either returns true when this target handles nID. Handlers run
// only through the frame's command route, which catches engine errors.
class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    virtual bool OnCmdMsg(unsigned nID, CCmdUI* pCmdUI);

protected:
    template <class T> void ON_COMMAND(unsigned nID, void (T::*pfnHandler)()) {
        T* pTarget = static_cast<T*>(this);
        m_messageMap[nID].command = [pTarget, pfnHandler] { (pTarget->*pfnHandler)(); };
    }

    template <class T> void ON_UPDATE_COMMAND_UI(unsigned nID, void (T::*pfnHandler)(CCmdUI*)) {
        T* pTarget = static_cast<T*>(this);
        m_messageMap[nID].update = [pTarget, pfnHandler](CCmdUI* pCmdUI) {
            (pTarget->*pfnHandler)(pCmdUI);
        };
    }

private:
    struct MessageMapEntry {
        std::function<void()> command;
        std::function<void(CCmdUI*)> update;
    };
    QHash<unsigned, MessageMapEntry> m_messageMap;
};
