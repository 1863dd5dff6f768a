// Menus, prompts, toolbar and keys of the main frame, in each window state.

#include "CAppTest.h"
#include "app/CMainFrame.h"
#include "platform/mfc/CStatusBar.h"
#include "res/Resource.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

// One line per menu item: "Menu/Item text/id/state", state "on", "off",
// "on+checked"; separators as "Menu/-".
QStringList DescribeMenuBar(CMainFrame* pFrame) {
    QStringList lines;
    pFrame->UpdateCommandUI();
    for (QAction* pMenuAction : pFrame->menuBar()->actions()) {
        QMenu* pMenu = pMenuAction->menu();
        for (QAction* pItem : pMenu->actions()) {
            if (pItem->isSeparator()) {
                lines.append(pMenu->title() + QStringLiteral("/-"));
                continue;
            }
            QString strState = pItem->isEnabled() ? QStringLiteral("on") : QStringLiteral("off");
            if (pItem->isChecked())
                strState += QStringLiteral("+checked");
            lines.append(QStringLiteral("%1/%2/%3/%4")
                             .arg(pMenu->title(), pItem->text())
                             .arg(pItem->data().toUInt())
                             .arg(strState));
        }
    }
    return lines;
}

const QStringList kFileMenu128 = {"&File/&Show Clipboard\tCtrl+N/57600/on",
                                  "&File/&Import Addresses.../32810/on",
                                  "&File/&Export Addresses.../32811/on",
                                  "&File/&Mail Settings.../32792/on",
                                  "&File/&Database Settings.../32793/on", "&File/-",
                                  "&File/E&xit/57665/on"};
const QStringList kFileMenu129 = {"&File/&Clipboard\tCtrl+N/57600/on", "&File/&Close/57602/on",
                                  "&File/&Import Addresses.../32810/on",
                                  "&File/&Export Addresses.../32811/on",
                                  "&File/&Mail Settings.../32792/on",
                                  "&File/&Database Settings.../32793/on", "&File/-",
                                  "&File/E&xit/57665/on"};
const QStringList kViewMenu = {"&View/&Toolbar/59392/on+checked",
                               "&View/&Status Bar/59393/on+checked"};
const QStringList kHelpMenu = {"&Help/&Help Topics/57667/on", "&Help/&Sample Template/32813/on",
                               "&Help/-", "&Help/&About Corvane.../57664/on"};

// The items of the menus as the Parts of the design list them; the others
// are the program's own additions.
const QList<unsigned> kDesignedItems = {
    ID_FILE_NEW,     ID_FILE_CLOSE,       ID_APP_EXIT,       ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR,
    ID_AUTO_UPDATE,  ID_WINDOW_NEW,       ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ,
    ID_WINDOW_ARRANGE, ID_SHOW_TABLE,     ID_SHOW_ADDRESS,   ID_FIND,         ID_ADD_ADDRESS,
    ID_DELETE_ADDRESS, ID_PREVIEW_MAIL,   ID_SEND_MAIL,      ID_HELP_FINDER,  ID_APP_ABOUT};

// The letter after an item's '&', upper case; none when it has none.
QChar Mnemonic(const QString& strText) {
    const qsizetype nAmpersand = strText.indexOf(u'&');
    return nAmpersand >= 0 && nAmpersand + 1 < strText.size() ? strText[nAmpersand + 1].toUpper()
                                                              : QChar();
}

QStringList DatabaseMenu128(const QString& strTableCommands) {
    return {"Database/Show Table/32783/on",
            "Database/Show Address/32782/" + strTableCommands,
            "Database/Find.../32791/on",
            "Database/-",
            "Database/Add Address/32780/on",
            "Database/Delete Address(es)/32779/" + strTableCommands,
            "Database/Set &Template.../32812/" + strTableCommands,
            "Database/-",
            "Database/Preview Mail/32789/" + strTableCommands,
            "Database/Preview &Formatted Mail/32816/" + strTableCommands,
            "Database/Send Mail/32786/" + strTableCommands};
}

