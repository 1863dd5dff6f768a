// Send Mail at scale from a table window, to real SMTP servers on 127.0.0.1:
// the check before sending with the mailing's template, the run with its
// report, retries without a person, a window that answers while a server is
// silent, Stop, the send log and resume, the rate limit, a process killed
// while it sends, the Message-ID of each mail in the log.

#include "CAppFixture.h"
#include "CMimeSummary.h"
#include "CSmtpTestServer.h"
#include "app/CMainFrame.h"
#include "engine/send/CSendLog.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CStatusBar.h"
#include "platform/settings/CProfileSettings.h"
#include "res/Resource.h"
#include "views/CEMailHint.h"
#include "views/CListView_Table.h"
#include "views/CSendReport.h"
#include "views/CSendRun.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRunTimeoutMs = 240000;

QString Address(int nRow) {
    return u"user%1@example.com"_s.arg(nRow, 4, 10, QLatin1Char('0'));
}

// The Message-ID of each message file, by its recipient, as Python's parser
// reads them.
QMap<QString, QString> MessageIdsByRecipient(const QStringList& arrPaths) {
    QMap<QString, QString> messageIds;
    for (const QString& strPath : arrPaths) {
        const QJsonObject summary = CMimeSummary::Of(strPath);
        messageIds.insert(summary[u"to"][0][1].toString(), summary[u"message_id"].toString());
    }
    return messageIds;
}

QStringList LoggedAddresses(const QList<CSendLogEntry>& entries, CSendLogEntry::Result result) {
    QStringList arrAddresses;
    for (const CSendLogEntry& entry : entries) {
        if (entry.result == result)
            arrAddresses << entry.strEMail;
    }
    return arrAddresses;
}

} // namespace

class TestSendRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void outageThenResumeSendsEachAddressOnce();
    void refusedRecipientGoesToTheReport();
    void unreachableServerPausesWithRetrySkipStop();
    void escapeNeverStopsTheRunStopDoes();
    void rateLimitSpacesTheMails();
    void singleRowShowsTodaysMessage();
    void testMailGoesToTheSenderFirst();
    void testMailCancelledDuringAStallSendsNothing();
    void closingAsksBeforeStopping();
    void killedSenderLeavesEveryFinishedMailLogged();
    void programSaysQuitWhenItEnds();
    void recordDialogHintsAtRefusedAddress();
    void logNamesTheMessageIdEachAddressGot_data();
    void logNamesTheMessageIdEachAddressGot();
    void templateOutsideTheFolderGoesOnlyWhenChosen_data();
    void templateOutsideTheFolderGoesOnlyWhenChosen();
    void throttlingServerIsTriedAgainWithoutAPerson();
    void recipientPutOffIsTriedAgainAlone();
    void windowAnswersWhileTheServerIsSilent();
    void stopEndsTheRunDuringAStall();
    void mailingTemplateChosenInTheCheck();

private:
    bool StartServer(CSmtpTestServer& server, const QStringList& arrOptions = {});
    // nRows addresses user0001@... added to the store, all its records shown
    // in a table, all selected.
    void ShowRows(int nRows, const QString& strTemplate = u"offer.txt"_s);
    // Send Mail with the check dialog answered by Send, after pChoose.
    void Send(const std::function<void(QDialog*)>& choose = {});
    bool WaitForRunEnd();
    // The scripted server of the mail library's tests, as the mail server.
    bool StartScripted(CSmtpTestServer& server, const QStringList& arrOptions);
    QList<CSendLogEntry> Log() const;

    std::unique_ptr<CAppFixture> m_pCorvane;
    CListView_Table* m_pTable = nullptr;
};

void TestSendRun::init() {
    m_pCorvane = std::make_unique<CAppFixture>();
    QVERIFY(m_pCorvane->IsReady());
    QVERIFY(m_pCorvane->WriteFile(u"offer.txt"_s, "#SUBJECT Offer for #NAME\r\nDear #NAME.\r\n"));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MAIL"_s, u"MAPI"_s, 1));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Transport"_s, u"smtp"_s));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Sender"_s,
                                                u"Ostwick Sales <sales@example.com>"_s));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"MaxPerMinute"_s, 0));
    // The tests of pauses meet them at once; those of retries turn them on.
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"RetryMinutes"_s, 0));
}

void TestSendRun::cleanup() {
    m_pTable = nullptr;
    m_pCorvane.reset();
}

bool TestSendRun::StartServer(CSmtpTestServer& server, const QStringList& arrOptions) {
    if (!server.Start(arrOptions)) {
        qWarning("%s", qPrintable(server.ErrorText()));
        return false;
    }
    return CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Server"_s, server.Url(u"smtp"_s));
}

bool TestSendRun::StartScripted(CSmtpTestServer& server, const QStringList& arrOptions) {
    if (!server.Start(arrOptions, u"scripted_smtp_server.py"_s)) {
        qWarning("%s", qPrintable(server.ErrorText()));
        return false;
    }
    return CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Server"_s, server.Url(u"smtp"_s));
}

