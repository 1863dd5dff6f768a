#include "engine/send/CSendWorker.h"

#include "engine/send/CMailSender.h"
#include "engine/send/CRunLog.h"
#include "engine/send/CSendClock.h"
#include "engine/send/CSendLogEntry.h"

#include <QDateTime>
#include <algorithm>

namespace {

CSendLogEntry EntryOf(const CRowMail& mail, CSendLogEntry::Result result) {
    CSendLogEntry entry;
    entry.time = QDateTime::currentDateTime();
    entry.strEMail = mail.mail.m_strEMail;
    entry.strName = mail.row.m_strName;
    entry.strTemplate = mail.strTemplate;
    entry.strSubject = mail.mail.m_strSubject;
    entry.result = result;
    return entry;
}

// The line of an attempt: a failure's message carries the server's words.
CSendLogEntry EntryOf(const CRowMail& mail, const CSendResult& result) {
    CSendLogEntry entry = EntryOf(mail, result.IsSent() ? CSendLogEntry::Result::Sent
                                                        : CSendLogEntry::Result::Failed);
    entry.nError = result.nCode;
    entry.strMessage = result.Text();
    entry.strMessageId = result.strMessageId;
    return entry;
}

} // namespace

CSendWorker::CSendWorker(QList<CPlannedRow> rows, Mode mode, CMailSender& sender, CRunLog& log,
                         CSendClock& clock, CRateLimiter limiter, CRetrySchedule retries)
    : m_rows(std::move(rows)), m_mode(mode), m_sender(sender), m_log(log), m_clock(clock),
      m_limiter(limiter), m_retries(mode == Mode::Mailing ? retries : CRetrySchedule(0)),
      m_reached(m_rows.size(), false) {
    qRegisterMetaType<CSendResult>();
    qRegisterMetaType<CSendSummary>();
    m_nToSend = int(std::count_if(m_rows.begin(), m_rows.end(), [](const CPlannedRow& row) {
        return row.skip == CPlannedRow::Skip::None;
    }));
}

void CSendWorker::Run() {
    Q_EMIT progress(0, m_nToSend);
    while (!IsStopped()) {
        const std::optional<Turn> turn = NextTurn();
        if (!turn) {
            if (m_putOff.isEmpty() || !WaitForPutOff())
                break;
            continue;
        }
        if (!Handle(*turn))
            break;
    }
    Finish();
}

void CSendWorker::Stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
}

void CSendWorker::Abort() {
    Stop();
    m_sender.Abort();
}

void CSendWorker::AnswerPause(PauseAnswer answer) {
    {
        const std::lock_guard lock(m_mutex);
        m_answer = answer;
    }
    m_wake.notify_all();
}

// A put-off row whose time has come goes before the rows not tried yet.
std::optional<CSendWorker::Turn> CSendWorker::NextTurn() {
    const qint64 nNow = m_clock.NowMs();
    const auto due = std::find_if(m_putOff.begin(), m_putOff.end(),
                                  [nNow](const PutOff& putOff) { return putOff.nDueMs <= nNow; });
    if (due != m_putOff.end()) {
        const Turn turn = due->turn;
        m_putOff.erase(due);
        return turn;
    }
    if (m_nNext < m_rows.size())
        return Turn{int(m_nNext++), 0, CSendResult()};
    return std::nullopt;
}

// Only put-off rows are left: the run waits for the first of them.
bool CSendWorker::WaitForPutOff() {
    const auto first =
        std::min_element(m_putOff.begin(), m_putOff.end(),
                         [](const PutOff& a, const PutOff& b) { return a.nDueMs < b.nDueMs; });
    const qint64 nWait = first->nDueMs - m_clock.NowMs();
    if (nWait > 0)
        Q_EMIT waiting(nWait, WaitReason::Retry, first->turn.last.Text());
    return WaitUntil(first->nDueMs);
}

bool CSendWorker::Handle(const Turn& turn) {
    const CPlannedRow& planned = m_rows[turn.nRow];
    m_reached[turn.nRow] = true;
    switch (planned.skip) {
    case CPlannedRow::Skip::AlreadySent:
        ++m_summary.nAlreadySent;
        Q_EMIT rowDone(turn.nRow, CSendResult(), Fate::AlreadySent);
        return true;
    case CPlannedRow::Skip::Problem: {
        CSendLogEntry entry = EntryOf(planned.mail, CSendLogEntry::Result::Skipped);
        entry.strMessage = planned.strSkipReason;
        ++m_summary.nSkipped;
        Q_EMIT rowDone(turn.nRow, CSendResult(), Fate::Skipped);
        return Record(entry);
    }
    case CPlannedRow::Skip::None:
        break;
    }
    if (turn.nRetry > 0)
        return Attempt(turn);
    switch (m_log.Claim(EntryOf(planned.mail, CSendLogEntry::Result::Sent))) {
    case CRunLog::ClaimResult::Granted:
        return Attempt(turn);
    case CRunLog::ClaimResult::Taken:
        ++m_summary.nTakenElsewhere;
        Done(turn.nRow, CSendResult(), Fate::TakenElsewhere);
        return true;
    case CRunLog::ClaimResult::Failed:
        break;
    }
    // Without a claim the mail could go twice; the run ends as it does when
    // an attempt cannot be recorded.
    m_reached[turn.nRow] = false;
    m_summary.strLogError = m_log.ErrorText();
    return false;
}

