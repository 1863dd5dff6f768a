#pragma once

#include "app/CHelpWindow.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/mfc/CStatusBar.h"
#include "store/CAddressDatabase.h"

#include <QPointer>

class CContextHelpFilter;
class CDocument;
class CMultiDocTemplate;
#include <QToolBar>

// The main window. It owns the store m_db, which every view and dialog
// receives when it is made, the toolbar and the status bar. Its timer 1 runs
// the duplicate click while the record dialog's "no twins" switch is on; the
// dialog starts and stops it with SetTimer(1, 300) and KillTimer(1).
class CMainFrame : public CMDIFrameWnd {
    Q_OBJECT

public:
    CMainFrame();
    ~CMainFrame() override;

    // Builds the window: commands, menus, toolbar, status bar, title, icon,
    // and OnCreate's steps. False when a part cannot be made.
    bool LoadFrame(unsigned nIDResource);

    // The duplicate click: while "no twins" is on, clicks when the clipboard
    // holds an address that is stored. Every timer of the frame runs it.
    void OnTimer(unsigned nIDEvent) override;

    void OnShowTable();
    void OnAddAddress();
    // Find: asks for a text and opens a table window of the records in which
    // some field contains it. Ctrl+F in a table window calls it too.
    void OnFind();
    void OnMailSettings();
    void OnDatabaseSettings();
    void OnImportAddresses();
    void OnExportAddresses();
    // Shows the sample template, and puts it into the start folder first
    // when the folder has no file of its name.
    void OnSampleTemplate();
    void OnHelpFinder();
    void OnHelp();
    void OnContextHelp();

    // Opens a help page (a file of the shipped guide) in the help window.
    void ShowHelpPage(const QString& strPage);
    CHelpWindow* GetHelpWindow() const { return m_pHelpWindow; }
    bool IsInContextHelpMode() const { return !m_pContextHelp.isNull(); }

    CStatusBar m_wndStatusBar;
    CAddressDatabase m_db;
    QToolBar m_wndToolBar;

protected:
    int OnCreate();

private:
    bool IsStored(const QString& strEMail);
    CMultiDocTemplate* TableTemplate() const;
    void ShowText(const QString& strTitle, const QString& strText);
    static int RowsListed(const CDocument* pDocument);
    QString HelpPageFor(QWidget* pWidget) const;
    void EndContextHelp();

    QPointer<CHelpWindow> m_pHelpWindow;
    QPointer<CContextHelpFilter> m_pContextHelp;
};
