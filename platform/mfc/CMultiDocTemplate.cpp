#include "platform/mfc/CMultiDocTemplate.h"

#include "platform/mfc/CDocument.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/mfc/CView.h"
#include "platform/mfc/CWinApp.h"

#include <QMdiArea>

CMultiDocTemplate::CMultiDocTemplate(unsigned nIDResource, DocumentFactory newDocument,
                                     FrameFactory newFrame, ViewFactory newView)
    : m_nIDResource(nIDResource), m_newDocument(std::move(newDocument)),
      m_newFrame(std::move(newFrame)), m_newView(std::move(newView)) {}

CMultiDocTemplate::~CMultiDocTemplate() = default;

QString CMultiDocTemplate::GetDocString(DocStringIndex nIndex) const {
    return m_strDocString.section(QLatin1Char('\n'), nIndex, nIndex);
}

void CMultiDocTemplate::SetViewFactory(ViewFactory newView) {
    m_newView = std::move(newView);
}

bool CMultiDocTemplate::CanOpenDocument() const {
    return m_newDocument && m_newFrame && m_newView && AfxGetMainWnd() != nullptr;
}

CDocument* CMultiDocTemplate::OpenDocumentFile(const QString& strPathName, bool bMakeVisible) {
    if (!CanOpenDocument())
        return nullptr;
    auto* pDocument = m_newDocument();
    CMDIChildWnd* pFrame = CreateNewFrame(pDocument, false);
    const bool bOpened =
        strPathName.isEmpty() ? pDocument->OnNewDocument() : pDocument->OnOpenDocument(strPathName);
    if (!bOpened) {
        delete pFrame; // the document goes with its view
        return nullptr;
    }
    if (!strPathName.isEmpty())
        pDocument->SetPathName(strPathName);
    CView* pView = pFrame->GetActiveView();
    try {
        pView->OnInitialUpdate();
    } catch (...) {
        delete pFrame;
        throw;
    }
    if (bMakeVisible) {
        pFrame->show();
        AfxGetMainWnd()->GetMdiArea()->setActiveSubWindow(pFrame);
    }
    return pDocument;
}

CMDIChildWnd* CMultiDocTemplate::CreateNewFrame(CDocument* pDocument, bool bMakeVisible) {
    if (!CanOpenDocument() || pDocument == nullptr)
        return nullptr;
    CMDIChildWnd* pFrame = m_newFrame();
    pFrame->setWindowIcon(m_icon);
    pFrame->SetView(m_newView(), pDocument, this);
    AfxGetMainWnd()->AddChildFrame(pFrame);
    if (bMakeVisible) {
        pFrame->GetActiveView()->OnInitialUpdate();
        pFrame->show();
        AfxGetMainWnd()->GetMdiArea()->setActiveSubWindow(pFrame);
    }
    return pFrame;
}
