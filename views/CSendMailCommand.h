#pragma once

#include "engine/send/CPlannedRow.h"
#include "engine/send/CSendResult.h"

#include <QList>

class CAddressDatabase;
class CListCtrl;
class CMDIFrameWnd;
class CSendRun;
class QWidget;

// Send Mail on the selected rows: every row is checked without sending, the
// user confirms in one dialog (choosing the mailing's template, and maybe a
// test mail to the sender first), then a run sends the mails.
class CSendMailCommand {
public:
    // The started run, a child of pView; null when the user cancelled. The
    // run shows itself in pFrame's status bar and asks before pFrame closes.
    static CSendRun* Run(CAddressDatabase& db, CMDIFrameWnd* pFrame, CListCtrl& list,
                         const QList<int>& items, QWidget* pView);

    // Corvane-send-log.csv beside the address file.
    static QString LogPath(const CAddressDatabase& db);
    // Where the mails go ("the outbox folder ..." or the server) and as whom.
    static QString RouteText();
    static QString SenderText();

private:
    static QString SenderAddress();
    // The test mail to the sender; true when the user then wants the run.
    static bool SendTest(QWidget* pParent, const QList<CPlannedRow>& plan);
    static CSendResult SendAside(QWidget* pParent, const CMergedMail& mail);
};
