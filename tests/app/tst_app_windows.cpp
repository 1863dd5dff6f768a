// The child windows as MDI programs place and list them: each opens wholly
// inside the main window's client area, and the Window menu names the open
// windows and brings the chosen one to the front. With none open, the area
// shows the start panel.

#include "CAppTest.h"
#include "app/CMainFrame.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "res/Resource.h"
#include "tests/support/TestFiles.h"
#include "views/CCorvaneView.h"
#include "views/Globals.h"

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
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

QWidget* StartPanel(CMainFrame* pFrame) {
    return pFrame->GetMdiArea()->findChild<QWidget*>(QStringLiteral("startPanel"));
}

QString ShownText(CMainFrame* pFrame) {
    CMDIChildWnd* pChild = pFrame->MDIGetActive();
    auto* pView = pChild ? dynamic_cast<CCorvaneView*>(pChild->GetActiveView()) : nullptr;
    return pView ? pView->GetText() : QString();
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

    void theStartPanelShowsWhileNoWindowIsOpen() {
        CMainFrame* pFrame = m_pApp->Frame();
        QWidget* pPanel = StartPanel(pFrame);
        QVERIFY(pPanel != nullptr);
        QTRY_VERIFY(pPanel->isVisible());
        QVERIFY(pFrame->GetMdiArea()->viewport()->rect().contains(pPanel->geometry()));
        m_pApp->Command(ID_FILE_NEW);
        m_pApp->Command(ID_SHOW_TABLE);
        QTRY_VERIFY(!pPanel->isVisible());
        const QList<QMdiSubWindow*> windows = pFrame->GetMdiArea()->subWindowList();
        windows[0]->close();
        QTRY_COMPARE(m_pApp->ChildCount(), 1);
        QTest::qWait(50);
        QVERIFY(!pPanel->isVisible());
        windows[1]->close();
        QTRY_VERIFY(pPanel->isVisible());
    }

    // Each button runs its command: the dialog it opens (answered with
    // Cancel), or the window.
    void theStartPanelsButtonsRunTheirCommands_data() {
        QTest::addColumn<unsigned>("command");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("window");
        QTest::newRow("Import Addresses...") << unsigned(ID_IMPORT_ADDRESSES) << "QFileDialog" << "";
        QTest::newRow("Add Address") << unsigned(ID_ADD_ADDRESS) << "CDia_Record" << "";
        QTest::newRow("Mail Settings...") << unsigned(ID_MAIL_SETTINGS) << "CDia_MailSettings" << "";
        QTest::newRow("Sample Template") << unsigned(ID_SAMPLE_TEMPLATE) << "" << "Offer.txt";
        QTest::newRow("Show Table") << unsigned(ID_SHOW_TABLE) << "" << "Addresses";
    }
    void theStartPanelsButtonsRunTheirCommands() {
        QFETCH(unsigned, command);
        QFETCH(QString, dialog);
        QFETCH(QString, window);
        CMainFrame* pFrame = m_pApp->Frame();
        auto* pButton = StartPanel(pFrame)->findChild<QPushButton*>(
            QStringLiteral("startButton%1").arg(command));
        QVERIFY(pButton != nullptr);
        QTRY_VERIFY(pButton->isEnabled());
        QString strAnswered;
        if (!dialog.isEmpty())
            CAppFixture::WhenModal(
                [&](QWidget* pModal) {
                    return pModal->objectName() == dialog ||
                           pModal->metaObject()->className() == dialog;
                },
                [&](QWidget* pModal) {
                    strAnswered = dialog;
                    QMetaObject::invokeMethod(static_cast<QDialog*>(pModal), &QDialog::reject);
                });
        QTest::mouseClick(pButton, Qt::LeftButton);
        QTRY_COMPARE(strAnswered, dialog);
        QCOMPARE(m_pApp->ActiveTitle(), window);
    }

    // The sample goes into the folder when the folder has no file of its
    // name; a file of the user's own stays as it is, and is what is shown.
    void theSampleTemplateIsPutIntoTheFolderOnce_data() {
        QTest::addColumn<QByteArray>("own");
        QTest::newRow("none yet") << QByteArray();
        QTest::newRow("the user's own") << QByteArray("#SUBJECT Mine\nDear #NAME\n");
    }
    void theSampleTemplateIsPutIntoTheFolderOnce() {
        QFETCH(QByteArray, own);
        const QString strPath = m_pApp->FilePath(QStringLiteral("Offer.txt"));
        if (!own.isEmpty())
            QVERIFY(m_pApp->WriteFile(QStringLiteral("Offer.txt"), own));
        const QByteArray sample = ReadAll(QStringLiteral(CORVANE_SOURCE_DIR "/res/demo/Offer.txt"));
        const QByteArray expected = own.isEmpty() ? sample : own;
        m_pApp->Command(ID_SAMPLE_TEMPLATE);
        QCOMPARE(ReadAll(strPath), expected);
        QCOMPARE(m_pApp->ActiveTitle(), QStringLiteral("Offer.txt"));
        QCOMPARE(ShownText(m_pApp->Frame()), QString::fromUtf8(expected));
        QVERIFY(g_strPreviewText.isEmpty());
        QVERIFY(QFileInfo(strPath).isWritable());
    }
};

QTEST_MAIN(TestAppWindows)
#include "tst_app_windows.moc"