void TestSendRun::ShowRows(int nRows, const QString& strTemplate) {
    QVERIFY(m_pCorvane->ExecuteSql(
        u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO ADDRESSES (Date, EMail, Prefix, Name, Template, MY_1, MY_2, MY_3, MY_4, "
        "MY_5) SELECT '2026-12-01 10:00:00', printf('user%04d@example.com', i), ' ', "
        "printf('User %d', i), '%2', ' ', ' ', ' ', ' ', ' ' FROM n"_s.arg(nRows)
            .arg(strTemplate)));
    m_pCorvane->Command(ID_SHOW_TABLE);
    m_pTable = m_pCorvane->ActiveTable();
    QVERIFY(m_pTable != nullptr);
    const int nRecords = int(m_pCorvane->StoredRecords().size());
    QCOMPARE(m_pTable->GetItemCount(), nRecords);
    QVERIFY(QTest::qWaitForWindowExposed(m_pTable));
    m_pTable->setFocus();
    QTest::keyClick(m_pTable, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(m_pTable->GetSelectedCount(), nRecords);
}

void TestSendRun::Send(const std::function<void(QDialog*)>& choose) {
    CAppFixture::WhenDialog(u"sendCheck"_s, [choose](QDialog* pDialog) {
        if (choose)
            choose(pDialog);
        CAppFixture::Click(pDialog, u"buttonSend"_s);
    });
    m_pCorvane->Command(ID_SEND_MAIL);
}

bool TestSendRun::WaitForRunEnd() {
    QElapsedTimer waited;
    waited.start();
    while (CSendRun::Active() != nullptr && waited.elapsed() < kRunTimeoutMs)
        QTest::qWait(20);
    return CSendRun::Active() == nullptr;
}

QList<CSendLogEntry> TestSendRun::Log() const {
    return CSendLog(m_pCorvane->FilePath(QString(CSendLog::kFileName))).Read();
}

// The server goes away while 1,000 mails go out: the run pauses once and is
// stopped. With the server back, the same rows again: the check finds the
// mails the log shows as sent, the headline counts only the others, and only
// those are sent, with no line for the rows left out. No address gets two
// mails.
void TestSendRun::outageThenResumeSendsEachAddressOnce() {
    auto pFirst = std::make_unique<CSmtpTestServer>(m_pCorvane->FilePath(u"first"_s));
    QVERIFY(StartServer(*pFirst));
    ShowRows(1000);

    int nPauses = 0;
    Send();
    CSendRun* pRun = CSendRun::Active();
    QVERIFY(pRun != nullptr);
    connect(pRun, &CSendRun::rowDone, this, [&](int nDone) {
        if (nDone != 375)
            return;
        pFirst->Stop();
        CAppFixture::WhenDialog(u"sendPause"_s, [&nPauses](QDialog* pDialog) {
            ++nPauses;
            CAppFixture::Click(pDialog, u"buttonStop"_s);
        });
    });
    QVERIFY(WaitForRunEnd());
    QCOMPARE(nPauses, 1);
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    const int nFirst = pFirst->MessageCount();
    QVERIFY2(nFirst >= 375 && nFirst < 1000, qPrintable(QString::number(nFirst)));
    const QStringList arrFirst = pFirst->Recipients();
    QList<CSendLogEntry> entries = Log();
    QCOMPARE(LoggedAddresses(entries, CSendLogEntry::Result::Sent), arrFirst);
    // The mail after the last one the server took fails; the one on its way
    // when the server went may fail too, as the run goes on while the
    // window hears of the row before.
    const QStringList arrFailed = LoggedAddresses(entries, CSendLogEntry::Result::Failed);
    QVERIFY2(!arrFailed.isEmpty() && arrFailed.size() <= 2, qPrintable(arrFailed.join(u' ')));
    QCOMPARE(arrFailed.first(), Address(nFirst + 1));
    QCOMPARE(entries.last().nError, 23);

    CSmtpTestServer second(m_pCorvane->FilePath(u"second"_s));
    QVERIFY(StartServer(second));
    bool bSkipSentOffered = false;
    QString strHeadline;
    Send([&](QDialog* pDialog) {
        auto* pSkip = pDialog->findChild<QAbstractButton*>(u"checkSkipSent"_s);
        bSkipSentOffered = pSkip != nullptr && pSkip->isChecked() &&
                           pSkip->text().contains(QString::number(nFirst));
        strHeadline = pDialog->findChild<QLabel*>(u"sendCheckSummary"_s)->text();
    });
    QPointer<CSendReport> pReport = CSendRun::Active()->Report();
    QVERIFY(WaitForRunEnd());
    QVERIFY(bSkipSentOffered);
    QVERIFY2(strHeadline.startsWith(u"%1 mails through"_s.arg(1000 - nFirst)),
             qPrintable(strHeadline));
    QCOMPARE(second.MessageCount(), 1000 - nFirst);
    const QStringList arrAll = arrFirst + second.Recipients();
    QCOMPARE(arrAll.size(), 1000);
    QCOMPARE(QSet<QString>(arrAll.begin(), arrAll.end()).size(), 1000);
    entries = Log();
    QCOMPARE(LoggedAddresses(entries, CSendLogEntry::Result::Sent).size(), 1000);
    QCOMPARE(LoggedAddresses(entries, CSendLogEntry::Result::Skipped).size(), 0);
    QCOMPARE(entries.size(), 1000 + arrFailed.size());
    QVERIFY(pReport != nullptr);
    QVERIFY2(pReport->Text().contains(u"Sent: %1, failed: 0, skipped: 0. Already sent before, as "
                                      "the send log shows: %2."_s.arg(1000 - nFirst)
                                          .arg(nFirst)),
             qPrintable(pReport->Text()));
}

// One recipient in the middle is refused: one line in the report, no box,
// and the other 49 go out.
void TestSendRun::refusedRecipientGoesToTheReport() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server, {u"--refuse-recipient"_s, Address(25)}));
    ShowRows(50);
    Send();
    QPointer<CSendReport> pReport = CSendRun::Active()->Report();
    // The report opens with the failure, not before.
    bool bShownBefore = true;
    bool bShownAfter = false;
    connect(CSendRun::Active(), &CSendRun::rowDone, this, [&](int nDone) {
        if (nDone == 10)
            bShownBefore = pReport != nullptr && pReport->isVisible();
        if (nDone == 40)
            bShownAfter = pReport != nullptr && pReport->isVisible();
    });
    QVERIFY(WaitForRunEnd());
    QVERIFY(!bShownBefore);
    QVERIFY(bShownAfter);
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    QCOMPARE(server.MessageCount(), 49);
    QVERIFY(!server.Recipients().contains(Address(25)));
    QVERIFY(pReport != nullptr && pReport->isVisible());
    const QString strReport = pReport->Text();
    QCOMPARE(strReport.count(u"Row "_s), 1);
    QVERIFY(
        strReport.contains(u"Row 25, %1:\n    Can not SendMail, Error = 14"_s.arg(Address(25))));
    QVERIFY(strReport.contains(u"Sent: 49, failed: 1, skipped: 0."_s));
    const QList<CSendLogEntry> entries = Log();
    QCOMPARE(entries.size(), 50);
    QCOMPARE(entries[24].result, CSendLogEntry::Result::Failed);
    QCOMPARE(entries[24].nError, 14);
    QCOMPARE(entries[24].strSubject, u"Offer for User 25"_s);
}

