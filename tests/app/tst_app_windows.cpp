// The child windows as MDI programs place and list them: each opens wholly
// inside the main window's client area, and the Window menu names the open
// windows and brings the chosen one to the front.

#include "CAppTest.h"
#include "app/CMainFrame.h"
#include "platform/mfc/CDocument.h"
#include "res/Resource.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {

// The Window menu of the menu bar shown, opened as a click on its title does.
QMenu* OpenWindowMenu(CMainFrame* pFrame) {
    for (QAction* pMenuAction : pFrame->menuBar()->actions()) {
        QMenu* pMenu = pMenuAction->menu();
        if (pMenu == nullptr || pMenu->title() != QStringLiteral("&Window"))
            continue;
        pMenu->popup(pFrame->mapToGlobal(QPoint(10, 10)));
        return QTest::qWaitForWindowExposed(pMenu) ? pMenu : nullptr;
    }
    return nullptr;
}

// The items after the menu's own commands: "text" or "text (checked)".
QStringList WindowItems(QMenu* pMenu) {
    QStringList items;
    bool bList = false;
    for (QAction* pItem : pMenu->actions()) {
        if (pItem->isSeparator()) {
            bList = true;
            continue;
        }
        if (bList)
            items << pItem->text() +
                         (pItem->isChecked() ? QStringLiteral(" (checked)") : QString());
    }
    return items;
}

} // namespace

class TestAppWindows : public CAppTest {
    Q_OBJECT

private Q_SLOTS:
    void newWindowsOpenInsideTheClientArea_data() {
        QTest::addColumn<QSize>("frameSize");
        QTest::addColumn<QList<unsigned>>("commands");
        const QList<unsigned> mixed = {ID_SHOW_TABLE, ID_FILE_NEW, ID_SHOW_TABLE, ID_FILE_NEW,
                                       ID_SHOW_TABLE, ID_FILE_NEW, ID_SHOW_TABLE};
        QTest::newRow("tables and text windows") << QSize(900, 640) << mixed;
        QTest::newRow("a small main window") << QSize(420, 320) << mixed;
        QTest::newRow("many windows") << QSize(900, 640) << QList<unsigned>(12, ID_FILE_NEW);
    }
    void newWindowsOpenInsideTheClientArea() {
        QFETCH(QSize, frameSize);
        QFETCH(QList<unsigned>, commands);
        CMainFrame* pFrame = m_pApp->Frame();
        pFrame->resize(frameSize);
        QTRY_COMPARE(pFrame->size(), frameSize);
        QMdiArea* pArea = pFrame->GetMdiArea();
        for (unsigned nID : commands) {
            m_pApp->Command(nID);
            QMdiSubWindow* pWindow = pArea->activeSubWindow();
            QVERIFY(pWindow != nullptr);
            QVERIFY(pWindow->isVisible());
            const QRect client = pArea->viewport()->rect();
            QVERIFY2(client.contains(pWindow->geometry()),
                     qPrintable(QStringLiteral("window %1 at %2,%3 %4x%5 in %6x%7")
                                    .arg(m_pApp->ChildCount())
                                    .arg(pWindow->x())
                                    .arg(pWindow->y())
                                    .arg(pWindow->width())
                                    .arg(pWindow->height())
                                    .arg(client.width())
                                    .arg(client.height())));
        }
    }

    // Windows are listed in the order they were opened, the active one
    // checked; an ampersand in a title is shown, not taken as a mnemonic.
    void windowMenuListsAndActivates() {
        CMainFrame* pFrame = m_pApp->Frame();
        m_pApp->Command(ID_FILE_NEW);
        m_pApp->Command(ID_SHOW_TABLE);
        m_pApp->Command(ID_FILE_NEW);
        pFrame->GetActiveDocument()->SetTitle(QStringLiteral("R&D notes"));
        const QList<QMdiSubWindow*> windows = pFrame->GetMdiArea()->subWindowList();
        QCOMPARE(windows.size(), 3);

        QMenu* pMenu = OpenWindowMenu(pFrame);
        QVERIFY(pMenu != nullptr);
        QCOMPARE(WindowItems(pMenu), (QStringList{QStringLiteral("&1 Clipboard contens"),
                                                  QStringLiteral("&2 Addresses"),
                                                  QStringLiteral("&3 R&&D notes (checked)")}));
        QAction* pSecond = pMenu->actions().value(pMenu->actions().size() - 2);
        QTest::mouseClick(pMenu, Qt::LeftButton, {}, pMenu->actionGeometry(pSecond).center());
        QTRY_COMPARE(pFrame->GetMdiArea()->activeSubWindow(), windows[1]);

        windows[0]->close();
        QTRY_COMPARE(m_pApp->ChildCount(), 2);
        pFrame->GetMdiArea()->setActiveSubWindow(windows[2]);
        pMenu = OpenWindowMenu(pFrame);
        QVERIFY(pMenu != nullptr);
        QCOMPARE(WindowItems(pMenu), (QStringList{QStringLiteral("&1 Addresses"),
                                                  QStringLiteral("&2 R&&D notes (checked)")}));
        pMenu->hide();
    }
};

QTEST_MAIN(TestAppWindows)
#include "tst_app_windows.moc"
