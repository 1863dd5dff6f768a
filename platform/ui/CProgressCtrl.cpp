#include "platform/ui/CProgressCtrl.h"

#include <QProgressBar>
#include <algorithm>
#include <utility>

CProgressCtrl::CProgressCtrl() = default;

CProgressCtrl::~CProgressCtrl() {
    DestroyWindow();
}

// A child control needs a parent; creating again replaces the old bar.
bool CProgressCtrl::Create(const QRect& rect, QWidget* pParent) {
    if (!pParent)
        return false;
    DestroyWindow();
    m_pBar = new QProgressBar(pParent);
    m_pBar->setObjectName(QStringLiteral("progressCtrl"));
    m_pBar->setTextVisible(false);
    // The control starts with the range 0 to 100 and the position 0.
    m_pBar->setRange(0, 100);
    m_pBar->setValue(0);
    m_pBar->setGeometry(rect);
    m_pBar->show();
    return true;
}

bool CProgressCtrl::DestroyWindow() {
    if (!m_pBar)
        return false;
    delete m_pBar;
    return true;
}

QProgressBar* CProgressCtrl::GetSafeHwnd() const {
    return m_pBar;
}

// The position stays inside the new range (a QProgressBar would reset it).
void CProgressCtrl::SetRange(int nLower, int nUpper) {
    if (!m_pBar)
        return;
    const int nPos = m_pBar->value();
    m_pBar->setRange(nLower, nUpper);
    m_pBar->setValue(std::clamp(nPos, m_pBar->minimum(), m_pBar->maximum()));
}

// Positions outside the range are clamped to it, as the control does.
int CProgressCtrl::SetPos(int nPos) {
    if (!m_pBar)
        return 0;
    const int nOld = m_pBar->value();
    m_pBar->setValue(std::clamp(nPos, m_pBar->minimum(), m_pBar->maximum()));
    return nOld;
}

int CProgressCtrl::SetStep(int nStep) {
    return std::exchange(m_nStep, nStep);
}
