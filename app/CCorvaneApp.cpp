#include "app/CCorvaneApp.h"

#include "app/CAboutDlg.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "platform/mfc/AfxRes.h"
#include "platform/mfc/CMultiDocTemplate.h"
#include "res/CResources.h"
#include "res/Resource.h"
#include "views/CCorvaneDoc.h"
#include "views/CCorvaneView.h"
#include "views/CListView_Table.h"

#include <QApplication>
#include <QTimer>

CCorvaneApp::CCorvaneApp() {
    QCoreApplication::setApplicationName(CResources::AppTitle());
    CResources::Load();
    ON_COMMAND(ID_APP_ABOUT, &CCorvaneApp::OnAppAbout);
    ON_COMMAND(ID_FILE_NEW, &CCorvaneApp::OnFileNew);
    ON_COMMAND(ID_FILE_OPEN, &CCorvaneApp::OnFileOpen);
}

CCorvaneApp::~CCorvaneApp() = default;

bool CCorvaneApp::InitInstance() {
    if (!CWinApp::InitInstance())
        return false;
    QCoreApplication::setOrganizationName(QStringLiteral("Ostwick"));
    LoadStdProfileSettings(10);

    m_pTextTemplate = new CMultiDocTemplate(IDR_CorvaneTYPE, CMultiDocTemplate::Make<CCorvaneDoc>(),
                                            CMultiDocTemplate::Make<CChildFrame>(),
                                            CMultiDocTemplate::Make<CCorvaneView>());
    m_pTextTemplate->SetDocString(
        QStringLiteral("\nCorvane\nCorvane\n\n\nCorvane.Document\nCorvane.Document"));
    m_pTextTemplate->SetIcon(CResources::Icon(IDR_CorvaneTYPE));
    AddDocTemplate(m_pTextTemplate);

    // The table kind has no menu bar and no File New entry.
    m_pTableTemplate = new CMultiDocTemplate(IDR_TABLE, CMultiDocTemplate::Make<CCorvaneDoc>(),
                                             CMultiDocTemplate::Make<CChildFrame>(),
                                             [this] { return new CListView_Table(m_context); });
    m_pTableTemplate->SetIcon(CResources::Icon(IDR_TABLE));
    AddDocTemplate(m_pTableTemplate);

    auto* pMainFrame = new CMainFrame;
    if (!pMainFrame->LoadFrame(IDR_MAINFRAME)) {
        delete pMainFrame;
        return false;
    }
    m_pMainWnd = pMainFrame;
    m_context = {&pMainFrame->m_db, pMainFrame, m_pTextTemplate,
                 [pMainFrame] { pMainFrame->OnFind(); }};

    // The command line opens nothing: Qt has taken its own options already.
    pMainFrame->show();

    // Start-up measurements end the program once the window is up and idle.
    if (qEnvironmentVariableIsSet("CORVANE_EXIT_WHEN_IDLE"))
        QTimer::singleShot(0, pMainFrame, &QCoreApplication::quit);
    return true;
}

void CCorvaneApp::OnAppAbout() {
    CAboutDlg dialog(m_pMainWnd);
    dialog.exec();
}