// No server listens: each row's failure would repeat for every row, so the
// run asks instead of showing a box. Retry tries the same row again, Skip
// this row goes on with the next, Stop ends the run.
void TestSendRun::unreachableServerPausesWithRetrySkipStop() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    server.Stop();
    ShowRows(5);
    QStringList arrAnswers{u"buttonRetry"_s, u"buttonSkipRow"_s, u"buttonStop"_s};
    QString strAsked;
    std::function<void()> answerNext = [&] {
        CAppFixture::WhenDialog(u"sendPause"_s, [&](QDialog* pDialog) {
            strAsked = pDialog->findChild<QLabel*>(u"sendPauseText"_s)->text();
            CAppFixture::Click(pDialog, arrAnswers.takeFirst());
            if (!arrAnswers.isEmpty())
                answerNext();
        });
    };
    answerNext();
    Send();
    QPointer<CSendReport> pReport = CSendRun::Active()->Report();
    QVERIFY(WaitForRunEnd());
    QVERIFY(arrAnswers.isEmpty());
    // The library meets the closed port at logon or at send, as it connects.
    QVERIFY2(strAsked.contains(u", Error = 23"_s) &&
                 strAsked.endsWith(u"\n\nThis will fail for "
                                   "every row still to send."_s),
             qPrintable(strAsked));
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    const QList<CSendLogEntry> entries = Log();
    QCOMPARE(LoggedAddresses(entries, CSendLogEntry::Result::Failed),
             (QStringList{Address(1), Address(1), Address(2)}));
    QCOMPARE(entries.size(), 3);
    QVERIFY(pReport != nullptr);
    // Every row counted once: two failed, three not reached.
    QVERIFY2(pReport->Text().contains(u"Sent: 0, failed: 2, skipped: 0. Not reached before the "
                                      "run stopped: 3."_s),
             qPrintable(pReport->Text()));
}

