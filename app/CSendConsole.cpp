#include "app/CSendConsole.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kBarWidth = 30;
constexpr int kLineEvery = 100;

// The signal handler's end of a socket pair; the other end wakes the event loop.
int s_nInterruptWrite = -1;
int s_nInterruptRead = -1;

void Print(const QString& strText) {
    std::fputs(qPrintable(strText), stderr);
    std::fflush(stderr);
}

} // namespace

CSendConsole::CSendConsole(CSendWorker& worker, bool bTerminal)
    : m_worker(worker), m_bTerminal(bTerminal) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0) {
        s_nInterruptWrite = fds[0];
        s_nInterruptRead = fds[1];
        m_pInterrupts = new QSocketNotifier(s_nInterruptRead, QSocketNotifier::Read, this);
        connect(m_pInterrupts, &QSocketNotifier::activated, this, &CSendConsole::OnInterruptRead);
        std::signal(SIGINT, &CSendConsole::OnInterrupt);
        std::signal(SIGTERM, &CSendConsole::OnInterrupt);
    }
}

CSendConsole::~CSendConsole() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    delete m_pInterrupts;
    for (int* pFd : {&s_nInterruptWrite, &s_nInterruptRead}) {
        if (*pFd >= 0)
            ::close(*pFd);
        *pFd = -1;
    }
}

// Only a write to the socket is safe in a signal handler.
void CSendConsole::OnInterrupt(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t nWritten = ::write(s_nInterruptWrite, &byte, 1);
}

// The first Ctrl+C lets the mail in hand finish; a second one, for a server
// that keeps the run waiting, ends that mail too, which then counts as not
// sent.
void CSendConsole::OnInterruptRead() {
    char byte = 0;
    [[maybe_unused]] const ssize_t nRead = ::read(s_nInterruptRead, &byte, 1);
    if (m_bStopping) {
        PrintLine(QStringLiteral("Stopping now: the mail in hand counts as not sent."));
        m_worker.Abort();
        return;
    }
    m_bStopping = true;
    PrintLine(QStringLiteral("Stopping after the mail in hand (Ctrl+C again: at once)."));
    m_worker.Stop();
}

CSendSummary CSendConsole::Run() {
    QThread thread;
    QEventLoop loop;
    m_worker.moveToThread(&thread);
    connect(&thread, &QThread::started, &m_worker, &CSendWorker::Run);
    connect(&m_worker, &CSendWorker::finished, &thread, &QThread::quit, Qt::DirectConnection);
    connect(&m_worker, &CSendWorker::progress, this, &CSendConsole::OnProgress);
    connect(&m_worker, &CSendWorker::waiting, this, &CSendConsole::OnWaiting);
    connect(&m_worker, &CSendWorker::paused, this, &CSendConsole::OnPaused);
    connect(&m_worker, &CSendWorker::rowDone, this, &CSendConsole::OnRowDone);
    connect(&m_worker, &CSendWorker::finished, this, [this, &loop](const CSendSummary& summary) {
        m_summary = summary;
        loop.quit();
    });
    thread.start();
    loop.exec();
    thread.wait();
    if (m_bBarShown)
        Print(QStringLiteral("\n"));
    return m_summary;
}

void CSendConsole::OnProgress(int nDone, int nToSend) {
    const QString strCount = QStringLiteral("%1 of %2 mails done: %3 sent, %4 failed")
                                 .arg(nDone)
                                 .arg(nToSend)
                                 .arg(m_nSent)
                                 .arg(m_nFailed);
    if (m_bTerminal) {
        const int nFilled = nToSend > 0 ? kBarWidth * nDone / nToSend : kBarWidth;
        Print(QStringLiteral("\r[%1%2] %3")
                  .arg(QString(nFilled, u'#'), QString(kBarWidth - nFilled, u'.'), strCount));
        m_bBarShown = true;
    } else if (nDone > 0 && (nDone % kLineEvery == 0 || nDone == nToSend)) {
        Print(strCount + u'\n');
    }
}

void CSendConsole::OnWaiting(qint64 nMs, CSendWorker::WaitReason reason, const QString& strWhy) {
    if (reason == CSendWorker::WaitReason::Retry)
        PrintLine(QStringLiteral("Trying again in %1 s: %2")
                      .arg((nMs + 999) / 1000)
                      .arg(QString(strWhy).replace(u'\n', u' ')));
}

void CSendConsole::OnPaused(const CSendResult& result) {
    PrintLine(result.Text() + QStringLiteral("\nThis will fail for every row still to send: "
                                             "stopping."));
    m_worker.AnswerPause(CSendWorker::PauseAnswer::Stop);
}

void CSendConsole::OnRowDone(int nRow, const CSendResult& result, CSendWorker::Fate fate) {
    if (fate == CSendWorker::Fate::Sent)
        ++m_nSent;
    if (fate == CSendWorker::Fate::Failed)
        ++m_nFailed;
    const QString strText = result.Text();
    if ((fate == CSendWorker::Fate::Sent || fate == CSendWorker::Fate::Failed) &&
        !strText.isEmpty()) {
        const CRowMail& mail = m_worker.Rows()[nRow].mail;
        PrintLine(result.RowText(mail.nItem + 1, mail.mail.m_strEMail));
    }
}

void CSendConsole::PrintLine(const QString& strText) {
    Print((m_bBarShown ? QStringLiteral("\n") : QString()) + strText + u'\n');
    m_bBarShown = false;
}
