// Where the status-bar progress bar goes, and what its label shows.

#include "CAppFixture.h"
#include "app/CMainFrame.h"

#include <QProgressBar>
#include <QTest>

class TestAppProgress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        m_pApp = std::make_unique<CAppFixture>();
        QVERIFY(m_pApp->IsReady());
    }
    void cleanupTestCase() { m_pApp.reset(); }

    void geometry_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("left");
        const QString str50 = QString(50, QLatin1Char('x'));
        QTest::newRow("table fill") << "Filling the Table: "
                                    << "Filling the Table: " << 114;
        QTest::newRow("preview") << "Preiewing EMails: "
                                 << "Preiewing EMails: " << 108;
        QTest::newRow("one character") << "a"
                                       << "a" << 6;
        QTest::newRow("empty") << ""
                               << "" << 2;
        QTest::newRow("50 characters") << str50 << str50 << 300;
        QTest::newRow("51 characters") << str50 + "y" << str50 << 300;
        QTest::newRow("80 characters") << QString(80, QLatin1Char('z')) << QString(50, 'z') << 300;
    }
    void geometry() {
        QFETCH(QString, label);
        QFETCH(QString, shown);
        QFETCH(int, left);
        CMainFrame* pFrame = m_pApp->Frame();
        pFrame->m_db.m_strQuery = QStringLiteral("before");
        pFrame->m_db.StartProgress(label);

        QCOMPARE(pFrame->m_wndStatusBar.GetPaneText(0), shown);
        if (label.size() > 50)
            QCOMPARE(pFrame->m_db.m_strQuery, shown);
        else
            QCOMPARE(pFrame->m_db.m_strQuery, QStringLiteral("before"));

        QProgressBar* pBar = pFrame->m_db.m_wndProgress.GetSafeHwnd();
        QVERIFY(pBar != nullptr);
        QCOMPARE(pBar->parentWidget(), &pFrame->m_wndStatusBar);
        QRect rcPane;
        pFrame->m_wndStatusBar.GetItemRect(0, &rcPane);
        QVERIFY(rcPane.width() > 400);
        QCOMPARE(pBar->x(), left);
        QCOMPARE(pBar->y(), 2);
        QCOMPARE(pBar->x() + pBar->width(), rcPane.x() + rcPane.width() - 5);
        QCOMPARE(pBar->y() + pBar->height(), 16);
        QCOMPARE(pBar->minimum(), 0);
        QCOMPARE(pBar->maximum(), 100);
        QCOMPARE(pBar->value(), 0);
        QVERIFY(pBar->isVisible());
    }

    void aSecondStartReplacesTheBar() {
        CMainFrame* pFrame = m_pApp->Frame();
        pFrame->m_db.StartProgress(QStringLiteral("first"));
        pFrame->m_db.m_wndProgress.SetPos(40);
        pFrame->m_db.StartProgress(QStringLiteral("second"));
        QCOMPARE(pFrame->m_wndStatusBar.findChildren<QProgressBar*>().size(), 1);
        QCOMPARE(pFrame->m_db.m_wndProgress.GetSafeHwnd()->value(), 0);
        pFrame->m_db.m_wndProgress.DestroyWindow();
        QTRY_COMPARE(pFrame->m_wndStatusBar.findChildren<QProgressBar*>().size(), 0);
    }

private:
    std::unique_ptr<CAppFixture> m_pApp;
};

QTEST_MAIN(TestAppProgress)
#include "tst_app_progress.moc"
