// The command route (view, document, child frame, main frame, application),
// the engine-error guard at the entries from Qt, and the life of documents.

#include "CAppFixture.h"
#include "app/CChildFrame.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "platform/dao/CDaoException.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CMultiDocTemplate.h"
#include "platform/mfc/CView.h"
#include "res/Resource.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>

namespace {

constexpr unsigned kTestKind = 900;

class CTestView : public QWidget, public CView {
public:
    CTestView() : CView(this) {
        ON_COMMAND(ID_SHOW_TABLE, &CTestView::OnShowTable);
        ON_COMMAND(ID_SEND_MAIL, &CTestView::OnSendMail);
        ON_COMMAND(ID_DELETE_ADDRESS, &CTestView::OnDelete);
        ON_UPDATE_COMMAND_UI(ID_DELETE_ADDRESS, &CTestView::OnUpdateDelete);
    }

    void OnInitialUpdate() override {
        if (s_bFailInitialUpdate)
            throw CDaoException(QStringLiteral("The table could not be read."));
    }

    int m_nShowTable = 0;
    int m_nDeleted = 0;
    bool m_bCanDelete = false;
    static inline bool s_bFailInitialUpdate = false;

private:
    void OnShowTable() { ++m_nShowTable; }
    void OnSendMail() { throw CDaoException(QStringLiteral("The engine refused the statement.")); }
    void OnDelete() { ++m_nDeleted; }
    void OnUpdateDelete(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bCanDelete); }
};

class CRefusingDoc : public CDocument {
public:
    bool OnNewDocument() override { return false; }
};

// A frame whose timer fails once: it stops itself, then throws.
class CFailingTimerFrame : public CMDIFrameWnd {
public:
    CFailingTimerFrame() : CMDIFrameWnd(IDR_MAINFRAME) {}
    int m_nTicks = 0;

protected:
    void OnTimer(unsigned nIDEvent) override {
        ++m_nTicks;
        KillTimer(nIDEvent);
        throw CDaoException(QStringLiteral("The timer's lookup failed."));
    }
};

} // namespace