QStringList DatabaseMenu129(const QString& strTableCommands) {
    return {"Database/Show Table/32783/on",
            "Database/Show Address/32782/" + strTableCommands,
            "Database/-",
            "Database/Find.../32791/on",
            "Database/Delete Address(es)/32779/" + strTableCommands,
            "Database/Add Address/32780/on",
            "Database/Set &Template.../32812/" + strTableCommands,
            "Database/-",
            "Database/Preview Mail/32789/" + strTableCommands,
            "Database/Preview &Formatted Mail/32816/" + strTableCommands,
            "Database/Send Mail/32786/" + strTableCommands};
}

QStringList MenuBar129(const QString& strAutoUpdate, const QString& strTableCommands) {
    return kFileMenu129 + kViewMenu +
           QStringList{"&View/-",
                       "&View/Auto update/32784/" + strAutoUpdate,
                       "&Window/&New Window/57648/on",
                       "&Window/&Cascade/57650/on",
                       "&Window/&Tile/57651/on",
                       "&Window/&Arrange Icons/57649/on"} +
           DatabaseMenu129(strTableCommands) + kHelpMenu;
}

} // namespace

class TestAppMenus : public CAppTest {
    Q_OBJECT

private Q_SLOTS:
    void menuBar_data() {
        QTest::addColumn<QList<unsigned>>("windows");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("no child window")
            << QList<unsigned>{} << kFileMenu128 + kViewMenu + DatabaseMenu128("off") + kHelpMenu;
        QTest::newRow("text window")
            << QList<unsigned>{ID_FILE_NEW} << MenuBar129("on+checked", "off");
        QTest::newRow("table window: the bar stays the main frame's")
            << QList<unsigned>{ID_SHOW_TABLE}
            << kFileMenu128 + kViewMenu + DatabaseMenu128("on") + kHelpMenu;
        QTest::newRow("table window after a text window: the bar stays the text window's")
            << QList<unsigned>{ID_FILE_NEW, ID_SHOW_TABLE} << MenuBar129("off", "on");
    }
    void menuBar() {
        QFETCH(QList<unsigned>, windows);
        QFETCH(QStringList, items);
        for (unsigned nID : windows)
            m_pApp->Command(nID);
        QCOMPARE(m_pApp->ChildCount(), windows.size());
        QCOMPARE(DescribeMenuBar(m_pApp->Frame()), items);
    }

    // Alt and the letter reach each added item at once: it has a letter, and
    // no other item of its menu has the same.
    void addedItemsHaveMnemonicsOfTheirOwn_data() {
        QTest::addColumn<unsigned>("window");
        QTest::newRow("main frame's menu bar") << 0u;
        QTest::newRow("text window's menu bar") << unsigned(ID_FILE_NEW);
    }
    void addedItemsHaveMnemonicsOfTheirOwn() {
        QFETCH(unsigned, window);
        if (window != 0)
            m_pApp->Command(window);
        int nAdded = 0;
        for (QAction* pMenuAction : m_pApp->Frame()->menuBar()->actions()) {
            const QList<QAction*> items = pMenuAction->menu()->actions();
            for (QAction* pItem : items) {
                if (pItem->isSeparator() || kDesignedItems.contains(pItem->data().toUInt()))
                    continue;
                ++nAdded;
                const QChar mnemonic = Mnemonic(pItem->text());
                QVERIFY2(!mnemonic.isNull(), qPrintable(pItem->text()));
                for (QAction* pOther : items) {
                    QVERIFY2(pOther == pItem || Mnemonic(pOther->text()) != mnemonic,
                             qPrintable(pItem->text() + u" / " + pOther->text()));
                }
            }
        }
        QVERIFY(nAdded >= 5);
    }

    void closingTheLastWindowBringsBackTheMainMenu() {
        m_pApp->Command(ID_FILE_NEW);
        QCOMPARE(m_pApp->Frame()->GetShownMenuBar(), unsigned(IDR_CorvaneTYPE));
        m_pApp->Command(ID_FILE_CLOSE);
        QTRY_COMPARE(m_pApp->ChildCount(), 0);
        QTRY_COMPARE(m_pApp->Frame()->GetShownMenuBar(), unsigned(IDR_MAINFRAME));
        QCOMPARE(m_pApp->Frame()->windowTitle(), QStringLiteral("Corvane"));
    }

