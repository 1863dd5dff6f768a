#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QString>

class CMDIFrameWnd;
class QMenu;
class QToolBar;

// The program's commands as its resources describe them: for each id the
// menu text, the prompt ("status-bar text\ntooltip"), the accelerator keys,
// the toolbar picture; the two menu bars (128 for the main frame, 129 for
// text windows) and toolbar 128. Everything is built here, once, as one
// QAction per command that all menus and the toolbar share.
class CCommandTable {
public:
    struct Command {
        unsigned nID;
        QString strMenuText;
        QString strPrompt;
        QList<QKeySequence> keys;
        QString strPicture;
        bool bCheckable;
    };

    static const QList<Command>& Commands();

    // The prompt's halves: before "\n" for the status bar, after it for tips.
    static QString StatusText(const Command& command);
    static QString ToolTip(const Command& command);

    // One action per command, registered with pFrame (keys work at once).
    static void CreateActions(CMDIFrameWnd* pFrame);
    // Menu bar nIDResource (128 or 129) from the registered actions.
    static void CreateMenuBar(unsigned nIDResource, CMDIFrameWnd* pFrame);
    // Toolbar 128: nine buttons and two separators.
    static void CreateToolBar(QToolBar* pToolBar, CMDIFrameWnd* pFrame);

    static const QList<unsigned>& ToolBarButtons();
};
