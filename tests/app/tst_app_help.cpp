// The user guide: it opens from the Help menu and the help keys, and every
// link of every page leads to a page (and a place on it) that is shipped.

#include "CAppTest.h"
#include "app/CHelpWindow.h"
#include "app/CMainFrame.h"
#include "res/CResources.h"
#include "res/Resource.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBrowser>

namespace {

QString PageText(const QString& strPage) {
    QFile file(QStringLiteral(":/help/") + strPage);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList Pages() {
    CResources::Load();
    return QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")});
}

QStringList Links(const QString& strHtml) {
    static const QRegularExpression reHref(QStringLiteral("<a\\s+href=\"([^\"]*)\""));
    QStringList links;
    for (auto it = reHref.globalMatch(strHtml); it.hasNext();)
        links.append(it.next().captured(1));
    return links;
}

QSet<QString> Anchors(const QString& strHtml) {
    static const QRegularExpression reName(QStringLiteral("<a\\s+name=\"([^\"]*)\""));
    QSet<QString> anchors;
    for (auto it = reName.globalMatch(strHtml); it.hasNext();)
        anchors.insert(it.next().captured(1));
    return anchors;
}

QTextBrowser* HelpBrowser(CMainFrame* pFrame) {
    return pFrame->GetHelpWindow()
               ? pFrame->GetHelpWindow()->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"))
               : nullptr;
}

} // namespace

class TestAppHelp : public CAppTest {
    Q_OBJECT

private Q_SLOTS:
    void helpTopicsOpensTheGuide() {
        m_pApp->Command(ID_HELP_FINDER);
        QTextBrowser* pBrowser = HelpBrowser(m_pApp->Frame());
        QVERIFY(pBrowser != nullptr);
        QTRY_VERIFY(pBrowser->isVisible());
        QCOMPARE(pBrowser->source().fileName(), QStringLiteral("index.html"));
        QCOMPARE(pBrowser->documentTitle(), QStringLiteral("Corvane Help"));
        QVERIFY(pBrowser->toPlainText().contains(QStringLiteral("Contents")));
    }

    void everyLinkLeadsToAShippedPlace_data() {
        QTest::addColumn<QString>("page");
        const QStringList pages = Pages();
        QVERIFY(pages.size() >= 6);
        for (const QString& strPage : pages)
            QTest::newRow(qPrintable(strPage)) << strPage;
    }
    void everyLinkLeadsToAShippedPlace() {
        QFETCH(QString, page);
        const QStringList links = Links(PageText(page));
        QVERIFY(!links.isEmpty());
        for (const QString& strLink : links) {
            const QString strFile = strLink.section(QLatin1Char('#'), 0, 0);
            const QString strAnchor = strLink.section(QLatin1Char('#'), 1);
            const QString strTarget = strFile.isEmpty() ? page : strFile;
            QVERIFY2(Pages().contains(strTarget), qPrintable(page + " -> " + strLink));
            if (!strAnchor.isEmpty())
                QVERIFY2(Anchors(PageText(strTarget)).contains(strAnchor),
                         qPrintable(page + " -> " + strLink));
        }
    }

    void everyPageIsReachableFromTheContents() {
        QSet<QString> reached = {QStringLiteral("index.html")};
        QStringList pending = {QStringLiteral("index.html")};
        while (!pending.isEmpty()) {
            const QString strPage = pending.takeFirst();
            for (const QString& strLink : Links(PageText(strPage))) {
                const QString strFile = strLink.section(QLatin1Char('#'), 0, 0);
                if (!strFile.isEmpty() && !reached.contains(strFile)) {
                    reached.insert(strFile);
                    pending.append(strFile);
                }
            }
        }
        const QStringList pages = Pages();
        QCOMPARE(reached, QSet<QString>(pages.begin(), pages.end()));
    }

    void theBrowserFollowsLinks() {
        m_pApp->Command(ID_HELP_FINDER);
        QTextBrowser* pBrowser = HelpBrowser(m_pApp->Frame());
        QVERIFY(pBrowser != nullptr);
        for (const QString& strLink : Links(PageText(QStringLiteral("index.html")))) {
            pBrowser->setSource(QUrl(CResources::HelpPage(QStringLiteral("index.html"))));
            pBrowser->setSource(pBrowser->source().resolved(QUrl(strLink)));
            QVERIFY2(!pBrowser->documentTitle().isEmpty(), qPrintable(strLink));
        }
        pBrowser->backward();
        QCOMPARE(pBrowser->source().fileName(), QStringLiteral("index.html"));
    }

    void theTemplatePageExplainsEveryWord_data() {
        QTest::addColumn<QString>("word");
        for (const char* pszWord : {"#TODAY", "#DATE", "#PREFIX", "#NAME", "#MY_1", "#MY_2",
                                    "#MY_3", "#MY_4", "#MY_5", "#SUBJECT", "#ATTACHMENTS"})
            QTest::newRow(pszWord) << QString::fromLatin1(pszWord);
    }
    void theTemplatePageExplainsEveryWord() {
        QFETCH(QString, word);
        QVERIFY(PageText(QStringLiteral("templates.html")).contains(word));
    }

    void f1ExplainsTheActiveWindow_data() {
        QTest::addColumn<unsigned>("window");
        QTest::addColumn<QString>("page");
        QTest::newRow("no child window") << 0u << "index.html";
        QTest::newRow("text window") << unsigned(ID_FILE_NEW) << "clipboard.html";
        QTest::newRow("table window") << unsigned(ID_SHOW_TABLE) << "addressbook.html";
    }
    void f1ExplainsTheActiveWindow() {
        QFETCH(unsigned, window);
        QFETCH(QString, page);
        if (window != 0)
            m_pApp->Command(window);
        m_pApp->Command(ID_HELP);
        QTextBrowser* pBrowser = HelpBrowser(m_pApp->Frame());
        QVERIFY(pBrowser != nullptr);
        QCOMPARE(pBrowser->source().fileName(), page);
    }

    void contextHelpExplainsTheClickedPart() {
        CMainFrame* pFrame = m_pApp->Frame();
        m_pApp->Command(ID_CONTEXT_HELP);
        QVERIFY(pFrame->IsInContextHelpMode());
        QCOMPARE(pFrame->m_wndStatusBar.GetPaneText(0),
                 QStringLiteral("Select an object on which to get Help"));
        QTest::mouseClick(&pFrame->m_wndToolBar, Qt::LeftButton, {},
                          pFrame->m_wndToolBar.rect().center());
        QVERIFY(!pFrame->IsInContextHelpMode());
        QTextBrowser* pBrowser = HelpBrowser(pFrame);
        QVERIFY(pBrowser != nullptr);
        QCOMPARE(pBrowser->source().fileName(), QStringLiteral("mainwindow.html"));
    }

    void escapeEndsContextHelp() {
        CMainFrame* pFrame = m_pApp->Frame();
        m_pApp->Command(ID_CONTEXT_HELP);
        QTest::keyClick(pFrame, Qt::Key_Escape);
        QVERIFY(!pFrame->IsInContextHelpMode());
        QCOMPARE(HelpBrowser(pFrame), nullptr);
        QCOMPARE(pFrame->m_wndStatusBar.GetPaneText(0), QStringLiteral(" "));
    }
};

QTEST_MAIN(TestAppHelp)
#include "tst_app_help.moc"
