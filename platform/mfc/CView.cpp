#include "platform/mfc/CView.h"

#include "platform/mfc/CDocument.h"
#include "platform/mfc/CMDIChildWnd.h"

#include <QWidget>

CView::CView(QWidget* pWidget) : m_pWidget(pWidget) {}

CView::~CView() {
    SetDocument(nullptr);
}

CDocument* CView::GetDocument() const {
    return m_pDocument;
}

CMDIChildWnd* CView::GetParentFrame() const {
    for (QWidget* pParent = m_pWidget->parentWidget(); pParent != nullptr;
         pParent = pParent->parentWidget()) {
        if (auto* pFrame = qobject_cast<CMDIChildWnd*>(pParent))
            return pFrame;
    }
    return nullptr;
}

void CView::OnInitialUpdate() {}

void CView::SetDocument(CDocument* pDocument) {
    if (m_pDocument == pDocument)
        return;
    CDocument* pOld = m_pDocument;
    m_pDocument = pDocument;
    if (pOld != nullptr)
        pOld->RemoveView(this);
    if (pDocument != nullptr)
        pDocument->AddView(this);
}
