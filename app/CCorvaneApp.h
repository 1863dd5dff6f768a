#pragma once

#include "platform/mfc/CWinApp.h"

class CMultiDocTemplate;

// The application object: registers the two kinds of child window (text
// windows, resource 129, and table windows, resource 500), makes the main
// frame and shows it. Other commands open windows of a kind through
// m_pTextTemplate and m_pTableTemplate:
//
//   auto* pApp = static_cast<CCorvaneApp*>(AfxGetApp());
//   CDocument* pDoc = pApp->m_pTextTemplate->OpenDocumentFile(QString(), true);
class CCorvaneApp : public CWinApp {
public:
    CCorvaneApp();
    ~CCorvaneApp() override;

    bool InitInstance() override;

    CMultiDocTemplate* m_pTextTemplate = nullptr;
    CMultiDocTemplate* m_pTableTemplate = nullptr;

protected:
    void OnAppAbout();
};
