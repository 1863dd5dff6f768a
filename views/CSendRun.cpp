#include "views/CSendRun.h"

#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/mfc/CStatusBar.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "views/CDia_SendPause.h"
#include "views/Globals.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

namespace {

CSendRun* s_pActive = nullptr;

constexpr int kCountdownMs = 1000;
// The part of the status bar's width that the count takes.
constexpr int kCountSharePercent = 35;
// How often a stop repeats its abort until the run has ended.
constexpr int kAbortAgainMs = 100;

CSendWorker::PauseAnswer AnswerOf(CDia_SendPause::Answer answer) {
    switch (answer) {
    case CDia_SendPause::Retry:
        return CSendWorker::PauseAnswer::Retry;
    case CDia_SendPause::SkipRow:
        return CSendWorker::PauseAnswer::SkipRow;
    case CDia_SendPause::Stop:
        break;
    }
    return CSendWorker::PauseAnswer::Stop;
}

} // namespace

CSendRun::CSendRun(QObject* pParent, CAddressDatabase& db, CMDIFrameWnd* pFrame,
                   QList<CPlannedRow> rows, std::unique_ptr<CRunLog> pLog, int nMaxPerMinute,
                   CRetrySchedule retries)
    : QObject(pParent), m_db(db), m_pFrame(pFrame), m_rows(std::move(rows)),
      m_limiter(nMaxPerMinute), m_pLog(std::move(pLog)) {
    m_pWorker = std::make_unique<CSendWorker>(
        m_rows, IsSeveral() ? CSendWorker::Mode::Mailing : CSendWorker::Mode::Single, m_sender,
        *m_pLog, m_clock, m_limiter, retries);
    m_nToSend = m_pWorker->ToSend();
    m_pWorker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_pWorker.get(), &CSendWorker::Run);
    // The thread ends with the run, whether or not this thread is waiting.
    connect(m_pWorker.get(), &CSendWorker::finished, &m_thread, &QThread::quit,
            Qt::DirectConnection);
    connect(m_pWorker.get(), &CSendWorker::progress, this, &CSendRun::OnProgress);
    connect(m_pWorker.get(), &CSendWorker::waiting, this, &CSendRun::OnWaiting);
    connect(m_pWorker.get(), &CSendWorker::paused, this, &CSendRun::OnPaused);
    connect(m_pWorker.get(), &CSendWorker::rowDone, this, &CSendRun::OnRowDone);
    connect(m_pWorker.get(), &CSendWorker::finished, this, &CSendRun::OnFinished);
    m_countdown.setInterval(kCountdownMs);
    connect(&m_countdown, &QTimer::timeout, this, &CSendRun::ShowCount);
    m_abortAgain.setInterval(kAbortAgainMs);
    connect(&m_abortAgain, &QTimer::timeout, m_pWorker.get(), &CSendWorker::Abort,
            Qt::DirectConnection);
}

// A run that goes with its table window leaves nothing of itself behind.
CSendRun::~CSendRun() {
    Join();
    if (!m_bFinished) {
        m_bFinished = true;
        EndStatus();
    }
    if (s_pActive == this)
        s_pActive = nullptr;
}

CSendRun* CSendRun::Active() {
    return s_pActive;
}

// The mail library opens relative attachment paths from the current folder.
void CSendRun::Start() {
    s_pActive = this;
    QDir::setCurrent(g_strStartDir);
    if (IsSeveral())
        m_pReport = new CSendReport(m_pFrame);
    StartStatus();
    m_thread.start();
}

// The library ends only the calls that wait on a server at the moment of the
// abort: a call that the run began just then would still wait out a silent
// server. So the abort is repeated until the run has ended.
void CSendRun::Stop() {
    m_pWorker->Abort();
    m_abortAgain.start();
}

void CSendRun::Join() {
    if (!m_thread.isRunning())
        return;
    m_bClosing = true;
    do
        m_pWorker->Abort();
    while (!m_thread.wait(kAbortAgainMs));
}

// What the run reported on its way out, its end included, is drawn before
// this returns.
void CSendRun::StopAndWait() {
    Join();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void CSendRun::GuardClose(QWidget* pWindow) {
    m_guardedWindows << pWindow;
    pWindow->installEventFilter(this);
}

bool CSendRun::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (m_bFinished || pEvent->type() != QEvent::Close || !m_guardedWindows.contains(pWatched))
        return false;
    if (AfxMessageBox(QStringLiteral("Mails are being sent. Stop sending and close?"), MB_YESNO) ==
        IDYES) {
        StopAndWait();
        return false;
    }
    pEvent->ignore();
    return true;
}

void CSendRun::OnProgress(int nDone, int nToSend) {
    m_nDone = nDone;
    m_bWaiting = false;
    m_countdown.stop();
    if (nToSend > 0)
        m_db.m_wndProgress.SetPos(100 * nDone / nToSend);
    ShowCount();
    if (nDone > 0)
        Q_EMIT rowDone(nDone, nToSend);
}

void CSendRun::OnWaiting(qint64 nMs, CSendWorker::WaitReason reason, const QString& strWhy) {
    m_bWaiting = true;
    m_waitEnd = QDeadlineTimer(nMs);
    m_strWaitText = reason == CSendWorker::WaitReason::Retry ? strWhy : QString();
    if (reason == CSendWorker::WaitReason::Retry)
        m_countdown.start();
    ShowCount();
}

