#pragma once

#include "views/CDia_SendCheck.h"
#include "views/CSendRun.h"

#include <QList>

class CAddressDatabase;
class CListCtrl;
class CMDIFrameWnd;
class CSentLookup;
class QWidget;

// Send Mail on the selected rows: every row is checked without sending, the
// user confirms in one dialog (and may have a test mail sent to the sender
// first), then a run sends the mails.
class CSendMailCommand {
public:
    // The started run, a child of pView; null when the user cancelled. The
    // run shows itself in pFrame's status bar and asks before pFrame closes.
    static CSendRun* Run(CAddressDatabase& db, CMDIFrameWnd* pFrame, CListCtrl& list,
                         const QList<int>& items, QWidget* pView);

    // Each row as the check finds it.
    static QList<CDia_SendCheck::Row> CheckRows(CAddressDatabase& db, CListCtrl& list,
                                                const QList<int>& items, const CSentLookup& sent);
    // The rows of the run, with the reasons to skip those the choices leave out.
    static QList<CSendRun::Row> Plan(const QList<CDia_SendCheck::Row>& rows,
                                     const CDia_SendCheck::Choices& choices);
    // Corvane-send-log.csv beside the address file.
    static QString LogPath(const CAddressDatabase& db);

private:
    // Whether the choices leave out a row with these problems.
    static bool IsSkipped(const QList<CRowCheck::Problem>& problems,
                          const CDia_SendCheck::Choices& choices);
    static QString RouteText();
    static QString SenderAddress();
    // The test mail to the sender; true when the user then wants the run.
    static bool SendTest(CAddressDatabase& db, const QList<CSendRun::Row>& rows);
};
