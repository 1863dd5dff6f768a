// Preview Mail and Send Mail on the rows a user selected in a table window;
// Send delivers to a real SMTP server on 127.0.0.1 through the mail library.

#include "CSmtpTestServer.h"
#include "app/CMainFrame.h"
#include "views/Globals.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/settings/CProfileSettings.h"
#include "res/Resource.h"
#include "CAppFixture.h"
#include "views/CCorvaneView.h"
#include "views/CListView_Table.h"
#include "views/CSendReport.h"
#include "views/CSendRun.h"

#include <QChildEvent>
#include <QDialog>
#include <QJsonArray>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString s_strJane = u"jane@example.com"_s;
const QString s_strLost = u"lost@example.com"_s;
const QString s_strBob = u"bob@example.org"_s;

// The positions of every progress bar that comes up in a status bar.
class ProgressRecorder : public QObject {
public:
    explicit ProgressRecorder(QWidget* pStatusBar) { pStatusBar->installEventFilter(this); }
    QList<int> m_arrPositions;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        if (pEvent->type() != QEvent::ChildPolished)
            return false;
        if (auto* pBar = qobject_cast<QProgressBar*>(static_cast<QChildEvent*>(pEvent)->child()))
            connect(pBar, &QProgressBar::valueChanged, this,
                    [this](int nPos) { m_arrPositions << nPos; });
        return false;
    }
};

QString Header(const QString& strEMail) {
    return u"================= %1 ================="_s.arg(strEMail);
}

} // namespace

class TestPreviewSend : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void previewListsTheRowWithoutTemplateOnTop();
    void previewOfOneRowWithoutTemplateTellsInABox();
    void previewOfOneRowNamesItsAddress();
    void previewTitleNamesTheWalkedRow();
    void previewWithoutSelectionTells();
    void sendDeliversEachSelectedRow();
    void sendWithoutSelectionDoesNothing();

private:
    // Selects rows nFirst to nLast with a click and a Shift+click.
    void SelectRows(int nFirst, int nLast);
    CCorvaneView* ActiveTextView() const;

    std::unique_ptr<CAppFixture> m_pCorvane;
    CListView_Table* m_pTable = nullptr;
};

void TestPreviewSend::init() {
    m_pCorvane = std::make_unique<CAppFixture>();
    QVERIFY(m_pCorvane->IsReady());
    QVERIFY(m_pCorvane->WriteFile(u"offer.txt"_s, "#SUBJECT Offer for #NAME\r\n"
                                                  "Dear #PREFIX #NAME,\r\nour offer.\r\n"));
    QVERIFY(m_pCorvane->WriteFile(u"news.txt"_s, "#SUBJECT News\nHello #NAME\n"));
    m_pCorvane->AddAddresses({{s_strJane, u"Dr."_s, u"Jane Smith"_s, u"offer.txt"_s},
                              {s_strLost, u"Mr."_s, u"Lost"_s, u"missing.txt"_s},
                              {s_strBob, u"Mr."_s, u"Bob"_s, u"news.txt"_s}});
    m_pCorvane->Command(ID_SHOW_TABLE);
    m_pTable = m_pCorvane->ActiveTable();
    QVERIFY(m_pTable != nullptr);
    QCOMPARE(m_pTable->GetItemCount(), 3);
    QVERIFY(QTest::qWaitForWindowExposed(m_pTable));
}

void TestPreviewSend::cleanup() {
    m_pCorvane.reset();
}

void TestPreviewSend::SelectRows(int nFirst, int nLast) {
    const auto point = [this](int nItem) {
        return m_pTable->visualRect(m_pTable->model()->index(nItem, 2)).center();
    };
    QTest::mouseClick(m_pTable->viewport(), Qt::LeftButton, {}, point(nFirst));
    if (nLast != nFirst)
        QTest::mouseClick(m_pTable->viewport(), Qt::LeftButton, Qt::ShiftModifier, point(nLast));
}