    void promptOnHover_data() {
        QTest::addColumn<int>("menu");
        QTest::addColumn<unsigned>("id");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("Show Clipboard") << 0 << unsigned(ID_FILE_NEW) << "Show clipboard contens";
        QTest::newRow("Exit") << 0 << unsigned(ID_APP_EXIT)
                              << "Quit the application; prompts to save documents";
        QTest::newRow("Toolbar") << 1 << unsigned(ID_VIEW_TOOLBAR) << "Show or hide the toolbar";
        QTest::newRow("Status Bar")
            << 1 << unsigned(ID_VIEW_STATUS_BAR) << "Show or hide the status bar";
        QTest::newRow("Show Table") << 2 << unsigned(ID_SHOW_TABLE) << "Show Table";
        QTest::newRow("Find") << 2 << unsigned(ID_FIND) << "Find Records";
        QTest::newRow("Add Address") << 2 << unsigned(ID_ADD_ADDRESS) << "Add new Address";
        QTest::newRow("Help Topics") << 3 << unsigned(ID_HELP_FINDER) << "List Help topics";
    }
    void promptOnHover() {
        QFETCH(int, menu);
        QFETCH(unsigned, id);
        QFETCH(QString, prompt);
        CMainFrame* pFrame = m_pApp->Frame();
        QMenu* pMenu = pFrame->menuBar()->actions().at(menu)->menu();
        pMenu->popup(pFrame->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(pMenu));
        QAction* pItem = pFrame->GetCommandAction(id);
        QTest::mouseMove(pMenu, pMenu->actionGeometry(pItem).center());
        QTRY_COMPARE(pFrame->m_wndStatusBar.GetPaneText(0), prompt);
        pMenu->hide();
        QTRY_COMPARE(pFrame->m_wndStatusBar.GetPaneText(0), QStringLiteral(" "));
    }

    void toolbarButtons() {
        QToolBar* pToolBar = &m_pApp->Frame()->m_wndToolBar;
        QStringList buttons;
        for (QAction* pAction : pToolBar->actions()) {
            if (pAction->isSeparator()) {
                buttons.append(QStringLiteral("-"));
                continue;
            }
            auto* pButton = qobject_cast<QToolButton*>(pToolBar->widgetForAction(pAction));
            QVERIFY(pButton != nullptr);
            QVERIFY2(!pButton->icon().pixmap(16, 16).isNull(), qPrintable(pAction->toolTip()));
            buttons.append(
                QStringLiteral("%1 %2").arg(pAction->data().toUInt()).arg(pButton->toolTip()));
        }
        const QStringList expected = {"32783 Show Table",
                                      "32791 Find Records",
                                      "32780 Add new Address",
                                      "32782 Show Address",
                                      "32779 Delete selected Address(es)",
                                      "-",
                                      "57600 Show clipboard contens",
                                      "32784 Auto update clipboard",
                                      "-",
                                      "32789 Preview Mail",
                                      "32786 Send Mail"};
        QCOMPARE(buttons, expected);
    }

    void toolbarButtonPromptOnHover() {
        CMainFrame* pFrame = m_pApp->Frame();
        QWidget* pButton = pFrame->m_wndToolBar.widgetForAction(pFrame->GetCommandAction(ID_FIND));
        QTest::mouseMove(pButton, pButton->rect().center());
        QTRY_COMPARE(pFrame->m_wndStatusBar.GetPaneText(0), QStringLiteral("Find Records"));
    }

