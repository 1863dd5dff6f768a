// The duplicate click: the main frame's timer clicks while "no twins" is on
// and the clipboard holds a stored address, and only then.

#include "CAppFixture.h"
#include "app/CMainFrame.h"
#include "views/Globals.h"
#include "platform/ui/Beep.h"

#include <QClipboard>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QTest>

class TestAppWatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        g_bNoTwins = false;
        m_arrClicks.clear();
        m_previousBeep = SetBeepHandler([this](unsigned nFrequency, unsigned nDuration) {
            m_arrClicks.append({nFrequency, nDuration});
        });
    }
    void cleanup() {
        g_bNoTwins = false;
        SetBeepHandler(m_previousBeep);
        QGuiApplication::clipboard()->clear();
    }

    void clickOnStoredAddress_data() {
        QTest::addColumn<bool>("noTwins");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("clicks");
        const QString strStored = QStringLiteral("jane.doe@example.com");
        QTest::newRow("no twins off") << false << strStored << 0;
        QTest::newRow("stored") << true << strStored << 1;
        QTest::newRow("other letter case") << true << "Jane.Doe@EXAMPLE.com" << 1;
        QTest::newRow("mailto link") << true << "mailto:jane.doe@example.com" << 1;
        QTest::newRow("mailto link with query")
            << true << "mailto:jane.doe@example.com?subject=Hi" << 0;
        QTest::newRow("web address with email=")
            << true << "https://example.com/contact?email=jane.doe@example.com" << 1;
        QTest::newRow("not stored") << true << "john@example.com" << 0;
        QTest::newRow("no at sign") << true << "just some copied text" << 0;
        QTest::newRow("empty clipboard") << true << "" << 0;
        QTest::newRow("quote in a stored address") << true << "o'neil@example.com" << 1;
    }
    void clickOnStoredAddress() {
        QFETCH(bool, noTwins);
        QFETCH(QString, clipboard);
        QFETCH(int, clicks);
        CAppFixture app;
        QVERIFY(app.IsReady());
        CMainFrame* pFrame = app.Frame();
        QVERIFY(pFrame->m_db.SaveRecord(
            CAppFixture::RecordValues(QStringLiteral("jane.doe@example.com")), true));
        QVERIFY(pFrame->m_db.SaveRecord(
            CAppFixture::RecordValues(QStringLiteral("o'neil@example.com")), true));
        QGuiApplication::clipboard()->setText(clipboard);
        g_bNoTwins = noTwins;

        pFrame->OnTimer(1);
        QCOMPARE(m_arrClicks.size(), clicks);
        for (const QPair<unsigned, unsigned>& click : std::as_const(m_arrClicks))
            QCOMPARE(click, (QPair<unsigned, unsigned>(100, 1)));
        QVERIFY(app.BoxTexts().isEmpty());
    }

    void theTimerClicksUntilItIsStopped() {
        CAppFixture app;
        QVERIFY(app.IsReady());
        CMainFrame* pFrame = app.Frame();
        QVERIFY(pFrame->m_db.SaveRecord(
            CAppFixture::RecordValues(QStringLiteral("jane.doe@example.com")), true));
        QGuiApplication::clipboard()->setText(QStringLiteral("jane.doe@example.com"));
        QVERIFY(pFrame->IsTimerActive(1));
        QTest::qWait(400);
        QCOMPARE(m_arrClicks.size(), 0);

        g_bNoTwins = true;
        QTRY_VERIFY_WITH_TIMEOUT(m_arrClicks.size() >= 2, 2000);
        pFrame->KillTimer(1);
        const qsizetype nClicks = m_arrClicks.size();
        QTest::qWait(400);
        QCOMPARE(m_arrClicks.size(), nClicks);
    }

    // A store that cannot answer: the tick is a miss, without a box.
    void aFailingLookupCountsAsAMiss() {
        CAppFixture app([](const QString& strDir) {
            QFile file(strDir + QStringLiteral("/Addresses.mdb"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("This is not a database file, but it must be kept.\n");
        });
        QVERIFY(app.IsReady());
        QCOMPARE(app.BoxTexts().size(), 1); // told once, at start
        QGuiApplication::clipboard()->setText(QStringLiteral("jane.doe@example.com"));
        g_bNoTwins = true;
        bool bThrew = false;
        try {
            app.Frame()->m_db.FindByEMail(QStringLiteral("jane.doe@example.com"));
        } catch (const std::exception&) {
            bThrew = true;
        }
        QVERIFY(bThrew);

        app.Frame()->OnTimer(1);
        app.Frame()->OnTimer(1);
        QCOMPARE(m_arrClicks.size(), 0);
        QCOMPARE(app.BoxTexts().size(), 1);
        QFile file(app.FilePath(QStringLiteral("Addresses.mdb")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("This is not a database file, but it must be kept.\n"));
    }

private:
    QList<QPair<unsigned, unsigned>> m_arrClicks;
    BeepHandler m_previousBeep;
};

QTEST_MAIN(TestAppWatch)
#include "tst_app_watch.moc"
