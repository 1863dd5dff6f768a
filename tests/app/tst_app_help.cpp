// The user guide: it opens from the Help menu and the help keys, every link
// of every page leads to a page (and a place on it) that is shipped, and it
// names every command, option and file the program offers.

#include "CAppTest.h"
#include "app/CCommandLineDispatch.h"
#include "app/CHelpWindow.h"
#include "app/CMainFrame.h"
#include "engine/send/CSendLog.h"
#include "platform/settings/CProfileSettings.h"
#include "res/CResources.h"
#include "res/Resource.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
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

// Every page's text, as one.
QString AllPages() {
    QString strText;
    for (const QString& strPage : Pages())
        strText += PageText(strPage);
    return strText;
}

// The items of the menu bar shown now, as the guide writes them: without the
// mnemonic's '&' and the shortcut.
QStringList MenuItems(CMainFrame* pFrame) {
    QStringList items;
    for (QAction* pMenuAction : pFrame->menuBar()->actions()) {
        for (QAction* pItem : pMenuAction->menu()->actions()) {
            if (!pItem->isSeparator())
                items.append(pItem->text().section(u'\t', 0, 0).remove(u'&'));
        }
    }
    return items;
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
        QVERIFY(pages.size() >= 9);
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

    // A command cannot ship without its description: each item of both menu
    // bars (with no window, and with a text window) is named in the guide.
    void everyMenuItemIsDescribed() {
        QStringList items = MenuItems(m_pApp->Frame());
        m_pApp->Command(ID_FILE_NEW);
        items += MenuItems(m_pApp->Frame());
        QVERIFY(items.contains(QStringLiteral("Import Addresses...")));
        const QString strGuide = AllPages();
        QStringList missing;
        for (const QString& strItem : std::as_const(items)) {
            if (!strGuide.contains(strItem) && !missing.contains(strItem))
                missing.append(strItem);
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }

    void theCommandLineIsDescribed_data() {
        QTest::addColumn<QString>("option");
        QSet<QString> options;
        for (const CCommandLineOption& option : CCommandLineDispatch().Options())
            options.insert(option.strName);
        QVERIFY(options.size() >= 5);
        for (const QString& strOption : std::as_const(options))
            QTest::newRow(qPrintable(strOption)) << strOption;
    }
    void theCommandLineIsDescribed() {
        QFETCH(QString, option);
        QVERIFY(PageText(QStringLiteral("contacts.html")).contains(option));
    }

    void theMailPageDescribesTheSendRun_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("the send log") << QString(CSendLog::kFileName);
        QTest::newRow("the rate limit's key") << QString(CProfileSettings::kKeyMaxPerMinute);
        QTest::newRow("the rate limit's field") << QStringLiteral("Mails per minute");
        QTest::newRow("the check's choice") << QStringLiteral("Skip the rows with problems");
        QTest::newRow("the report") << QStringLiteral("Send Report");
        QTest::newRow("the pause") << QStringLiteral("Skip this row");
        QTest::newRow("resume") << QStringLiteral("name=\"resume\"");
    }
    void theMailPageDescribesTheSendRun() {
        QFETCH(QString, text);
        QVERIFY(PageText(QStringLiteral("mail.html")).contains(text));
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