class TestAppRouting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        CTestView::s_bFailInitialUpdate = false;
        m_pApp = std::make_unique<CAppFixture>();
        QVERIFY(m_pApp->IsReady());
        m_pTestKind = new CMultiDocTemplate(kTestKind, CMultiDocTemplate::Make<CDocument>(),
                                            CMultiDocTemplate::Make<CChildFrame>(),
                                            CMultiDocTemplate::Make<CTestView>());
        m_pApp->App()->AddDocTemplate(m_pTestKind);
    }
    void cleanup() { m_pApp.reset(); }

    void theViewTakesACommandBeforeTheMainFrame() {
        CTestView* pView = OpenTestWindow();
        QVERIFY(pView != nullptr);
        m_pApp->Command(ID_SHOW_TABLE);
        QCOMPARE(pView->m_nShowTable, 1);
        QCOMPARE(m_pApp->ChildCount(), 1);

        m_pApp->Command(ID_FILE_CLOSE);
        QTRY_COMPARE(m_pApp->ChildCount(), 0);
        m_pApp->Command(ID_SHOW_TABLE);
        QCOMPARE(m_pApp->ChildCount(), 1);
        QCOMPARE(m_pApp->Frame()->GetActiveDocument()->GetTitle(), QStringLiteral("Addresses"));
    }

    void anUpdateHandlerDecidesWhetherTheCommandRuns() {
        CTestView* pView = OpenTestWindow();
        QAction* pDelete = m_pApp->Frame()->GetCommandAction(ID_DELETE_ADDRESS);
        m_pApp->Frame()->UpdateCommandUI();
        QVERIFY(!pDelete->isEnabled());
        m_pApp->Command(ID_DELETE_ADDRESS);
        QCOMPARE(pView->m_nDeleted, 0);

        pView->m_bCanDelete = true;
        m_pApp->Frame()->UpdateCommandUI();
        QVERIFY(pDelete->isEnabled());
        pDelete->trigger();
        QCOMPARE(pView->m_nDeleted, 1);
    }

    void aFailingCommandShowsTheErrorAndTheProgramGoesOn() {
        CTestView* pView = OpenTestWindow();
        m_pApp->Frame()->UpdateCommandUI();
        m_pApp->Frame()->GetCommandAction(ID_SEND_MAIL)->trigger();
        QCOMPARE(m_pApp->BoxTexts(), QStringList{"The engine refused the statement."});
        QCOMPARE(m_pApp->m_arrBoxes.first().kind, MessageBoxCall::Application);

        m_pApp->Command(ID_SHOW_TABLE);
        QCOMPARE(pView->m_nShowTable, 1);
        QVERIFY(m_pApp->Frame()->isVisible());
    }

    void aFailingTimerShowsTheErrorOnce() {
        CFailingTimerFrame frame;
        frame.SetTimer(5, 10);
        QVERIFY(frame.IsTimerActive(5));
        QTRY_COMPARE(m_pApp->BoxTexts(), QStringList{"The timer's lookup failed."});
        QTest::qWait(50);
        QCOMPARE(frame.m_nTicks, 1);
        QVERIFY(!frame.IsTimerActive(5));
    }

    void startingATimerAgainRestartsIt() {
        CMainFrame* pFrame = m_pApp->Frame();
        QVERIFY(pFrame->IsTimerActive(1));
        pFrame->SetTimer(1, 300);
        pFrame->SetTimer(1, 300);
        QVERIFY(pFrame->KillTimer(1));
        QVERIFY(!pFrame->IsTimerActive(1));
        QVERIFY(!pFrame->KillTimer(1));
    }

    void aFailingInitialUpdateLeavesNoWindow() {
        CTestView::s_bFailInitialUpdate = true;
        m_pApp->Frame()->CallGuarded([this] { m_pTestKind->OpenDocumentFile(QString(), true); });
        QCOMPARE(m_pApp->BoxTexts(), QStringList{"The table could not be read."});
        QCOMPARE(m_pApp->ChildCount(), 0);
    }

    void aKindWithoutViewOpensNothing() {
        CMultiDocTemplate noView(kTestKind + 1, CMultiDocTemplate::Make<CDocument>(),
                                 CMultiDocTemplate::Make<CChildFrame>(), nullptr);
        QVERIFY(!noView.CanOpenDocument());
        QCOMPARE(noView.OpenDocumentFile(QString(), true), nullptr);
        QCOMPARE(m_pApp->ChildCount(), 0);
    }

    void aRefusedNewDocumentLeavesNoWindow() {
        CMultiDocTemplate refusing(kTestKind + 2, CMultiDocTemplate::Make<CRefusingDoc>(),
                                   CMultiDocTemplate::Make<CChildFrame>(),
                                   CMultiDocTemplate::Make<CTestView>());
        QCOMPARE(refusing.OpenDocumentFile(QString(), true), nullptr);
        QTest::qWait(0);
        QCOMPARE(m_pApp->ChildCount(), 0);
    }

    void aDocumentLivesAsLongAsItsWindows() {
        m_pApp->Command(ID_FILE_NEW);
        QPointer<CDocument> pDocument = m_pApp->Frame()->GetActiveDocument();
        QVERIFY(pDocument);
        m_pApp->Command(ID_WINDOW_NEW);
        QCOMPARE(m_pApp->ChildCount(), 2);
        QStringList titles;
        for (QMdiSubWindow* pWindow : m_pApp->Frame()->GetMdiArea()->subWindowList())
            titles.append(pWindow->windowTitle());
        QCOMPARE(titles, (QStringList{"Clipboard contens:1", "Clipboard contens:2"}));
        QCOMPARE(m_pApp->Frame()->GetActiveDocument(), pDocument.data());

        m_pApp->Frame()->GetMdiArea()->activeSubWindow()->close();
        QTRY_COMPARE(m_pApp->ChildCount(), 1);
        QTRY_COMPARE(m_pApp->Frame()->GetMdiArea()->subWindowList().first()->windowTitle(),
                     QStringLiteral("Clipboard contens"));
        QVERIFY(pDocument);

        m_pApp->Frame()->GetMdiArea()->setActiveSubWindow(
            m_pApp->Frame()->GetMdiArea()->subWindowList().first());
        m_pApp->Command(ID_WINDOW_NEW);
        QCOMPARE(m_pApp->ChildCount(), 2);
        m_pApp->Command(ID_FILE_CLOSE);
        QTRY_COMPARE(m_pApp->ChildCount(), 0);
        QTRY_VERIFY(pDocument.isNull());
    }

    void theFrameTitleFollowsTheDocument() {
        m_pApp->Command(ID_FILE_NEW);
        CDocument* pDocument = m_pApp->Frame()->GetActiveDocument();
        pDocument->SetTitle(QStringLiteral("Mail Preview for 3 addresses"));
        QCOMPARE(m_pApp->Frame()->MDIGetActive()->windowTitle(),
                 QStringLiteral("Mail Preview for 3 addresses"));
        QTRY_COMPARE(m_pApp->Frame()->windowTitle(),
                     QStringLiteral("Corvane - Mail Preview for 3 addresses"));
    }

private:
    CTestView* OpenTestWindow() {
        CDocument* pDocument = m_pTestKind->OpenDocumentFile(QString(), true);
        return pDocument ? static_cast<CTestView*>(pDocument->GetViews().value(0)) : nullptr;
    }

    std::unique_ptr<CAppFixture> m_pApp;
    CMultiDocTemplate* m_pTestKind = nullptr;
};

QTEST_MAIN(TestAppRouting)
#include "tst_app_routing.moc"