// Esc (closing a menu, say) never stops a run; Stop does, at once. While the
// run goes on, Delete leaves the table and the file alone. Every mail the
// server got is in the log, and no other.
void TestSendRun::escapeNeverStopsTheRunStopDoes() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"MaxPerMinute"_s, 600));
    ShowRows(20);
    Send();
    CSendRun* pRun = CSendRun::Active();
    QVERIFY(pRun != nullptr);
    connect(pRun, &CSendRun::rowDone, this, [this](int nDone) {
        if (nDone == 2)
            QTest::keyClick(m_pTable, Qt::Key_Escape);
        if (nDone == 3)
            m_pCorvane->Command(ID_DELETE_ADDRESS);
        if (nDone == 7)
            QTest::mouseClick(m_pCorvane->Frame()->findChild<QPushButton*>(u"sendStop"_s),
                              Qt::LeftButton);
    });
    QVERIFY(WaitForRunEnd());
    const int nSent = server.MessageCount();
    QVERIFY2(nSent >= 7 && nSent < 20, qPrintable(QString::number(nSent)));
    QCOMPARE(LoggedAddresses(Log(), CSendLogEntry::Result::Sent), server.Recipients());
    QCOMPARE(m_pTable->GetItemCount(), 20);
    QCOMPARE(m_pCorvane->StoredRecords().size(), 20);
    QVERIFY(m_pCorvane->Frame()->findChild<QLabel*>(u"sendCount"_s) == nullptr);
}

// 10 mails at 120 a minute cannot take less than 9 gaps of half a second,
// and the status bar says that the run waits, in the room beside its panes
// that the window's default width leaves, without cutting a word. A clean
// run opens its report only at its end.
void TestSendRun::rateLimitSpacesTheMails() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"MaxPerMinute"_s, 120));
    ShowRows(10);
    QElapsedTimer elapsed;
    elapsed.start();
    Send();
    QList<int> arrPositions;
    QProgressBar* pBar = m_pCorvane->Frame()->GetMessageBar()->findChild<QProgressBar*>();
    QVERIFY(pBar != nullptr);
    connect(pBar, &QProgressBar::valueChanged, this,
            [&arrPositions](int nPos) { arrPositions << nPos; });
    QPointer<CSendReport> pReport = CSendRun::Active()->Report();
    CStatusBar* pStatusBar = m_pCorvane->Frame()->GetMessageBar();
    bool bWaitShown = false;
    bool bReportShown = false;
    QStringList arrOverlaps;
    while (CSendRun::Active() != nullptr && elapsed.elapsed() < kRunTimeoutMs) {
        bReportShown = bReportShown || (pReport != nullptr && pReport->isVisible());
        auto* pCount = pStatusBar->findChild<QLabel*>(u"sendCount"_s);
        if (pCount != nullptr) {
            bWaitShown =
                bWaitShown || pCount->text().contains(u"sent, waiting (120/min), done ~"_s);
            const QRect count = pCount->geometry();
            if (!pStatusBar->rect().contains(count))
                arrOverlaps << u"outside the status bar"_s;
            if (count.intersects(pBar->geometry()))
                arrOverlaps << u"over the progress bar"_s;
            for (int nPane = 1; nPane < pStatusBar->GetCount(); ++nPane) {
                QRect pane;
                pStatusBar->GetItemRect(nPane, &pane);
                if (count.intersects(pane))
                    arrOverlaps << u"over pane %1"_s.arg(nPane);
            }
            if (pCount->fontMetrics().horizontalAdvance(pCount->text()) >
                pCount->contentsRect().width())
                arrOverlaps << u"cut: "_s + pCount->text();
        }
        QTest::qWait(20);
    }
    QVERIFY(CSendRun::Active() == nullptr);
    QVERIFY2(arrOverlaps.isEmpty(), qPrintable(arrOverlaps.join(u", "_s)));
    QVERIFY(!bReportShown);
    QVERIFY(pReport != nullptr && pReport->isVisible());
    QVERIFY(pReport->Text().contains(u"Sent: 10, failed: 0"_s));
    QVERIFY2(elapsed.elapsed() >= 4500, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(bWaitShown);
    QCOMPARE(server.MessageCount(), 10);
    QCOMPARE(arrPositions, (QList<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

// One row goes as it always went: its message as a box, no report.
void TestSendRun::singleRowShowsTodaysMessage() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    ShowRows(1, u"missing.txt"_s);
    Send([](QDialog* pDialog) {
        if (auto* pSend = pDialog->findChild<QRadioButton*>(u"radioSendProblems"_s))
            pSend->setChecked(true);
    });
    QVERIFY(WaitForRunEnd());
    QCOMPARE(m_pCorvane->BoxTexts(),
             QStringList{u"Can not open a template file \"missing.txt\""_s});
    QVERIFY(m_pCorvane->Frame()->findChild<CSendReport*>() == nullptr);
    QCOMPARE(server.MessageCount(), 0);
    const QList<CSendLogEntry> entries = Log();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].result, CSendLogEntry::Result::Failed);
}

