#include "views/CSendRun.h"

#include "views/Globals.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/mfc/CStatusBar.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "views/CDia_SendPause.h"
#include "views/CSendMessageCapture.h"
#include "views/CSendReport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

CSendRun* s_pActive = nullptr;

} // namespace

CSendRun::CSendRun(QObject* pParent, CAddressDatabase& db, CMDIFrameWnd* pFrame, QList<Row> rows,
                   const QString& strLogPath, int nMaxPerMinute)
    : QObject(pParent), m_db(db), m_pFrame(pFrame), m_rows(std::move(rows)), m_log(strLogPath),
      m_limiter(nMaxPerMinute) {
    m_waitTimer.setSingleShot(true);
    connect(&m_waitTimer, &QTimer::timeout, this, &CSendRun::Next);
}

// A run that goes with its table window leaves nothing of itself behind.
CSendRun::~CSendRun() {
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

void CSendRun::Start() {
    s_pActive = this;
    m_clock.start();
    qApp->installEventFilter(this);
    if (IsSeveral()) {
        m_pReport = new CSendReport(m_pFrame);
        m_pReport->show();
    }
    StartStatus();
    QTimer::singleShot(0, this, &CSendRun::Next);
}

void CSendRun::Stop() {
    m_bStopRequested = true;
    if (!m_bInRow)
        Finish();
}

void CSendRun::GuardClose(QWidget* pWindow) {
    m_guardedWindows << pWindow;
    pWindow->installEventFilter(this);
}

bool CSendRun::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (m_bFinished)
        return false;
    if (pEvent->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Escape &&
        QApplication::activeModalWidget() == nullptr) {
        Stop();
        return true;
    }
    if (pEvent->type() == QEvent::Close && m_guardedWindows.contains(pWatched)) {
        if (AfxMessageBox(QStringLiteral("Mails are being sent. Stop sending and close?"),
                          MB_YESNO) == IDYES) {
            Stop();
            return false;
        }
        pEvent->ignore();
        return true;
    }
    return false;
}

// One step of the run: the next row, or the wait the rate limit asks for.
void CSendRun::Next() {
    if (m_bFinished)
        return;
    if (m_bStopRequested || m_nNext >= m_rows.size()) {
        Finish();
        return;
    }
    const Row& row = m_rows[m_nNext];
    if (!row.strSkipReason.isEmpty()) {
        if (Record(row.mail, CSendLogEntry::Result::Skipped, 0, row.strSkipReason, QString()))
            Advance();
        return;
    }
    const qint64 nWait = m_limiter.WaitBefore(m_clock.elapsed());
    if (nWait > 0) {
        m_waitTimer.start(int(nWait));
        ShowCount();
        return;
    }
    m_limiter.Started(m_clock.elapsed());
    m_bInRow = true;
    QString strMessageId;
    const CSendOutcome outcome = Attempt(row.mail, &strMessageId);
    m_bInRow = false;
    const auto result = outcome.m_kind == CSendOutcome::Kind::Sent ? CSendLogEntry::Result::Sent
                                                                   : CSendLogEntry::Result::Failed;
    if (!Record(row.mail, result, outcome.m_nError, outcome.m_strMessage, strMessageId))
        return;
    if (outcome.m_kind == CSendOutcome::Kind::FailedForAll && IsSeveral() && !m_bStopRequested) {
        switch (CDia_SendPause(m_pFrame, outcome.m_strMessage).Ask()) {
        case CDia_SendPause::Retry:
            QTimer::singleShot(0, this, &CSendRun::Next);
            return;
        case CDia_SendPause::SkipRow:
            break;
        case CDia_SendPause::Stop:
            m_bStopRequested = true;
            break;
        }
    }
    Advance();
}

