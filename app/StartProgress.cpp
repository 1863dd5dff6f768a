#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/mfc/CStatusBar.h"
#include "store/CAddressDatabase.h"

namespace {

constexpr int kMaxLabel = 50;
constexpr int kPixelsPerChar = 6; // the label's width estimated in the status bar's font

} // namespace

void CAddressDatabase::StartProgress(QString strLabel) {
    if (strLabel.size() > kMaxLabel) {
        m_strQuery = strLabel.left(kMaxLabel);
        strLabel = m_strQuery;
    }
    CStatusBar* pStatusBar = m_pFrame ? m_pFrame->GetMessageBar() : nullptr;
    if (pStatusBar == nullptr)
        return;
    pStatusBar->SetPaneText(0, strLabel, true);
    QRect rcPane;
    pStatusBar->GetItemRect(0, &rcPane);

    const int nLeft = strLabel.isEmpty() ? 2 : kPixelsPerChar * int(strLabel.size());
    const int nRight = rcPane.x() + rcPane.width() - 5;
    const QRect rcBar(QPoint(nLeft, 2), QSize(nRight - nLeft, 16 - 2));

    m_wndProgress.DestroyWindow();
    m_wndProgress.Create(rcBar, pStatusBar);
    m_wndProgress.SetRange(0, 100);
    m_wndProgress.SetPos(0);
    m_wndProgress.SetStep(1);
}