// The tries of one row until it is sent, fails for good, is put off, or the
// run stops. False when the run ends here. A row the run stops before its
// first try counts as not reached.
bool CSendWorker::Attempt(Turn turn) {
    const CRowMail& mail = m_rows[turn.nRow].mail;
    bool bTried = turn.nRetry > 0;
    for (;;) {
        if (!WaitForRate()) {
            m_reached[turn.nRow] = bTried;
            if (bTried)
                Fail(turn.nRow, turn.last);
            return false;
        }
        m_limiter.Started(m_clock.NowMs());
        turn.last = SendRow(mail);
        bTried = true;
        const bool bRecorded = Record(EntryOf(mail, turn.last));
        if (turn.last.IsSent()) {
            ++m_summary.nSent;
            Done(turn.nRow, turn.last, Fate::Sent);
            return bRecorded;
        }
        const Next next = bRecorded ? AfterFailure(turn) : Next::GiveUp;
        if (next == Next::PutOff)
            return true;
        if (next == Next::GiveUp) {
            Fail(turn.nRow, turn.last);
            return !IsStopped();
        }
    }
}

// A temporary failure waits and tries again, or is put off when only its
// recipient was; once the retries are used up, one that would meet every
// row asks the driver. A single mail is tried once, as ever.
CSendWorker::Next CSendWorker::AfterFailure(Turn& turn) {
    const CSendResult& result = turn.last;
    if (m_mode == Mode::Single || result.IsAborted() || IsStopped())
        return Next::GiveUp;
    if (const std::optional<qint64> nWait =
            result.bTemporary ? m_retries.WaitBefore(turn.nRetry + 1) : std::nullopt) {
        ++turn.nRetry;
        if (result.IsTemporaryForRow()) {
            m_putOff << PutOff{turn, m_clock.NowMs() + *nWait};
            Q_EMIT rowDone(turn.nRow, result, Fate::Deferred);
            return Next::PutOff;
        }
        Q_EMIT waiting(*nWait, WaitReason::Retry, result.Text());
        return WaitUntil(m_clock.NowMs() + *nWait) ? Next::TryAgain : Next::GiveUp;
    }
    if (!result.FailsForEveryRow())
        return Next::GiveUp;
    switch (Pause(result)) {
    case PauseAnswer::Retry:
        turn.nRetry = 0;
        return Next::TryAgain;
    case PauseAnswer::Stop:
        Stop();
        break;
    case PauseAnswer::SkipRow:
        break;
    }
    return Next::GiveUp;
}

CSendResult CSendWorker::SendRow(const CRowMail& mail) {
    if (!mail.bTemplateOpened) {
        CSendResult result = CSendResult::Failed(CSendResult::Stage::TemplateMissing);
        result.strTemplate = mail.strTemplate;
        return result;
    }
    return m_sender.Send(mail.mail);
}

bool CSendWorker::WaitForRate() {
    const qint64 nWait = m_limiter.WaitBefore(m_clock.NowMs());
    if (nWait <= 0)
        return !IsStopped();
    Q_EMIT waiting(nWait, WaitReason::RateLimit, QString());
    return WaitUntil(m_clock.NowMs() + nWait);
}

bool CSendWorker::WaitUntil(qint64 nUntilMs) {
    std::unique_lock lock(m_mutex);
    while (!m_bStop) {
        const qint64 nLeft = nUntilMs - m_clock.NowMs();
        if (nLeft <= 0)
            return true;
        m_clock.WaitFor(lock, m_wake, nLeft);
    }
    return false;
}

// The signal goes out with the lock free, so that a driver on this thread
// may answer from its slot.
CSendWorker::PauseAnswer CSendWorker::Pause(const CSendResult& result) {
    {
        const std::lock_guard lock(m_mutex);
        m_answer.reset();
    }
    Q_EMIT paused(result);
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_answer.has_value() || m_bStop; });
    return m_bStop ? PauseAnswer::Stop : *m_answer;
}

bool CSendWorker::IsStopped() const {
    const std::lock_guard lock(m_mutex);
    return m_bStop;
}

// A log that cannot be written ends the run, so that no mail goes out
// unrecorded.
bool CSendWorker::Record(const CSendLogEntry& entry) {
    if (m_log.Append(entry))
        return true;
    m_summary.strLogError = m_log.ErrorText();
    Stop();
    return false;
}

void CSendWorker::Fail(int nRow, const CSendResult& result) {
    ++m_summary.nFailed;
    Done(nRow, result, Fate::Failed);
}

void CSendWorker::Done(int nRow, const CSendResult& result, Fate fate) {
    ++m_nDone;
    Q_EMIT rowDone(nRow, result, fate);
    Q_EMIT progress(m_nDone, m_nToSend);
}

// Rows still put off when the run stops failed at their last try, which the
// log holds; rows never reached are counted as such.
void CSendWorker::Finish() {
    for (const PutOff& putOff : std::as_const(m_putOff))
        Fail(putOff.turn.nRow, putOff.turn.last);
    m_putOff.clear();
    // A claim that stays held lapses at the end of its lease.
    m_log.ReleaseClaims();
    m_summary.nNotReached = int(std::count(m_reached.begin(), m_reached.end(), false));
    m_summary.bStopped = IsStopped();
    Q_EMIT finished(m_summary);
}
