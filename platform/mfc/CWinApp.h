#pragma once

#include "platform/mfc/CCmdTarget.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class CMDIFrameWnd;
class CMultiDocTemplate;

// The application object's base: the document templates, the main window,
// the recent-file list in the settings file, and File New / File Open.
// Exactly one exists; AfxGetApp and AfxGetMainWnd reach it from anywhere:
//
//   auto* pFrame = static_cast<CMainFrame*>(AfxGetMainWnd());
//   pFrame->m_db.SaveRecord(...);
//
// The QApplication is made before it (main.cpp, or QTEST_MAIN in tests).
// The application's own commands are mapped in its constructor; it is the
// last stop of the command route.
class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    virtual bool InitInstance();
    // Runs the event loop, then ExitInstance; returns the exit code.
    int Run();
    virtual int ExitInstance();

    // Takes ownership. The first registered kind is the first in every list.
    void AddDocTemplate(CMultiDocTemplate* pTemplate);
    const std::vector<std::unique_ptr<CMultiDocTemplate>>& GetDocTemplates() const {
        return m_templates;
    }

    // The recent-file list, kept in section "Recent File List" of the
    // settings file (File1 ... FileN, newest first).
    void LoadStdProfileSettings(int nMaxMRU);
    void AddToRecentFileList(const QString& strPathName);
    QStringList GetRecentFileList() const { return m_recentFiles; }

    // The application's main window; deleted with the application.
    CMDIFrameWnd* m_pMainWnd = nullptr;

protected:
    // File New: a new window of the kind that offers File New, without asking.
    void OnFileNew();
    // File Open: asks for a file, opens it as a document of the first kind.
    void OnFileOpen();
    void OnAppExit();

private:
    // The first kind whose document string names a File New entry.
    CMultiDocTemplate* GetFileNewTemplate() const;
    void SaveRecentFileList() const;

    std::vector<std::unique_ptr<CMultiDocTemplate>> m_templates;
    QStringList m_recentFiles;
    int m_nMaxMRU = 0;
};

CWinApp* AfxGetApp();
CMDIFrameWnd* AfxGetMainWnd();
