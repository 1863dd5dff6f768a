#include "platform/mfc/CWinApp.h"

#include "platform/mfc/AfxRes.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/mfc/CMultiDocTemplate.h"
#include "platform/settings/CProfileSettings.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace {

CWinApp* g_pApp = nullptr;

const QString& RecentFileSection() {
    static const QString strSection = QStringLiteral("Recent File List");
    return strSection;
}

QString RecentFileKey(int nIndex) {
    return QStringLiteral("File%1").arg(nIndex + 1);
}

} // namespace

CWinApp* AfxGetApp() {
    return g_pApp;
}

CMDIFrameWnd* AfxGetMainWnd() {
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

CWinApp::CWinApp() {
    g_pApp = this;
    ON_COMMAND(ID_APP_EXIT, &CWinApp::OnAppExit);
}

// The main window goes before the templates its windows were made from.
CWinApp::~CWinApp() {
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    m_templates.clear();
    if (g_pApp == this)
        g_pApp = nullptr;
}

bool CWinApp::InitInstance() {
    return true;
}

int CWinApp::Run() {
    const int nResult = QApplication::exec();
    ExitInstance();
    return nResult;
}

int CWinApp::ExitInstance() {
    return 0;
}

void CWinApp::AddDocTemplate(CMultiDocTemplate* pTemplate) {
    m_templates.emplace_back(pTemplate);
}

void CWinApp::LoadStdProfileSettings(int nMaxMRU) {
    m_nMaxMRU = nMaxMRU;
    m_recentFiles.clear();
    for (int nIndex = 0; nIndex < nMaxMRU; ++nIndex) {
        const QString strPath =
            CProfileSettings::GetProfileString(RecentFileSection(), RecentFileKey(nIndex));
        if (!strPath.isEmpty())
            m_recentFiles.append(strPath);
    }
}

void CWinApp::AddToRecentFileList(const QString& strPathName) {
    if (m_nMaxMRU <= 0)
        return;
    const QString strPath = QFileInfo(strPathName).absoluteFilePath();
    m_recentFiles.removeAll(strPath);
    m_recentFiles.prepend(strPath);
    while (m_recentFiles.size() > m_nMaxMRU)
        m_recentFiles.removeLast();
    SaveRecentFileList();
}

void CWinApp::SaveRecentFileList() const {
    for (int nIndex = 0; nIndex < m_nMaxMRU; ++nIndex)
        CProfileSettings::WriteProfileValue(RecentFileSection(), RecentFileKey(nIndex),
                                            m_recentFiles.value(nIndex));
}

CMultiDocTemplate* CWinApp::GetFileNewTemplate() const {
    for (const auto& pTemplate : m_templates) {
        if (!pTemplate->GetDocString(CMultiDocTemplate::fileNewName).isEmpty())
            return pTemplate.get();
    }
    return nullptr;
}

void CWinApp::OnFileNew() {
    if (CMultiDocTemplate* pTemplate = GetFileNewTemplate())
        pTemplate->OpenDocumentFile(QString(), true);
}

void CWinApp::OnFileOpen() {
    if (m_templates.empty())
        return;
    QFileDialog dialog(m_pMainWnd, QStringLiteral("Open"));
    dialog.setObjectName(QStringLiteral("fileOpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString strPath = dialog.selectedFiles().constFirst();
    if (m_templates.front()->OpenDocumentFile(strPath, true) != nullptr)
        AddToRecentFileList(strPath);
}

void CWinApp::OnAppExit() {
    if (m_pMainWnd != nullptr)
        m_pMainWnd->close();
}