// The mail library opens relative attachment paths from the current folder.
// *pMessageId gets the Message-ID of a mail that went out, when the library
// tells it.
CSendOutcome CSendRun::Attempt(const CRowMail& mail, QString* pMessageId) {
    QDir::setCurrent(g_strStartDir);
    CSendMessageCapture capture(!IsSeveral());
    if (!mail.bTemplateOpened)
        AfxMessageBox(mail.strAssemblyMessage);
    else
        m_db.SendMapiMail(QString(), mail.strEMail, mail.strSubject, mail.strBody,
                          mail.strAttachments, pMessageId);
    return CSendOutcome::FromMessages(capture.Texts());
}

// The attempt goes to the log first; a log that cannot be written ends the
// run, so that no mail goes out without its line.
bool CSendRun::Record(const CRowMail& mail, CSendLogEntry::Result result, int nError,
                      const QString& strMessage, const QString& strMessageId) {
    CSendLogEntry entry;
    entry.time = QDateTime::currentDateTime();
    entry.strEMail = mail.strEMail;
    entry.strName = mail.strName;
    entry.strTemplate = mail.strTemplate;
    entry.strSubject = mail.strSubject;
    entry.result = result;
    entry.nError = nError;
    entry.strMessage = strMessage;
    entry.strMessageId = strMessageId;
    if (!m_log.Append(entry)) {
        AfxMessageBox(QStringLiteral("The send log \"%1\" cannot be written: %2\nSending stops, "
                                     "so that no mail goes out unrecorded.")
                          .arg(m_log.Path(), m_log.ErrorText()));
        m_bStopRequested = true;
        Finish();
        return false;
    }
    switch (result) {
    case CSendLogEntry::Result::Sent:
        ++m_nSent;
        break;
    case CSendLogEntry::Result::Failed:
        ++m_nFailed;
        break;
    case CSendLogEntry::Result::Skipped:
        ++m_nSkipped;
        break;
    }
    const bool bProblem = result != CSendLogEntry::Result::Skipped && !strMessage.isEmpty();
    if (m_pReport && bProblem)
        m_pReport->AddRow(mail.nItem + 1, mail.strEMail, strMessage);
    return true;
}

void CSendRun::Advance() {
    ++m_nNext;
    m_db.m_wndProgress.SetPos(int(100 * m_nNext / m_rows.size()));
    ShowCount();
    Q_EMIT rowDone(int(m_nNext), int(m_rows.size()));
    QTimer::singleShot(0, this, &CSendRun::Next);
}

void CSendRun::Finish() {
    if (m_bFinished)
        return;
    m_bFinished = true;
    m_waitTimer.stop();
    EndStatus();
    if (m_pReport)
        m_pReport->AddSummary(m_nSent, m_nFailed, m_nSkipped, m_log.Path());
    s_pActive = nullptr;
    Q_EMIT finished();
    deleteLater();
}

void CSendRun::StartStatus() {
    m_db.StartProgress(QStringLiteral("Sending EMails: "));
    CStatusBar* pStatusBar = m_pFrame ? m_pFrame->GetMessageBar() : nullptr;
    if (pStatusBar == nullptr)
        return;
    m_pCount = new QLabel(pStatusBar);
    m_pCount->setObjectName(QStringLiteral("sendCount"));
    m_pStop = new QPushButton(QStringLiteral("Stop"), pStatusBar);
    m_pStop->setObjectName(QStringLiteral("sendStop"));
    connect(m_pStop, &QPushButton::clicked, this, &CSendRun::Stop);
    pStatusBar->addPermanentWidget(m_pCount);
    pStatusBar->addPermanentWidget(m_pStop);
    ShowCount();
}

void CSendRun::ShowCount() {
    if (!m_pCount)
        return;
    QString strText = QStringLiteral("%1 of %2 sent").arg(m_nSent).arg(m_rows.size());
    if (IsWaiting())
        strText +=
            QStringLiteral(", waiting to keep to %1 mails a minute").arg(m_limiter.MaxPerMinute());
    m_pCount->setText(strText);
}

void CSendRun::EndStatus() {
    qApp->removeEventFilter(this);
    m_db.m_wndProgress.DestroyWindow();
    delete m_pCount;
    delete m_pStop;
    if (m_pFrame)
        m_pFrame->SetMessageText(QString());
}