    void accelerators_data() {
        QTest::addColumn<unsigned>("id");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("New") << unsigned(ID_FILE_NEW) << QStringList{"Ctrl+N"};
        QTest::newRow("Open") << unsigned(ID_FILE_OPEN) << QStringList{"Ctrl+O"};
        QTest::newRow("Save") << unsigned(ID_FILE_SAVE) << QStringList{"Ctrl+S"};
        QTest::newRow("Print") << unsigned(ID_FILE_PRINT) << QStringList{"Ctrl+P"};
        QTest::newRow("Undo") << unsigned(ID_EDIT_UNDO) << QStringList{"Ctrl+Z", "Alt+Backspace"};
        QTest::newRow("Cut") << unsigned(ID_EDIT_CUT) << QStringList{"Ctrl+X", "Shift+Del"};
        QTest::newRow("Copy") << unsigned(ID_EDIT_COPY) << QStringList{"Ctrl+C", "Ctrl+Ins"};
        QTest::newRow("Paste") << unsigned(ID_EDIT_PASTE) << QStringList{"Ctrl+V", "Shift+Ins"};
        QTest::newRow("Next pane") << unsigned(ID_NEXT_PANE) << QStringList{"F6"};
        QTest::newRow("Previous pane") << unsigned(ID_PREV_PANE) << QStringList{"Shift+F6"};
        QTest::newRow("Help") << unsigned(ID_HELP) << QStringList{"F1"};
        QTest::newRow("Context help") << unsigned(ID_CONTEXT_HELP) << QStringList{"Shift+F1"};
        QTest::newRow("Import") << unsigned(ID_IMPORT_ADDRESSES) << QStringList{"Ctrl+I"};
        QTest::newRow("Send Mail") << unsigned(ID_SEND_MAIL) << QStringList{"Ctrl+M"};
    }
    void accelerators() {
        QFETCH(unsigned, id);
        QFETCH(QStringList, keys);
        QStringList actual;
        for (const QKeySequence& key : m_pApp->Frame()->GetCommandAction(id)->shortcuts())
            actual.append(key.toString());
        QCOMPARE(actual, keys);
    }

    void commandsWithoutHandlerAreDisabled_data() {
        QTest::addColumn<unsigned>("id");
        QTest::newRow("Undo") << unsigned(ID_EDIT_UNDO);
        QTest::newRow("Cut") << unsigned(ID_EDIT_CUT);
        QTest::newRow("Copy") << unsigned(ID_EDIT_COPY);
        QTest::newRow("Paste") << unsigned(ID_EDIT_PASTE);
        QTest::newRow("Next pane") << unsigned(ID_NEXT_PANE);
        QTest::newRow("Previous pane") << unsigned(ID_PREV_PANE);
    }
    void commandsWithoutHandlerAreDisabled() {
        QFETCH(unsigned, id);
        m_pApp->Command(ID_FILE_NEW);
        m_pApp->Frame()->UpdateCommandUI();
        QVERIFY(!m_pApp->Frame()->GetCommandAction(id)->isEnabled());
    }

    void ctrlNTwiceGivesTwoClipboardWindows() {
        CMainFrame* pFrame = m_pApp->Frame();
        pFrame->activateWindow();
        QTest::keyClick(pFrame, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(pFrame, Qt::Key_N, Qt::ControlModifier);
        const QList<QMdiSubWindow*> windows = pFrame->GetMdiArea()->subWindowList();
        QCOMPARE(windows.size(), 2);
        for (QMdiSubWindow* pWindow : windows)
            QCOMPARE(pWindow->windowTitle(), QStringLiteral("Clipboard contens"));
        QCOMPARE(pFrame->windowTitle(), QStringLiteral("Corvane - Clipboard contens"));
        QVERIFY(m_pApp->BoxTexts().isEmpty());
    }

    void autoUpdateCheckFollowsTheView() {
        m_pApp->Command(ID_FILE_NEW);
        QAction* pAutoUpdate = m_pApp->Frame()->GetCommandAction(ID_AUTO_UPDATE);
        m_pApp->Frame()->UpdateCommandUI();
        QVERIFY(pAutoUpdate->isChecked());
        pAutoUpdate->trigger();
        QVERIFY(!pAutoUpdate->isChecked());
        pAutoUpdate->trigger();
        QVERIFY(pAutoUpdate->isChecked());
    }

    void toolbarAndStatusBarToggle() {
        CMainFrame* pFrame = m_pApp->Frame();
        pFrame->GetCommandAction(ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(pFrame->m_wndToolBar.isHidden());
        QVERIFY(!pFrame->GetCommandAction(ID_VIEW_TOOLBAR)->isChecked());
        pFrame->GetCommandAction(ID_VIEW_STATUS_BAR)->trigger();
        QVERIFY(pFrame->m_wndStatusBar.isHidden());
        pFrame->GetCommandAction(ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(!pFrame->m_wndToolBar.isHidden());
        QVERIFY(pFrame->GetCommandAction(ID_VIEW_TOOLBAR)->isChecked());
    }
};

QTEST_MAIN(TestAppMenus)
#include "tst_app_menus.moc"
