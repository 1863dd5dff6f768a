#pragma once

#include "engine/send/CRateLimiter.h"
#include "engine/send/CRowMail.h"
#include "engine/send/CSendLog.h"
#include "engine/send/CSendOutcome.h"
#include "views/CSendReport.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class CAddressDatabase;
class CMDIFrameWnd;
class QLabel;
class QPushButton;

// One Send Mail run over the rows the user confirmed: one mail at a time,
// each through the store's SendMapiMail, between them back to the event
// loop so the windows repaint and answer. Every attempt becomes a line of
// the send log before the next mail starts. The status bar shows the
// progress, the count sent and a Stop button; Esc stops too. A run ends
// after the mail in hand.
//
// A run of one row shows the messages of its send as boxes, as ever. A run
// of several writes them into a report instead, and pauses once to ask when
// a failure will repeat for every row.
class CSendRun : public QObject {
    Q_OBJECT

public:
    // One row of the run; a row with a skip reason is logged as skipped.
    struct Row {
        CRowMail mail;
        QString strSkipReason;
    };

    // pFrame is the main window: its status bar shows the run, and the report
    // and the pause question open over it. Without one (a program that only
    // sends) the run shows nothing but its boxes.
    CSendRun(QObject* pParent, CAddressDatabase& db, CMDIFrameWnd* pFrame, QList<Row> rows,
             const QString& strLogPath, int nMaxPerMinute);
    ~CSendRun() override;

    // The run going on in this program, or null.
    static CSendRun* Active();

    void Start();
    // Ends the run now, or after the mail in hand.
    void Stop();
    // Asks before pWindow closes while the run goes on; stopping lets it close.
    void GuardClose(QWidget* pWindow);

    bool IsWaiting() const { return m_waitTimer.isActive(); }
    int SentCount() const { return m_nSent; }
    int FailedCount() const { return m_nFailed; }
    int SkippedCount() const { return m_nSkipped; }
    CSendReport* Report() const { return m_pReport; }

Q_SIGNALS:
    // After each row: nDone rows of nTotal are done with.
    void rowDone(int nDone, int nTotal);
    void finished();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    bool IsSeveral() const { return m_rows.size() > 1; }
    void Next();
    CSendOutcome Attempt(const CRowMail& mail, QString* pMessageId);
    bool Record(const CRowMail& mail, CSendLogEntry::Result result, int nError,
                const QString& strMessage, const QString& strMessageId);
    void Advance();
    void Finish();
    void StartStatus();
    void ShowCount();
    void EndStatus();

    CAddressDatabase& m_db;
    QPointer<CMDIFrameWnd> m_pFrame;
    QList<Row> m_rows;
    CSendLog m_log;
    CRateLimiter m_limiter;
    QElapsedTimer m_clock;
    QTimer m_waitTimer;
    qsizetype m_nNext = 0;
    int m_nSent = 0;
    int m_nFailed = 0;
    int m_nSkipped = 0;
    bool m_bInRow = false;
    bool m_bStopRequested = false;
    bool m_bFinished = false;
    QPointer<CSendReport> m_pReport;
    QPointer<QLabel> m_pCount;
    QPointer<QPushButton> m_pStop;
    QList<QPointer<QWidget>> m_guardedWindows;
};
