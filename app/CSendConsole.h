#pragma once

#include "engine/send/CSendSummary.h"
#include "engine/send/CSendWorker.h"

#include <QObject>

class QSocketNotifier;

// The command line's side of a run: the engine's run works on a thread of
// its own while this prints its progress to the error output (a bar that
// redraws itself on a terminal, a line per 100 mails otherwise), each row
// that failed, each wait before a retry, and the end. Nobody is there to
// answer a pause, so a failure that would meet every row stops the run.
// Ctrl+C stops it after the mail in hand, with the log whole; a second
// Ctrl+C ends the mail in hand as well.
class CSendConsole : public QObject {
    Q_OBJECT

public:
    CSendConsole(CSendWorker& worker, bool bTerminal);
    ~CSendConsole() override;

    // Runs the worker to its end and returns what it did.
    CSendSummary Run();

private:
    static void OnInterrupt(int nSignal);
    void OnInterruptRead();
    void OnProgress(int nDone, int nToSend);
    void OnWaiting(qint64 nMs, CSendWorker::WaitReason reason, const QString& strWhy);
    void OnPaused(const CSendResult& result);
    void OnRowDone(int nRow, const CSendResult& result, CSendWorker::Fate fate);
    // A line of its own, below the bar when one is drawn.
    void PrintLine(const QString& strText);

    CSendWorker& m_worker;
    bool m_bTerminal;
    bool m_bBarShown = false;
    bool m_bStopping = false;
    int m_nSent = 0;
    int m_nFailed = 0;
    QSocketNotifier* m_pInterrupts = nullptr;
    CSendSummary m_summary;
};
