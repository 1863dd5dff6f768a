#pragma once

#include "engine/send/CMapiSender.h"
#include "engine/send/CPlannedRow.h"
#include "engine/send/CRetrySchedule.h"
#include "engine/send/CRunLog.h"
#include "engine/send/CSendSummary.h"
#include "engine/send/CSendWorker.h"
#include "engine/send/CSteadyClock.h"
#include "views/CSendReport.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <memory>

class CAddressDatabase;
class CMDIFrameWnd;
class QLabel;
class QPushButton;

// The window's side of one Send Mail run: the engine's run works on a thread
// of its own, so the windows repaint and answer while a server is slow or
// silent, and this object draws what it reports. The status bar shows the
// progress, the count sent, a wait (with its countdown) and a Stop button;
// closing a guarded window asks first. Stop ends the run at once: the mail
// in hand counts as not sent unless the server had confirmed it.
//
// A run of one row shows the messages of its send as boxes, as ever. A run
// of several writes them into a report instead, tries temporary failures
// again on its own, and pauses to ask when a failure will repeat for every
// row.
class CSendRun : public QObject {
    Q_OBJECT

public:
    // pFrame is the main window: its status bar shows the run, and the report
    // and the pause question open over it. Without one (a program that only
    // sends) the run shows nothing but its boxes.
    CSendRun(QObject* pParent, CAddressDatabase& db, CMDIFrameWnd* pFrame, QList<CPlannedRow> rows,
             std::unique_ptr<CRunLog> pLog, int nMaxPerMinute,
             CRetrySchedule retries = CRetrySchedule::FromSettings());
    ~CSendRun() override;

    // The run going on in this program, or null.
    static CSendRun* Active();

    void Start();
    // Ends the run now; it reports its end once the mail in hand is given up.
    void Stop();
    // Asks before pWindow closes while the run goes on; stopping lets it close.
    void GuardClose(QWidget* pWindow);

    bool IsWaiting() const { return m_bWaiting; }
    const CSendSummary& Summary() const { return m_summary; }
    CSendReport* Report() const { return m_pReport; }

    // A single mail's messages, as its send always showed them: the warnings
    // in the application's box, the transport's failure in a plain one.
    static void ShowBoxes(const CSendResult& result);

Q_SIGNALS:
    // After each mail: nDone of the nTotal mails to send are done with.
    void rowDone(int nDone, int nTotal);
    void finished();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    bool IsSeveral() const { return m_rows.size() > 1; }
    void OnProgress(int nDone, int nToSend);
    void OnWaiting(qint64 nMs, CSendWorker::WaitReason reason, const QString& strWhy);
    void OnPaused(const CSendResult& result);
    void OnRowDone(int nRow, const CSendResult& result, CSendWorker::Fate fate);
    void OnFinished(const CSendSummary& summary);
    void ShowReport();
    // Stops the run and waits for its thread to end.
    void Join();
    // The same, with the run's end drawn before this returns.
    void StopAndWait();
    void StartStatus();
    void ShowCount();
    void EndStatus();

    CAddressDatabase& m_db;
    QPointer<CMDIFrameWnd> m_pFrame;
    QList<CPlannedRow> m_rows;
    CRateLimiter m_limiter;
    CMapiSender m_sender;
    std::unique_ptr<CRunLog> m_pLog;
    CSteadyClock m_clock;
    std::unique_ptr<CSendWorker> m_pWorker;
    QThread m_thread;
    int m_nDone = 0;
    int m_nToSend = 0;
    CSendSummary m_summary;
    bool m_bFinished = false;
    // A window closes and has stopped the run: no more questions or boxes.
    bool m_bClosing = false;
    bool m_bWaiting = false;
    QDeadlineTimer m_waitEnd;
    QString m_strWaitText;
    QTimer m_countdown;
    QTimer m_abortAgain;
    QPointer<CSendReport> m_pReport;
    QPointer<QLabel> m_pCount;
    QPointer<QPushButton> m_pStop;
    QList<QPointer<QWidget>> m_guardedWindows;
};
