// The shell as a user meets it: start-up, the About box, the dialogs the
// main frame opens, Show Table and Find, opening files with the recent-file
// list, and saving a text window.

#include "CAppFixture.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "platform/mfc/CDocument.h"
#include "platform/settings/CProfileSettings.h"
#include "res/Resource.h"
#include "tests/support/TestFiles.h"
#include "views/CCorvaneView.h"
#include "views/Globals.h"

#include <QAction>
#include <QClipboard>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

// A key as the user presses it in the main window, which must be active for
// its shortcuts.
bool PressKey(CMainFrame* pFrame, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    pFrame->activateWindow();
    if (!QTest::qWaitForWindowActive(pFrame))
        return false;
    QTest::keyClick(pFrame, key, modifiers);
    return true;
}

CCorvaneView* ActiveTextView(CMainFrame* pFrame) {
    return dynamic_cast<CCorvaneView*>(pFrame->GetActiveView());
}

} // namespace

class TestAppShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(CProfileSettings::FilePath()); }

    void startUp() {
        CAppFixture app;
        QVERIFY(app.IsReady());
        CMainFrame* pFrame = app.Frame();
        QCOMPARE(QFileInfo(g_strStartDir).canonicalFilePath(),
                 QFileInfo(app.Dir()).canonicalFilePath());
        QVERIFY(!g_strStartDir.endsWith(QLatin1Char('/')));
        QCOMPARE(pFrame->windowTitle(), QStringLiteral("Corvane"));
        QCOMPARE(app.ChildCount(), 0);
        QVERIFY(QFile::exists(app.FilePath(QStringLiteral("Addresses.mdb"))));
        QVERIFY(pFrame->IsTimerActive(1));
        QVERIFY(!pFrame->windowIcon().isNull());
        QCOMPARE(pFrame->GetShownMenuBar(), unsigned(IDR_MAINFRAME));

        const CStatusBar& bar = pFrame->m_wndStatusBar;
        QCOMPARE(bar.GetCount(), 4);
        QCOMPARE(bar.GetItemID(0), unsigned(ID_SEPARATOR));
        QCOMPARE(bar.GetItemID(1), unsigned(ID_INDICATOR_CAPS));
        QCOMPARE(bar.GetItemID(2), unsigned(ID_INDICATOR_NUM));
        QCOMPARE(bar.GetItemID(3), unsigned(ID_INDICATOR_SCRL));
        QCOMPARE(bar.GetPaneText(0), QStringLiteral(" "));
        QTest::qWait(300); // an idle update: without an X display the lights read off
        for (int nPane = 1; nPane < 4; ++nPane)
            QCOMPARE(bar.GetPaneText(nPane), QString());
        QVERIFY(app.BoxTexts().isEmpty());
    }

    void aboutBox() {
        CAppFixture app;
        QVERIFY(app.IsReady());
        QString strCaption;
        QStringList texts;
        bool bIcon = false;
        CAppFixture::WhenModal(QStringLiteral("CAboutDlg"), [&](QWidget* pDialog) {
            strCaption = pDialog->windowTitle();
            for (QLabel* pLabel : pDialog->findChildren<QLabel*>()) {
                texts.append(pLabel->text());
                bIcon = bIcon || !pLabel->pixmap().isNull();
            }
            auto* pOK = pDialog->findChild<QPushButton*>(QStringLiteral("buttonOK"));
            QVERIFY(pOK && pOK->isDefault() && pOK->text() == QStringLiteral("OK"));
            pOK->click();
        });
        app.Command(ID_APP_ABOUT);
        QCOMPARE(strCaption, QStringLiteral("About Corvane"));
        QVERIFY(texts.contains(QStringLiteral("Corvane Version 1.0")));
        QVERIFY(bIcon);
    }

    void theMainFrameOpensItsDialogs_data() {
        QTest::addColumn<unsigned>("id");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Mail Settings") << unsigned(ID_MAIL_SETTINGS) << "CDia_MailSettings"
                                       << "Mail Settings";
        QTest::newRow("Database Settings") << unsigned(ID_DATABASE_SETTINGS)
                                           << "CDia_DatabaseSettings"
                                           << "Database Settings";
        QTest::newRow("Add Address") << unsigned(ID_ADD_ADDRESS) << "CDia_Record"
                                     << "Adding a new address";
        QTest::newRow("Find") << unsigned(ID_FIND) << "CDia_Find"
                              << "Find records";
    }
    void theMainFrameOpensItsDialogs() {
        QFETCH(unsigned, id);
        QFETCH(QString, dialog);
        QFETCH(QString, caption);
        CAppFixture app;
        QVERIFY(app.IsReady());
        QString strCaption;
        CAppFixture::WhenModal(dialog, [&](QWidget* pDialog) {
            strCaption = pDialog->windowTitle();
            static_cast<QDialog*>(pDialog)->reject();
        });
        app.Command(id);
        QCOMPARE(strCaption, caption);
        QCOMPARE(app.ChildCount(), 0);
        QVERIFY(app.BoxTexts().isEmpty());
    }

    void showTableTwice() {
        CAppFixture app;
        QVERIFY(app.IsReady());
        app.Command(ID_SHOW_TABLE);
        app.Command(ID_SHOW_TABLE);
        QCOMPARE(app.ChildCount(), 2);
        for (QMdiSubWindow* pWindow : app.Frame()->GetMdiArea()->subWindowList())
            QCOMPARE(pWindow->windowTitle(), QStringLiteral("Addresses"));
        QCOMPARE(app.Frame()->windowTitle(), QStringLiteral("Corvane - Addresses"));
    }

    void find_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("a name") << "smith"
                                << "2 \"smith\" in ADDRESSES";
        QTest::newRow("a single quote is just a character") << "o'neil"
                                                            << "1 \"o'neil\" in ADDRESSES";
        QTest::newRow("wildcard") << "j*n"
                                  << "2 \"j*n\" in ADDRESSES";
        QTest::newRow("empty text lists every record") << ""
                                                       << "3 \"\" in ADDRESSES";
        QTest::newRow("nothing found") << "nobody"
                                       << "0 \"nobody\" in ADDRESSES";
    }
    void find() {
        QFETCH(QString, text);
        QFETCH(QString, title);
        CAppFixture app;
        QVERIFY(app.IsReady());
        CAddressDatabase& store = app.Frame()->m_db;
        QVERIFY(
            store.SaveRecord(CAppFixture::RecordValues("john@example.com", "John Smith"), true));
        QVERIFY(
            store.SaveRecord(CAppFixture::RecordValues("jane@example.com", "Jane Smith"), true));
        QVERIFY(
            store.SaveRecord(CAppFixture::RecordValues("o'neil@example.com", "Pat O'Neil"), true));
        CAppFixture::WhenModal(QStringLiteral("CDia_Find"), [text](QWidget* pDialog) {
            pDialog->findChild<QLineEdit*>(QStringLiteral("editFind"))->setText(text);
            pDialog->findChild<QPushButton*>(QStringLiteral("buttonOK"))->click();
        });
        app.Command(ID_FIND);
        QCOMPARE(app.ChildCount(), 1);
        QCOMPARE(app.Frame()->GetActiveDocument()->GetTitle(), title);
        QVERIFY(g_strFindFilter.isEmpty());
        QVERIFY2(app.BoxTexts().isEmpty(), qPrintable(app.BoxTexts().join('\n')));
    }

    void openRemembersRecentFiles() {
        QStringList paths;
        {
            CAppFixture app;
            QVERIFY(app.IsReady());
            for (int nFile = 1; nFile <= 11; ++nFile) {
                const QString strPath = app.FilePath(QStringLiteral("note%1.txt").arg(nFile));
                QVERIFY(WriteFile(strPath, "some text"));
                paths.prepend(QFileInfo(strPath).absoluteFilePath());
                CAppFixture::AnswerFileDialog(strPath);
                QVERIFY(PressKey(app.Frame(), Qt::Key_O, Qt::ControlModifier));
                QCOMPARE(app.Frame()->GetActiveDocument()->GetTitle(),
                         QStringLiteral("note%1.txt").arg(nFile));
            }
            QCOMPARE(app.ChildCount(), 11);
            QCOMPARE(app.App()->GetRecentFileList(), paths.mid(0, 10));

            QSettings settings(CProfileSettings::FilePath(), QSettings::IniFormat);
            QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(),
                     paths.first());
            QCOMPARE(settings.value(QStringLiteral("Recent File List/File10")).toString(),
                     paths.at(9));
            QVERIFY(!paths.mid(0, 10).contains(
                QFileInfo(app.FilePath("note1.txt")).absoluteFilePath()));
        }
        CAppFixture again;
        QVERIFY(again.IsReady());
        QCOMPARE(again.App()->GetRecentFileList(), paths.mid(0, 10));
    }

    // The text the window shows is written, over an existing file, whole. Ctrl+S
    // works as soon as the text shows, before the frame's next idle refresh,
    // also once context help has come and gone.
    void saveWritesTheShownText_data() {
        QTest::addColumn<QString>("contextHelp");
        QTest::newRow("no context help") << QString();
        QTest::newRow("context help cancelled with Esc") << QStringLiteral("escape");
        QTest::newRow("context help on the toolbar") << QStringLiteral("click");
    }
    void saveWritesTheShownText() {
        QFETCH(QString, contextHelp);
        CAppFixture app;
        QVERIFY(app.IsReady());
        if (!contextHelp.isEmpty()) {
            app.Command(ID_CONTEXT_HELP);
            QVERIFY(app.Frame()->IsInContextHelpMode());
            if (contextHelp == QStringLiteral("escape"))
                QTest::keyClick(app.Frame(), Qt::Key_Escape);
            else
                QTest::mouseClick(&app.Frame()->m_wndToolBar, Qt::LeftButton, {},
                                  app.Frame()->m_wndToolBar.rect().center());
            QVERIFY(!app.Frame()->IsInContextHelpMode());
        }
        const QString strPath = app.FilePath(QStringLiteral("kept.txt"));
        QVERIFY(WriteFile(strPath, "old contents\n"));
        QGuiApplication::clipboard()->clear();
        app.Command(ID_FILE_NEW);
        CCorvaneView* pView = ActiveTextView(app.Frame());
        QVERIFY(pView != nullptr);
        QTRY_VERIFY(!app.Frame()->GetCommandAction(ID_FILE_SAVE)->isEnabled());

        QGuiApplication::clipboard()->setText(QStringLiteral("First line\nSecond line"));
        pView->OnTimer(1);
        QCOMPARE(pView->GetText(), QStringLiteral("First line\nSecond line"));
        CAppFixture::AnswerFileDialog(strPath, true);
        QVERIFY(PressKey(app.Frame(), Qt::Key_S, Qt::ControlModifier));
        QCOMPARE(ReadAll(strPath), QByteArray("First line\nSecond line"));
        QVERIFY(app.BoxTexts().isEmpty());
    }
};

QTEST_MAIN(TestAppShell)
#include "tst_app_shell.moc"
