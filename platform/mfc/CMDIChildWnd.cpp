#include "platform/mfc/CMDIChildWnd.h"

#include "platform/mfc/CDocument.h"
#include "platform/mfc/CView.h"

#include <QWidget>

CMDIChildWnd::CMDIChildWnd(QWidget* pParent) : QMdiSubWindow(pParent) {
    setAttribute(Qt::WA_DeleteOnClose);
}

// The view leaves its document while this frame is still whole: the other
// frames of the document renumber their captions.
CMDIChildWnd::~CMDIChildWnd() {
    if (!m_pDocument)
        return;
    disconnect(m_pDocument, nullptr, this, nullptr);
    if (CView* pView = GetActiveView())
        pView->SetDocument(nullptr);
}

void CMDIChildWnd::SetView(CView* pView, CDocument* pDocument, CMultiDocTemplate* pTemplate) {
    m_pView = pView;
    m_pViewWidget = pView->GetWidget();
    m_pDocument = pDocument;
    m_pTemplate = pTemplate;
    pView->SetDocument(pDocument);
    setWidget(pView->GetWidget());
    connect(pDocument, &CDocument::titleChanged, this, &CMDIChildWnd::OnUpdateFrameTitle);
    connect(pDocument, &CDocument::viewsChanged, this, &CMDIChildWnd::OnUpdateFrameTitle);
    OnUpdateFrameTitle();
}

CView* CMDIChildWnd::GetActiveView() const {
    return m_pViewWidget ? m_pView : nullptr;
}

CDocument* CMDIChildWnd::GetActiveDocument() const {
    return m_pDocument;
}

bool CMDIChildWnd::RouteCmdMsg(unsigned nID, CCmdUI* pCmdUI) {
    if (CView* pView = GetActiveView(); pView != nullptr && pView->OnCmdMsg(nID, pCmdUI))
        return true;
    if (m_pDocument && m_pDocument->OnCmdMsg(nID, pCmdUI))
        return true;
    return OnCmdMsg(nID, pCmdUI);
}

// Several windows on one document are told apart by ":1", ":2", ...
void CMDIChildWnd::OnUpdateFrameTitle() {
    if (!m_pDocument)
        return;
    QString strTitle = m_pDocument->GetTitle();
    const QList<CView*>& views = m_pDocument->GetViews();
    if (views.size() > 1)
        strTitle += QStringLiteral(":%1").arg(views.indexOf(GetActiveView()) + 1);
    setWindowTitle(strTitle);
}
