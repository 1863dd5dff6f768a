#pragma once

#include "platform/mfc/CWinApp.h"
#include "views/CViewContext.h"

class CMultiDocTemplate;

// The application object: registers the two kinds of child window (text
// windows, resource 129, and table windows, resource 500), makes the main
// frame and shows it. Other commands open windows of a kind through
// m_pTextTemplate and m_pTableTemplate:
//
//   auto* pApp = static_cast<CCorvaneApp*>(AfxGetApp());
//   CDocument* pDoc = pApp->m_pTextTemplate->OpenDocumentFile(QString(), true);
//
// Table views are made with m_context, which holds the main frame's store,
// the frame itself, the text kind and Find once the main frame is up.
class CCorvaneApp : public CWinApp {
public:
    CCorvaneApp();
    ~CCorvaneApp() override;

    bool InitInstance() override;

    CMultiDocTemplate* m_pTextTemplate = nullptr;
    CMultiDocTemplate* m_pTableTemplate = nullptr;
    CViewContext m_context;

protected:
    void OnAppAbout();
};