CCorvaneView* TestPreviewSend::ActiveTextView() const {
    CMDIChildWnd* pChild = m_pCorvane->Frame()->MDIGetActive();
    return pChild ? dynamic_cast<CCorvaneView*>(pChild->GetActiveView()) : nullptr;
}

// The middle row's template is missing: no box, the row named on top, the
// other two blocks in row order, and the walk counted all three.
void TestPreviewSend::previewListsTheRowWithoutTemplateOnTop() {
    SelectRows(0, 2);
    QCOMPARE(m_pTable->GetSelectedCount(), 3);
    ProgressRecorder progress(&m_pCorvane->Frame()->m_wndStatusBar);
    m_pCorvane->Command(ID_PREVIEW_MAIL);

    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    QCOMPARE(progress.m_arrPositions, (QList<int>{33, 66, 100}));
    QCOMPARE(m_pCorvane->ActiveTitle(), u"Mail Preview for 3 addresses"_s);
    CCorvaneView* pView = ActiveTextView();
    QVERIFY(pView != nullptr);
    const QString strText = pView->GetText();
    QVERIFY2(strText.startsWith(u"No mail for 1 of the 3 addresses: their template cannot be "
                                "opened.\nCan not open a template file \"missing.txt\":\n"
                                "    Row 2, lost@example.com\n\n\n"_s + Header(s_strJane)),
             qPrintable(strText));
    QVERIFY(strText.indexOf(Header(s_strBob)) > 0);
    QVERIFY(!strText.contains(Header(s_strLost)));
    QVERIFY(strText.contains(u"Subject:\t\t\tOffer for Jane Smith \n"_s));
    QVERIFY(strText.endsWith(u"Hello Bob \n\n\n"_s));
    QVERIFY(g_strPreviewText.isEmpty());
    QVERIFY(m_pCorvane->Frame()->m_db.m_wndProgress.GetSafeHwnd() == nullptr);
    QCOMPARE(m_pCorvane->Frame()->m_wndStatusBar.GetPaneText(0), QString());

    // A clipboard window opened afterwards follows the clipboard.
    m_pCorvane->Command(ID_FILE_NEW);
    QVERIFY(ActiveTextView() != pView);
    QCOMPARE(ActiveTextView()->GetText(), QString());
    QVERIFY(ActiveTextView()->IsTimerRunning());
}

// One row keeps the box, and the preview is empty.
void TestPreviewSend::previewOfOneRowWithoutTemplateTellsInABox() {
    SelectRows(1, 1);
    m_pCorvane->Command(ID_PREVIEW_MAIL);
    QCOMPARE(m_pCorvane->BoxTexts(),
             QStringList{u"Can not open a template file \"missing.txt\""_s});
    QCOMPARE(m_pCorvane->ActiveTitle(), u"Mail Preview for \"lost@example.com\""_s);
    QCOMPARE(ActiveTextView()->GetText(), QString());
}

void TestPreviewSend::previewOfOneRowNamesItsAddress() {
    SelectRows(2, 2);
    ProgressRecorder progress(&m_pCorvane->Frame()->m_wndStatusBar);
    m_pCorvane->Command(ID_PREVIEW_MAIL);
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    QCOMPARE(progress.m_arrPositions, QList<int>{100});
    QCOMPARE(m_pCorvane->ActiveTitle(), u"Mail Preview for \"bob@example.org\""_s);
    QVERIFY(ActiveTextView()->GetText().startsWith(Header(s_strBob)));
}

// Ctrl+click takes the first row out of the selection again: the current
// row is that first row, but only the last one is walked and named.
void TestPreviewSend::previewTitleNamesTheWalkedRow() {
    SelectRows(2, 2);
    const QPoint first = m_pTable->visualRect(m_pTable->model()->index(0, 2)).center();
    QTest::mouseClick(m_pTable->viewport(), Qt::LeftButton, Qt::ControlModifier, first);
    QTest::mouseClick(m_pTable->viewport(), Qt::LeftButton, Qt::ControlModifier, first);
    QCOMPARE(m_pTable->GetSelectedCount(), 1);
    QCOMPARE(m_pTable->m_nCurrentItem, 0);

    m_pCorvane->Command(ID_PREVIEW_MAIL);
    QCOMPARE(m_pCorvane->ActiveTitle(), u"Mail Preview for \"bob@example.org\""_s);
    QVERIFY(ActiveTextView()->GetText().startsWith(Header(s_strBob)));
}

