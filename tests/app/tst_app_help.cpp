// The user guide: it opens from the Help menu and the help keys, every link
// of every page leads to a page (and a place on it) that is shipped, it
// names every command, option and file the program offers, and it says the
// same as the README of the send log's columns, the settings keys and the
// command-line options.

#include "CAppTest.h"
#include "app/CCommandLineDispatch.h"
#include "app/CHelpWindow.h"
#include "app/CMainFrame.h"
#include "engine/send/CSendLog.h"
#include "tests/support/TestFiles.h"
#include "platform/settings/CProfileSettings.h"
#include "res/CResources.h"
#include "res/Resource.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocumentFragment>

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

// A table's rows as their cells' plain texts, blanks collapsed: HTML cells
// with their tags taken out and their entities read; Markdown cells with
// their code marks, bold marks and links' targets taken out.
QString PlainHtml(const QString& strCell) {
    return QTextDocumentFragment::fromHtml(strCell).toPlainText().simplified();
}

QString PlainMarkdown(QString strCell) {
    static const QRegularExpression reLink(QStringLiteral("\\[([^\\]]*)\\]\\([^)]*\\)"));
    strCell.replace(reLink, QStringLiteral("\\1"));
    return strCell.remove(u'`').remove(QStringLiteral("**")).simplified();
}

// The table after the mark "<!-- facts: NAME -->", without its header row.
QList<QStringList> HtmlFacts(const QString& strHtml, const QString& strName) {
    const qsizetype nMark = strHtml.indexOf(QStringLiteral("<!-- facts: %1 -->").arg(strName));
    if (nMark < 0)
        return {};
    const qsizetype nEnd = strHtml.indexOf(QStringLiteral("</table>"), nMark);
    static const QRegularExpression reRow(QStringLiteral("<tr>(.*?)</tr>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression reCell(QStringLiteral("<td>(.*?)</td>"),
                                           QRegularExpression::DotMatchesEverythingOption);
    QList<QStringList> rows;
    for (auto row = reRow.globalMatch(strHtml.mid(nMark, nEnd - nMark)); row.hasNext();) {
        QStringList cells;
        for (auto cell = reCell.globalMatch(row.next().captured(1)); cell.hasNext();)
            cells << PlainHtml(cell.next().captured(1));
        if (!cells.isEmpty())
            rows << cells;
    }
    return rows;
}

QList<QStringList> MarkdownFacts(const QString& strMarkdown, const QString& strName) {
    const qsizetype nMark = strMarkdown.indexOf(QStringLiteral("<!-- facts: %1 -->").arg(strName));
    if (nMark < 0)
        return {};
    QList<QStringList> rows;
    const QStringList lines = strMarkdown.mid(nMark).split(u'\n').mid(1);
    for (const QString& strLine : lines) {
        if (!strLine.startsWith(u'|'))
            break;
        QStringList cells = strLine.split(u'|').mid(1);
        cells.removeLast();
        for (QString& strCell : cells)
            strCell = PlainMarkdown(strCell);
        rows << cells;
    }
    return rows.mid(2); // the header and its rule
}

QString Readme() {
    return QString::fromUtf8(ReadAll(QStringLiteral(CORVANE_SOURCE_DIR "/README.md")));
}

// The names a table's rows are about: its first cells, a section written
// before a key ("[MAIL] MAPI") and an option's value ("--import FILE") left
// out, names listed together ("User, Password") one by one.
QSet<QString> NamesOf(const QList<QStringList>& rows) {
    static const QRegularExpression reSection(QStringLiteral("^\\[[^\\]]*\\] "));
    QSet<QString> names;
    for (const QStringList& row : rows) {
        for (const QString& strName : row.value(0).remove(reSection).split(QStringLiteral(", ")))
            names.insert(strName.section(u' ', 0, 0));
    }
    return names;
}

// The columns of the send log as the program writes them.
QSet<QString> LogColumns() {
    QTemporaryDir dir;
    CSendLog log(dir.filePath(QString(CSendLog::kFileName)));
    if (!log.Append(CSendLogEntry()))
        return {};
    const QStringList columns =
        QString::fromUtf8(ReadAll(log.Path())).section(QStringLiteral("\r\n"), 0, 0).split(u',');
    return QSet<QString>(columns.begin(), columns.end());
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

    // The help and the README cannot drift apart: each table marked as
    // facts in both says the same, row by row, cell by cell.
    void theHelpAndTheReadmeAgree_data() {
        QTest::addColumn<QString>("facts");
        QTest::addColumn<QString>("page");
        QTest::newRow("send log columns") << "log-columns" << "mail.html";
        QTest::newRow("settings keys") << "settings-keys" << "mail.html";
        QTest::newRow("command-line options") << "options" << "commandline.html";
    }
    void theHelpAndTheReadmeAgree() {
        QFETCH(QString, facts);
        QFETCH(QString, page);
        const QList<QStringList> readme = MarkdownFacts(Readme(), facts);
        QVERIFY(readme.size() >= 5);
        QCOMPARE(HtmlFacts(PageText(page), facts), readme);
    }

    // The tables name exactly what the program has: the columns it writes
    // into the send log, the options it knows; and every settings key.
    void theReadmeNamesWhatTheProgramHas_data() {
        QTest::addColumn<QString>("facts");
        QTest::addColumn<QSet<QString>>("names");
        QTest::addColumn<bool>("exactly");
        QSet<QString> options;
        for (const CCommandLineOption& option : CCommandLineDispatch().Options())
            options.insert(option.strName);
        QTest::newRow("send log columns") << "log-columns" << LogColumns() << true;
        QTest::newRow("command-line options") << "options" << options << true;
        QTest::newRow("settings keys")
            << "settings-keys"
            << QSet<QString>{CProfileSettings::kKeyMapi,      CProfileSettings::kKeyTransport,
                             CProfileSettings::kKeyServer,    CProfileSettings::kKeyUser,
                             CProfileSettings::kKeyPassword,  CProfileSettings::kKeySender,
                             CProfileSettings::kKeyCAFile,    CProfileSettings::kKeyOutbox,
                             CProfileSettings::kKeyMaxPerMinute}
            << false;
    }
    void theReadmeNamesWhatTheProgramHas() {
        QFETCH(QString, facts);
        QFETCH(QSet<QString>, names);
        QFETCH(bool, exactly);
        QVERIFY(names.size() >= 5);
        const QSet<QString> documented = NamesOf(MarkdownFacts(Readme(), facts));
        if (exactly)
            QCOMPARE(documented, names);
        else
            QVERIFY2(documented.contains(names),
                     qPrintable(QStringList((names - documented).values()).join(u' ')));
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