// The first row's mail goes to the sender, marked, before the run; the run
// starts once the user says so.
void TestSendRun::testMailGoesToTheSenderFirst() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    ShowRows(3);
    Send([](QDialog* pDialog) {
        pDialog->findChild<QAbstractButton*>(u"checkTestFirst"_s)->setChecked(true);
    });
    QVERIFY(WaitForRunEnd());
    QCOMPARE(m_pCorvane->BoxTexts(),
             QStringList{u"The test mail went to sales@example.com. Send the mails now?"_s});
    QCOMPARE(server.Recipients(),
             (QStringList{u"sales@example.com"_s, Address(1), Address(2), Address(3)}));
    QVERIFY(server.MessageBytes(1).contains("Subject: [Test] Offer for User 1"));
    QVERIFY(server.MessageBytes(2).contains("Subject: Offer for User 1\r\n"));
    QCOMPARE(Log().size(), 3);
}

// The test mail meets a server that keeps silent after its data: the window
// keeps answering, so the test mail's progress can be cancelled; that ends
// the mail at once, shows no box and starts no mailing.
void TestSendRun::testMailCancelledDuringAStallSendsNothing() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"scripted"_s));
    QVERIFY(StartScripted(server, {u"--stall"_s, u"DOT"_s}));
    qputenv("CORVANE_MAIL_STALL_SECONDS", "10");
    const auto restore = qScopeGuard([] { qunsetenv("CORVANE_MAIL_STALL_SECONDS"); });
    ShowRows(3);
    QElapsedTimer cancelled;
    bool bAnswered = false;
    Send([&](QDialog* pDialog) {
        pDialog->findChild<QAbstractButton*>(u"checkTestFirst"_s)->setChecked(true);
        CAppFixture::WhenDialog(u"sendTestProgress"_s, [&](QDialog* pProgress) {
            QTRY_VERIFY(server.Commands().contains(u"DOT"_s));
            cancelled.start();
            QTest::mouseClick(pProgress->findChild<QPushButton*>(), Qt::LeftButton);
            bAnswered = true;
        });
    });
    QVERIFY(bAnswered);
    QVERIFY2(cancelled.elapsed() < 5000, qPrintable(QString::number(cancelled.elapsed())));
    QVERIFY(CSendRun::Active() == nullptr);
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    QTRY_COMPARE(server.Recipients(), QStringList{u"sales@example.com"_s});
    QVERIFY(!QFile::exists(m_pCorvane->FilePath(QString(CSendLog::kFileName))));
}

// Closing the table window or the program while mails go out asks first: No
// keeps the windows and the run, Yes stops the run after the mail in hand and
// closes.
void TestSendRun::closingAsksBeforeStopping() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"MaxPerMinute"_s, 300));
    ShowRows(20);
    Send();
    CSendRun* pRun = CSendRun::Active();
    QVERIFY(pRun != nullptr);
    CMDIChildWnd* pChild = m_pCorvane->Frame()->MDIGetActive();
    QTRY_VERIFY(server.MessageCount() >= 2);
    m_pCorvane->m_arrAnswers = {IDNO, IDNO};
    pChild->close();
    m_pCorvane->Frame()->close();
    QVERIFY(m_pCorvane->Frame()->isVisible());
    QCOMPARE(m_pCorvane->ChildCount(), 1);
    QCOMPARE(CSendRun::Active(), pRun);
    m_pCorvane->m_arrAnswers = {IDYES};
    pChild->close();
    QVERIFY(CSendRun::Active() == nullptr);
    QTRY_COMPARE(m_pCorvane->ChildCount(), 0);
    QCOMPARE(m_pCorvane->BoxTexts(),
             (QStringList(3, u"Mails are being sent. Stop sending and close?"_s)));
    const int nSent = server.MessageCount();
    QVERIFY(nSent < 20);
    QCOMPARE(LoggedAddresses(Log(), CSendLogEntry::Result::Sent), server.Recipients());
    QTest::qWait(300);
    QCOMPARE(server.MessageCount(), nSent);
}

// A program sending through the same path is killed mid-run: each mail the
// log calls sent reached the server, at most the one in hand is missing from
// the log, and the file is still whole CSV lines.
void TestSendRun::killedSenderLeavesEveryFinishedMailLogged() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    const QString strFolder = m_pCorvane->FilePath(u"child"_s);
    QVERIFY(QDir().mkpath(strFolder));
    QVERIFY(QFile::copy(m_pCorvane->FilePath(u"offer.txt"_s), strFolder + u"/offer.txt"_s));
    QProcess child;
    child.start(QStringLiteral(SEND_CHILD), {strFolder, u"400"_s});
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(server.MessageCount() >= 40, 60000);
    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    QFile file(strFolder + u"/"_s + CSendLog::kFileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.endsWith("\r\n"));
    const QList<QStringList> records = CSendLog::ParseCsv(bytes);
    for (const QStringList& record : records)
        QCOMPARE(record.size(), 9);
    const QStringList arrLogged =
        LoggedAddresses(CSendLog(file.fileName()).Read(), CSendLogEntry::Result::Sent);
    const QStringList arrReceived = server.Recipients();
    QCOMPARE(records.size(), arrLogged.size() + 1);
    QVERIFY(arrLogged.size() >= 40);
    QVERIFY2(arrReceived.size() - arrLogged.size() <= 1,
             qPrintable(u"%1 %2"_s.arg(arrReceived.size()).arg(arrLogged.size())));
    QCOMPARE(arrLogged, arrReceived.mid(0, arrLogged.size()));
}