void TestPreviewSend::previewWithoutSelectionTells() {
    m_pCorvane->Command(ID_PREVIEW_MAIL);
    QCOMPARE(m_pCorvane->m_arrBoxes.size(), 1);
    const MessageBoxCall& box = m_pCorvane->m_arrBoxes[0];
    QCOMPARE(box.strText, u"Please select address(es) for previewing EMail(s)."_s);
    QCOMPARE(box.kind, MessageBoxCall::Window);
    QCOMPARE(box.pOwner, static_cast<QWidget*>(m_pTable));
    QCOMPARE(m_pCorvane->ChildCount(), 1);
}

// One mail per selected row, each through its own Simple MAPI session. The
// check names the row without a template; sent anyway, as the user chose, it
// fails into the run's report instead of a box, and the walk goes on.
void TestPreviewSend::sendDeliversEachSelectedRow() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY2(server.Start(), qPrintable(server.ErrorText()));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MAIL"_s, u"MAPI"_s, 1));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Transport"_s, u"smtp"_s));
    QVERIFY(
        CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Server"_s, server.Url(u"smtp"_s)));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Sender"_s,
                                                u"Ostwick Sales <sales@example.com>"_s));

    SelectRows(0, 2);
    QString strProblems;
    CAppFixture::WhenDialog(u"sendCheck"_s, [&strProblems](QDialog* pDialog) {
        if (auto* pProblems = pDialog->findChild<QPlainTextEdit*>(u"sendCheckProblems"_s))
            strProblems = pProblems->toPlainText();
        if (auto* pSend = pDialog->findChild<QRadioButton*>(u"radioSendProblems"_s))
            pSend->setChecked(true);
        CAppFixture::Click(pDialog, u"buttonSend"_s);
    });
    m_pCorvane->Command(ID_SEND_MAIL);
    QPointer<CSendReport> pReport = CSendRun::Active() ? CSendRun::Active()->Report() : nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(CSendRun::Active() == nullptr, 60000);

    QCOMPARE(strProblems, u"The template cannot be opened (1 rows):\n"
                          "    row 2: lost@example.com (missing.txt)"_s);
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    QVERIFY(pReport != nullptr);
    QVERIFY(pReport->Text().contains(u"Row 2, lost@example.com:\n"
                                     "    Can not open a template file \"missing.txt\""_s));
    QCOMPARE(server.MessageCount(), 2);
    // The mail library keeps its connection from one mail to the next.
    QCOMPARE(server.ConnectionCount(), 1);
    QCOMPARE(server.Envelope(1)[u"rcpt_tos"].toArray(), QJsonArray{s_strJane});
    QCOMPARE(server.Envelope(2)[u"rcpt_tos"].toArray(), QJsonArray{s_strBob});
    QVERIFY(server.MessageBytes(1).contains("Subject: Offer for Jane Smith"));
    QVERIFY(server.MessageBytes(2).contains("Hello Bob"));
    QCOMPARE(m_pCorvane->ChildCount(), 1);
}

void TestPreviewSend::sendWithoutSelectionDoesNothing() {
    CSmtpTestServer server(m_pCorvane->FilePath(u"server"_s));
    QVERIFY2(server.Start(), qPrintable(server.ErrorText()));
    QVERIFY(CProfileSettings::WriteProfileValue(u"MAIL"_s, u"MAPI"_s, 1));
    QVERIFY(
        CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Server"_s, server.Url(u"smtp"_s)));
    m_pCorvane->Command(ID_SEND_MAIL);
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    QCOMPARE(server.MessageCount(), 0);
    QCOMPARE(m_pCorvane->ChildCount(), 1);
}

QTEST_MAIN(TestPreviewSend)
#include "tst_preview.moc"
