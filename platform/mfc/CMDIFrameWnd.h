#pragma once

#include "platform/mfc/CCmdTarget.h"
#include "platform/mfc/CStatusBar.h"
#include "platform/mfc/CTimerMap.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>

class CDocument;
class CMDIChildWnd;
class CView;
class QAction;
class QMdiArea;
class QMenu;

// The MDI main window: a QMainWindow around a QMdiArea, and the one place
// where commands enter the program.
//
// Commands. Every command id has one QAction (RegisterCommand); menus of
// every menu bar and the toolbar share it, so their states agree. Triggering
// it runs ExecuteCommand, which routes the id to the active view, its
// document, its child frame, this frame and the application, and runs the
// first handler found. The route is refreshed into the actions' enabled and
// checked states (UpdateCommandUI) when a menu opens, when the active child
// changes and on a short idle timer; a command nobody handles is disabled.
// Handlers, timers (OnTimer) and anything else passed to CallGuarded run
// inside the engine-error guard: an exception shows its text in a message
// box, abandons that handler and the program goes on.
//
// Menus. SetMenuBar(nIDResource, menus) records a menu bar. The frame's own
// (the resource id given to the constructor) shows with no child window; a
// child window whose kind has a menu bar shows that one; a kind without one
// leaves the bar as it was. A Window menu (one that holds the window
// commands) lists the open windows whenever it opens, as MDI programs do.
//
// Timers: SetTimer(nID, ms) / KillTimer(nID) per id; OnTimer(nID) receives
// them. The status bar (if one was set with SetStatusBar) carries
// SetMessageText in pane 0, and menu prompts while an item is highlighted.
class CMDIFrameWnd : public QMainWindow, public CCmdTarget {
    Q_OBJECT

public:
    explicit CMDIFrameWnd(unsigned nIDResource, QWidget* pParent = nullptr);
    ~CMDIFrameWnd() override;

    QMdiArea* GetMdiArea() const { return m_pMdiArea; }
    CMDIChildWnd* MDIGetActive() const;
    QList<CMDIChildWnd*> GetChildFrames() const;
    CView* GetActiveView() const;
    CDocument* GetActiveDocument() const;
    void AddChildFrame(CMDIChildWnd* pFrame);

    // Commands.
    void RegisterCommand(unsigned nID, QAction* pAction);
    QAction* GetCommandAction(unsigned nID) const;
    bool RouteCmdMsg(unsigned nID, CCmdUI* pCmdUI);
    bool IsCommandEnabled(unsigned nID);
    void ExecuteCommand(unsigned nID);
    void UpdateCommandUI();
    void CallGuarded(const std::function<void()>& function);

    // Menu bars by resource id. A command's item may read differently in
    // different menu bars: itemTexts gives the texts this bar shows.
    void SetMenuBar(unsigned nIDResource, const QList<QMenu*>& menus,
                    const QHash<unsigned, QString>& itemTexts = {});
    unsigned GetShownMenuBar() const { return m_nShownMenuBar; }

    // Status bar.
    void SetStatusBar(CStatusBar* pStatusBar);
    CStatusBar* GetMessageBar() const { return m_pStatusBar; }
    void SetMessageText(const QString& strText);
    void SetIdleText(const QString& strText) { m_strIdleText = strText; }

    // Title: the frame's own, plus " - " and the active document's title.
    void SetTitle(const QString& strTitle);
    const QString& GetTitle() const { return m_strTitle; }

    // Window timers of this frame.
    void SetTimer(unsigned nIDEvent, int nElapse);
    bool KillTimer(unsigned nIDEvent);
    bool IsTimerActive(unsigned nIDEvent) const { return m_timers.IsActive(nIDEvent); }

protected:
    virtual void OnTimer(unsigned nIDEvent);
    // Closes every child window at once (for destructors of derived frames,
    // whose members the views may still use while they go).
    void DestroyChildFrames();

    // The framework's main-frame commands, mapped here.
    void OnViewToolBar();
    void OnViewStatusBar();
    void OnUpdateControlBarMenu(CCmdUI* pCmdUI);
    void OnWindowNew();
    void OnWindowCascade();
    void OnWindowTile();
    void OnWindowArrange();
    void OnUpdateMDIWindowCmd(CCmdUI* pCmdUI);

    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;

private:
    void OnChildActivated();
    void OnIdle();
    void OnUpdateFrameMenu();
    void OnUpdateFrameTitle();
    void OnUpdateKeyIndicators();
    void ShowMenuBar(unsigned nIDResource);
    bool IsWindowMenu(const QMenu* pMenu) const;
    void OnUpdateWindowList(QMenu* pMenu);
    QWidget* ControlBarOf(unsigned nID) const;

    const unsigned m_nIDResource;
    QMdiArea* m_pMdiArea;
    QPointer<CStatusBar> m_pStatusBar;
    QHash<unsigned, QAction*> m_actions;
    QList<unsigned> m_commandOrder;
    QHash<unsigned, QList<QMenu*>> m_menuBars;
    QHash<unsigned, QHash<unsigned, QString>> m_menuItemTexts;
    QHash<QMenu*, QList<QAction*>> m_windowListItems; // the open windows' items of a Window menu
    unsigned m_nShownMenuBar = 0;
    QString m_strTitle;
    QString m_strIdleText;
    QTimer m_idleUpdate;
    CTimerMap m_timers;
};
