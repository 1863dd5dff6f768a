#pragma once

#include "engine/send/CPlannedRow.h"
#include "engine/send/CRateLimiter.h"
#include "engine/send/CRetrySchedule.h"
#include "engine/send/CSendResult.h"
#include "engine/send/CSendSummary.h"

#include <QList>
#include <QObject>
#include <condition_variable>
#include <mutex>
#include <optional>

class CMailSender;
class CRunLog;
class CSendClock;
struct CSendLogEntry;

// One Send Mail run over the planned rows, widget-free: it makes no window
// and shows nothing, so the program's window and its command line both
// drive it, each drawing what it emits in its own way.
//
// Run() does the whole run on the thread that calls it (a worker thread,
// so that the window never waits on a server): one mail at a time, each
// attempt in the log before the next mail starts, the starts spaced by the
// rate limit. In a mailing (several rows, or the command line), a temporary
// failure is tried again on the retry schedule: the same mail after a wait,
// or, when only its recipient was put off, later while the other rows go
// on; a failure that would meet every row pauses the run until the driver
// answers. A single mail is tried once, as ever.
//
// Stop, Abort and AnswerPause may be called from any thread. A stop ends
// waits at once and the run after the mail in hand; an abort also ends the
// call in hand, which then counts as not sent.
class CSendWorker : public QObject {
    Q_OBJECT

public:
    enum class Mode { Single, Mailing };
    enum class Fate { Sent, Failed, Deferred, Skipped, AlreadySent, TakenElsewhere };
    Q_ENUM(Fate)
    enum class WaitReason { RateLimit, Retry };
    Q_ENUM(WaitReason)
    enum class PauseAnswer { Retry, SkipRow, Stop };
    Q_ENUM(PauseAnswer)

    CSendWorker(QList<CPlannedRow> rows, Mode mode, CMailSender& sender, CRunLog& log,
                CSendClock& clock, CRateLimiter limiter, CRetrySchedule retries);

    const QList<CPlannedRow>& Rows() const { return m_rows; }
    // The rows the run means to send: those not left out.
    int ToSend() const { return m_nToSend; }

    void Run();
    void Stop();
    void Abort();
    void AnswerPause(PauseAnswer answer);

Q_SIGNALS:
    // nDone of the nToSend mails are done with (sent, failed for good, or
    // taken by another run).
    void progress(int nDone, int nToSend);
    // The run waits nMs before its next try; strWhy is the failure a retry
    // waits after.
    void waiting(qint64 nMs, CSendWorker::WaitReason reason, const QString& strWhy);
    // A failure that would meet every row: the run waits for AnswerPause.
    void paused(const CSendResult& result);
    // Row nRow of the plan is dealt with for now.
    void rowDone(int nRow, const CSendResult& result, CSendWorker::Fate fate);
    void finished(const CSendSummary& summary);

private:
    // A turn of one row: its first try, or a later one after a put-off,
    // with the result of the try before.
    struct Turn {
        int nRow;
        int nRetry;
        CSendResult last;
    };
    struct PutOff {
        Turn turn;
        qint64 nDueMs;
    };
    // What follows a failed try.
    enum class Next { TryAgain, PutOff, GiveUp };

    std::optional<Turn> NextTurn();
    bool WaitForPutOff();
    bool Handle(const Turn& turn);
    bool Attempt(Turn turn);
    Next AfterFailure(Turn& turn);
    CSendResult SendRow(const CRowMail& mail);
    bool WaitForRate();
    bool WaitUntil(qint64 nUntilMs);
    PauseAnswer Pause(const CSendResult& result);
    bool IsStopped() const;
    bool Record(const CSendLogEntry& entry);
    void Fail(int nRow, const CSendResult& result);
    void Done(int nRow, const CSendResult& result, Fate fate);
    void Finish();

    QList<CPlannedRow> m_rows;
    Mode m_mode;
    CMailSender& m_sender;
    CRunLog& m_log;
    CSendClock& m_clock;
    CRateLimiter m_limiter;
    CRetrySchedule m_retries;
    int m_nToSend = 0;
    qsizetype m_nNext = 0;
    int m_nDone = 0;
    QList<PutOff> m_putOff;
    QList<bool> m_reached;
    CSendSummary m_summary;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStop = false;
    std::optional<PauseAnswer> m_answer;
};