// A pause the run reported before a closing window stopped it asks nothing.
void CSendRun::OnPaused(const CSendResult& result) {
    m_bWaiting = false;
    m_countdown.stop();
    if (m_bClosing)
        return;
    ShowReport();
    m_pWorker->AnswerPause(AnswerOf(CDia_SendPause(m_pFrame, result.Text()).Ask()));
}

void CSendRun::OnRowDone(int nRow, const CSendResult& result, CSendWorker::Fate fate) {
    switch (fate) {
    case CSendWorker::Fate::Sent:
        ++m_summary.nSent;
        break;
    case CSendWorker::Fate::Failed:
        ++m_summary.nFailed;
        break;
    case CSendWorker::Fate::Deferred:
    case CSendWorker::Fate::Skipped:
    case CSendWorker::Fate::AlreadySent:
    case CSendWorker::Fate::TakenElsewhere:
        return;
    }
    if (!IsSeveral()) {
        if (!m_bClosing)
            ShowBoxes(result);
        return;
    }
    const QString strText = result.Text();
    if (m_pReport && !strText.isEmpty()) {
        const CRowMail& mail = m_rows[nRow].mail;
        m_pReport->AddRow(result.RowText(mail.nItem + 1, mail.mail.m_strEMail));
        ShowReport();
    }
}

// The report opens with the first thing it has to say, a failure or a
// pause, or at the run's end with the summary: a clean run shows nothing
// while it goes.
void CSendRun::ShowReport() {
    if (m_pReport && !m_bClosing && !m_pReport->isVisible())
        m_pReport->show();
}

void CSendRun::ShowBoxes(const CSendResult& result) {
    for (const QString& strWarning : result.Warnings())
        AfxMessageBox(strWarning);
    const QString strFailure = result.BoxText();
    if (result.stage == CSendResult::Stage::TemplateMissing)
        AfxMessageBox(strFailure);
    else if (!strFailure.isEmpty())
        MessageBoxA(nullptr, strFailure, QString(), MB_OK);
}

void CSendRun::OnFinished(const CSendSummary& summary) {
    m_summary = summary;
    m_bFinished = true;
    EndStatus();
    if (!summary.strLogError.isEmpty())
        AfxMessageBox(summary.LogErrorText(m_pLog->Where()));
    if (m_pReport) {
        m_pReport->AddSummary(summary, m_pLog->Where());
        ShowReport();
    }
    if (s_pActive == this)
        s_pActive = nullptr;
    Q_EMIT finished();
    deleteLater();
}

// The count gets a fixed share of the status bar, so that the progress
// bar, placed over the message pane once the count and Stop are in, keeps
// its room whatever the count says.
void CSendRun::StartStatus() {
    CStatusBar* pStatusBar = m_pFrame ? m_pFrame->GetMessageBar() : nullptr;
    if (pStatusBar != nullptr) {
        m_pCount = new QLabel(pStatusBar);
        m_pCount->setObjectName(QStringLiteral("sendCount"));
        m_pCount->setFixedWidth(pStatusBar->width() * kCountSharePercent / 100);
        m_pStop = new QPushButton(QStringLiteral("Stop"), pStatusBar);
        m_pStop->setObjectName(QStringLiteral("sendStop"));
        connect(m_pStop, &QPushButton::clicked, this, &CSendRun::Stop);
        pStatusBar->addPermanentWidget(m_pCount);
        pStatusBar->addPermanentWidget(m_pStop);
        pStatusBar->layout()->activate();
    }
    m_db.StartProgress(QStringLiteral("Sending EMails: "));
    ShowCount();
}

// Short, and cut to the count's room where it is still too long; the whole
// text, with the reason of a retry, is the tooltip.
void CSendRun::ShowCount() {
    if (!m_pCount)
        return;
    QString strText = QStringLiteral("%1 of %2 sent").arg(m_summary.nSent).arg(m_nToSend);
    if (m_summary.nFailed > 0)
        strText += QStringLiteral(", %1 failed").arg(m_summary.nFailed);
    QString strWhy;
    if (m_bWaiting && m_strWaitText.isEmpty()) {
        strText += QStringLiteral(", waiting (%1/min)").arg(m_limiter.MaxPerMinute());
    } else if (m_bWaiting) {
        strText += QStringLiteral(", retry in %1 s").arg((m_waitEnd.remainingTime() + 999) / 1000);
        strWhy = QString(m_strWaitText).replace(u'\n', u' ');
    }
    if (m_limiter.IsLimited() && m_nDone < m_nToSend)
        strText += QStringLiteral(", done ~%1").arg(m_limiter.EndText(m_nToSend - m_nDone));
    m_pCount->setToolTip(strWhy.isEmpty() ? strText : strText + u'\n' + strWhy);
    m_pCount->setText(m_pCount->fontMetrics().elidedText(strText, Qt::ElideRight,
                                                         m_pCount->contentsRect().width()));
}

void CSendRun::EndStatus() {
    m_countdown.stop();
    m_abortAgain.stop();
    m_db.m_wndProgress.DestroyWindow();
    delete m_pCount;
    delete m_pStop;
    if (m_pFrame)
        m_pFrame->SetMessageText(QString());
}