// A program that sent a run through the same path ends normally: the run
// went over one connection, which the program's end closes with QUIT.
void TestSendRun::programSaysQuitWhenItEnds() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"scripted"_s));
    QVERIFY2(server.Start({}, u"scripted_smtp_server.py"_s), qPrintable(server.ErrorText()));
    QVERIFY(
        CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Server"_s, server.Url(u"smtp"_s)));
    const QString strFolder = m_pCorvane->FilePath(u"child"_s);
    QVERIFY(QDir().mkpath(strFolder));
    QVERIFY(QFile::copy(m_pCorvane->FilePath(u"offer.txt"_s), strFolder + u"/offer.txt"_s));
    QProcess child;
    child.start(QStringLiteral(SEND_CHILD), {strFolder, u"5"_s});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);

    QCOMPARE(server.MessageCount(), 5);
    QCOMPARE(server.ConnectionCount(), 1);
    const QStringList arrCommands = server.Commands();
    QCOMPARE(arrCommands.count(u"QUIT"_s), 1);
    QCOMPARE(arrCommands.last(), u"QUIT"_s);
}

void TestSendRun::recordDialogHintsAtRefusedAddress() {
    bool bHintForRefused = false;
    bool bHintForPlain = true;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        auto* pHint = pDialog->findChild<CEMailHint*>(u"emailHint"_s);
        CAppFixture::TypeRecord(pDialog, {u"Jane Doe <jane@example.com>"_s});
        bHintForRefused = pHint != nullptr && pHint->IsShown();
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        CAppFixture::TypeRecord(pDialog, {u"jane@example.com"_s});
        bHintForPlain = pHint == nullptr || pHint->IsShown();
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    m_pCorvane->Command(ID_ADD_ADDRESS);
    QVERIFY(bHintForRefused);
    QVERIFY(!bHintForPlain);
    QCOMPARE(m_pCorvane->StoredRecords().size(), 1);
    QCOMPARE(m_pCorvane->StoredRecords()[0][2], u"Jane Doe <jane@example.com>"_s);
}

void TestSendRun::logNamesTheMessageIdEachAddressGot_data() {
    QTest::addColumn<bool>("bOutbox");
    QTest::newRow("SMTP server") << false;
    QTest::newRow("outbox folder") << true;
}

// Each line of the log names the Message-ID of the mail its address got, as
// the receiving side reads it. The subjects start with a minus, which the log
// marks for spreadsheets and reads back unmarked.
void TestSendRun::logNamesTheMessageIdEachAddressGot() {
    QFETCH(bool, bOutbox);
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    const QString strOutbox = m_pCorvane->FilePath(u"outbox"_s);
    if (bOutbox) {
        QVERIFY(QDir().mkpath(strOutbox));
        QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Transport"_s, u"outbox"_s));
        QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Outbox"_s, strOutbox));
    }
    QVERIFY(m_pCorvane->WriteFile(u"sale.txt"_s, "#SUBJECT -50% for #NAME\r\nDear #NAME.\r\n"));
    ShowRows(5, u"sale.txt"_s);
    Send();
    QVERIFY(WaitForRunEnd());

    QStringList arrMessages;
    if (bOutbox) {
        for (const QString& strName : QDir(strOutbox).entryList({u"*.eml"_s}, QDir::Files))
            arrMessages << QDir(strOutbox).filePath(strName);
    } else {
        for (int n = 1; n <= server.MessageCount(); ++n)
            arrMessages << server.MessagePath(n);
    }
    const QMap<QString, QString> received = MessageIdsByRecipient(arrMessages);
    QCOMPARE(received.size(), 5);
    const QList<CSendLogEntry> entries = Log();
    QCOMPARE(entries.size(), 5);
    for (const CSendLogEntry& entry : entries) {
        QCOMPARE(entry.result, CSendLogEntry::Result::Sent);
        QVERIFY(entry.strMessageId.startsWith(u'<'));
        QCOMPARE(entry.strMessageId, received.value(entry.strEMail));
    }
    QCOMPARE(entries[0].strSubject, u"-50% for User 1"_s);
    QFile log(m_pCorvane->FilePath(QString(CSendLog::kFileName)));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains(",'-50% for User 1,"));
}

void TestSendRun::templateOutsideTheFolderGoesOnlyWhenChosen_data() {
    QTest::addColumn<bool>("bChoose");
    QTest::newRow("left out by default") << false;
    QTest::newRow("chosen") << true;
}

