#include "platform/mfc/CCmdTarget.h"

bool CCmdTarget::OnCmdMsg(unsigned nID, CCmdUI* pCmdUI) {
    const auto it = m_messageMap.constFind(nID);
    if (it == m_messageMap.constEnd())
        return false;
    // Copies: a handler may close the window that owns this map.
    const MessageMapEntry entry = *it;
    if (pCmdUI == nullptr) {
        if (!entry.command)
            return false;
        entry.command();
        return true;
    }
    if (entry.update)
        entry.update(pCmdUI);
    if (!pCmdUI->IsEnableChanged())
        pCmdUI->Enable(static_cast<bool>(entry.command));
    return entry.update || entry.command;
}
