#pragma once

// The state of one command's user-interface items (menu items, toolbar
// buttons), as an update handler sets it.
//
//   void CMyView::OnUpdateAutoUpdate(CCmdUI* pCmdUI) {
//       pCmdUI->SetCheck(m_bAutoUpdate);
//   }
//
// The frame asks the command route for each command's state and applies it
// to the command's QAction: a command with a handler and no update handler is
// enabled, a command that nobody handles is disabled.
class CCmdUI {
public:
    explicit CCmdUI(unsigned nID) : m_nID(nID) {}

    void Enable(bool bOn = true) {
        m_bEnabled = bOn;
        m_bEnableChanged = true;
    }
    void SetCheck(int nCheck = 1) { m_nCheck = nCheck; }

    bool IsEnabled() const { return m_bEnabled; }
    bool IsEnableChanged() const { return m_bEnableChanged; }
    int GetCheck() const { return m_nCheck; }

    const unsigned m_nID;

private:
    bool m_bEnabled = false;
    bool m_bEnableChanged = false;
    int m_nCheck = 0;
};