// A record names a file beside the start folder as its template: the check
// lists it as a problem of its own, and its mail goes only when the user
// ticks that it should, whatever is chosen for the other problems.
void TestSendRun::templateOutsideTheFolderGoesOnlyWhenChosen() {
    QFETCH(bool, bChoose);
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    QDir outside(m_pCorvane->Dir());
    QVERIFY(outside.cdUp());
    QTemporaryFile privateFile(outside.filePath(u"private-XXXXXX.txt"_s));
    QVERIFY(privateFile.open());
    privateFile.write("#SUBJECT Private\r\nThe mail password is hunter2.\r\n");
    privateFile.close();
    const QString strOutside = u"../"_s + QFileInfo(privateFile).fileName();
    QVERIFY(m_pCorvane->ExecuteSql(
        u"INSERT INTO ADDRESSES (Date, EMail, Prefix, Name, Template, MY_1, MY_2, MY_3, MY_4, "
        "MY_5) VALUES ('2026-12-01 10:00:00', 'mallory@example.com', ' ', 'Mallory', '%1', ' ', "
        "' ', ' ', ' ', ' ')"_s.arg(strOutside)));
    ShowRows(2);
    QString strProblems;
    Send([&](QDialog* pDialog) {
        strProblems = pDialog->findChild<QPlainTextEdit*>(u"sendCheckProblems"_s)->toPlainText();
        pDialog->findChild<QRadioButton*>(u"radioSendProblems"_s)->setChecked(true);
        if (bChoose)
            pDialog->findChild<QAbstractButton*>(u"checkSendOutside"_s)->setChecked(true);
    });
    QVERIFY(WaitForRunEnd());
    QCOMPARE(strProblems, u"The template lies outside the folder Corvane started in (1 rows):\n"
                          "    row 1: mallory@example.com (%1)"_s.arg(strOutside));
    QCOMPARE(server.Recipients().contains(u"mallory@example.com"_s), bChoose);
    QCOMPARE(server.MessageCount(), bChoose ? 3 : 2);
}

// A server that throttles answers the first two tries of the first mail
// with 421: the run waits and tries again by itself, no pause comes up, every
// mail goes, and the log holds each failed try with the server's words.
void TestSendRun::throttlingServerIsTriedAgainWithoutAPerson() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"scripted"_s));
    QVERIFY(StartScripted(server, {u"--reply"_s, u"DOT=421 4.7.0 Try again later"_s,
                                   u"--reply-count"_s, u"DOT=2"_s}));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"RetryMinutes"_s, 60));
    qputenv("CORVANE_RETRY_FIRST_MS", "200");
    const auto restore = qScopeGuard([] { qunsetenv("CORVANE_RETRY_FIRST_MS"); });
    ShowRows(3);
    bool bPaused = false;
    QObject* pPauseWatch = CAppFixture::WhenDialog(u"sendPause"_s, [&bPaused](QDialog* pDialog) {
        bPaused = true;
        CAppFixture::Click(pDialog, u"buttonStop"_s);
    });
    Send();
    QVERIFY(WaitForRunEnd());
    delete pPauseWatch;
    QVERIFY(!bPaused);
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    QCOMPARE(server.Recipients(), (QStringList{Address(1), Address(2), Address(3)}));
    const QList<CSendLogEntry> entries = Log();
    QCOMPARE(LoggedAddresses(entries, CSendLogEntry::Result::Failed),
             (QStringList{Address(1), Address(1)}));
    QCOMPARE(LoggedAddresses(entries, CSendLogEntry::Result::Sent),
             (QStringList{Address(1), Address(2), Address(3)}));
    QCOMPARE(entries[0].nError, 23);
    QVERIFY2(entries[0].strMessage.contains(u"421 4.7.0 Try again later"_s),
             qPrintable(entries[0].strMessage));
}

// One recipient is put off (451 to its RCPT): the run goes on with the
// others and tries that one alone again later; it does not pause.
void TestSendRun::recipientPutOffIsTriedAgainAlone() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"scripted"_s));
    QVERIFY(StartScripted(
        server, {u"--rcpt-reply"_s, Address(2) + u"=451 4.7.1 Greylisted, try again later"_s}));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"RetryMinutes"_s, 60));
    qputenv("CORVANE_RETRY_FIRST_MS", "500");
    const auto restore = qScopeGuard([] { qunsetenv("CORVANE_RETRY_FIRST_MS"); });
    ShowRows(4);
    Send();
    QPointer<CSendReport> pReport = CSendRun::Active()->Report();
    QVERIFY(WaitForRunEnd());
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    QCOMPARE(server.Recipients(), (QStringList{Address(1), Address(3), Address(4), Address(2)}));
    const QList<CSendLogEntry> entries = Log();
    QCOMPARE(LoggedAddresses(entries, CSendLogEntry::Result::Failed), QStringList{Address(2)});
    QVERIFY2(entries[1].strMessage.contains(u"451 4.7.1 Greylisted"_s),
             qPrintable(entries[1].strMessage));
    QVERIFY(pReport != nullptr);
    QVERIFY2(pReport->Text().startsWith(u"Sent: 4, failed: 0, skipped: 0."_s),
             qPrintable(pReport->Text()));
}

