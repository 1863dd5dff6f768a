#include "platform/mfc/CStatusBar.h"

#include "platform/mfc/AfxRes.h"

#include <QLabel>

namespace {

// The texts of the lock-key indicators, shown while the key is on.
QString IndicatorText(unsigned nID) {
    switch (nID) {
    case ID_INDICATOR_CAPS:
        return QStringLiteral("CAP");
    case ID_INDICATOR_NUM:
        return QStringLiteral("NUM");
    case ID_INDICATOR_SCRL:
        return QStringLiteral("SCRL");
    default:
        return QString();
    }
}

} // namespace

CStatusBar::CStatusBar(QWidget* pParent) : QStatusBar(pParent) {
    setSizeGripEnabled(false);
}

CStatusBar::~CStatusBar() = default;

bool CStatusBar::SetIndicators(const unsigned* pIDArray, int nIDCount) {
    if (!m_panes.isEmpty() || pIDArray == nullptr || nIDCount <= 0)
        return false;
    for (int nIndex = 0; nIndex < nIDCount; ++nIndex) {
        auto* pPane = new QLabel(this);
        pPane->setObjectName(QStringLiteral("statusPane%1").arg(nIndex));
        m_ids.append(pIDArray[nIndex]);
        m_panes.append(pPane);
        if (pIDArray[nIndex] == ID_SEPARATOR) {
            // A long message must not widen the window.
            pPane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            addWidget(pPane, 1);
        } else {
            pPane->setFrameShape(QFrame::Panel);
            pPane->setFrameShadow(QFrame::Sunken);
            pPane->setAlignment(Qt::AlignCenter);
            pPane->setMinimumWidth(
                pPane->fontMetrics().horizontalAdvance(IndicatorText(pIDArray[nIndex])) + 12);
            addPermanentWidget(pPane);
        }
    }
    return true;
}

unsigned CStatusBar::GetItemID(int nIndex) const {
    return nIndex >= 0 && nIndex < m_ids.size() ? m_ids.at(nIndex) : ID_SEPARATOR;
}

int CStatusBar::CommandToIndex(unsigned nIDFind) const {
    return m_ids.indexOf(nIDFind);
}

bool CStatusBar::SetPaneText(int nIndex, const QString& strText, bool bUpdate) {
    if (nIndex < 0 || nIndex >= m_panes.size())
        return false;
    m_panes.at(nIndex)->setText(strText);
    if (bUpdate)
        m_panes.at(nIndex)->repaint();
    return true;
}

QString CStatusBar::GetPaneText(int nIndex) const {
    return nIndex >= 0 && nIndex < m_panes.size() ? m_panes.at(nIndex)->text() : QString();
}

void CStatusBar::SetIndicator(int nIndex, bool bOn) {
    SetPaneText(nIndex, bOn ? IndicatorText(GetItemID(nIndex)) : QString(), false);
}

void CStatusBar::GetItemRect(int nIndex, QRect* pRect) const {
    *pRect = nIndex >= 0 && nIndex < m_panes.size() ? m_panes.at(nIndex)->geometry() : QRect();
}