// While the server keeps silent after the data for 10 s, the window's event
// loop keeps turning: a timer of the test never waits more than 200 ms. The
// single mail then fails with the transport's message and is logged so.
void TestSendRun::windowAnswersWhileTheServerIsSilent() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"scripted"_s));
    QVERIFY(StartScripted(server, {u"--stall"_s, u"DOT"_s}));
    qputenv("CORVANE_MAIL_STALL_SECONDS", "10");
    const auto restore = qScopeGuard([] { qunsetenv("CORVANE_MAIL_STALL_SECONDS"); });
    ShowRows(1);
    QElapsedTimer sinceTick;
    qint64 nLongestMs = 0;
    QTimer tick;
    tick.setInterval(20);
    connect(&tick, &QTimer::timeout, this,
            [&] { nLongestMs = qMax(nLongestMs, sinceTick.restart()); });
    QElapsedTimer elapsed;
    CAppFixture::WhenDialog(u"sendCheck"_s, [&](QDialog* pDialog) {
        elapsed.start();
        sinceTick.start();
        tick.start();
        CAppFixture::Click(pDialog, u"buttonSend"_s);
    });
    m_pCorvane->Command(ID_SEND_MAIL);
    QVERIFY(WaitForRunEnd());
    tick.stop();
    QVERIFY2(elapsed.elapsed() >= 9000, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY2(nLongestMs < 200, qPrintable(QString::number(nLongestMs)));
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList{u"Can not SendMail, Error = 23"_s});
    QCOMPARE(LoggedAddresses(Log(), CSendLogEntry::Result::Failed), QStringList{Address(1)});
}

// Stop while the server keeps silent after the first mail's data: the run
// ends at once, long before the server's minute is up, and that mail is
// logged as not sent.
void TestSendRun::stopEndsTheRunDuringAStall() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"scripted"_s));
    QVERIFY(StartScripted(server, {u"--stall"_s, u"DOT"_s}));
    ShowRows(3);
    Send();
    QTRY_VERIFY(server.Commands().contains(u"DOT"_s));
    QElapsedTimer stopped;
    stopped.start();
    QTest::mouseClick(m_pCorvane->Frame()->findChild<QPushButton*>(u"sendStop"_s), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(CSendRun::Active() == nullptr, 5000);
    QVERIFY2(stopped.elapsed() < 5000, qPrintable(QString::number(stopped.elapsed())));
    const QList<CSendLogEntry> entries = Log();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].result, CSendLogEntry::Result::Failed);
    QCOMPARE(entries[0].nError, 1);
    QVERIFY2(entries[0].strMessage.contains(u"not sent"_s), qPrintable(entries[0].strMessage));
}

// The rows have no template of their own. The check starts with the
// folder's first template, whose #MY_1 every row leaves empty, and says so;
// the user picks another, for every row. The stored records keep theirs, and
// the log names the template the mails were made with.
void TestSendRun::mailingTemplateChosenInTheCheck() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY(StartServer(server));
    QVERIFY(m_pCorvane->WriteFile(u"news.txt"_s, "#SUBJECT News\r\nYour #MY_1.\r\n"));
    ShowRows(3, u" "_s);
    QString strDefault;
    QString strWarnings;
    bool bWarningsGone = false;
    Send([&](QDialog* pDialog) {
        auto* pTemplate = pDialog->findChild<QComboBox*>(u"comboMailingTemplate"_s);
        auto* pWarnings = pDialog->findChild<QPlainTextEdit*>(u"sendCheckWarnings"_s);
        strDefault = pTemplate->currentText();
        strWarnings = pWarnings->toPlainText();
        pTemplate->setCurrentIndex(pTemplate->findText(u"offer.txt"_s));
        bWarningsGone = pWarnings->isHidden();
    });
    QVERIFY(WaitForRunEnd());
    QCOMPARE(strDefault, u"news.txt"_s);
    QCOMPARE(strWarnings, u"#MY_1 is empty in 3 rows:\n"
                          "    row 1: user0001@example.com (news.txt)\n"
                          "    row 2: user0002@example.com (news.txt)\n"
                          "    row 3: user0003@example.com (news.txt)"_s);
    QVERIFY(bWarningsGone);
    QCOMPARE(server.Recipients(), (QStringList{Address(1), Address(2), Address(3)}));
    QVERIFY(server.MessageBytes(3).contains("Subject: Offer for User 3"));
    for (const QStringList& record : m_pCorvane->StoredRecords())
        QCOMPARE(record[5], u" "_s);
    for (const CSendLogEntry& entry : Log())
        QCOMPARE(entry.strTemplate, u"offer.txt"_s);
}

QTEST_MAIN(TestSendRun)
#include "tst_sendrun.moc"
