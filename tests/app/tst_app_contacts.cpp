// File > Import Addresses... and File > Export Addresses... in the running
// program: file dialogs, the mapping dialog, the summary, the status bar, the
// table window that refills, Esc that cancels.

#include "CAppFixture.h"
#include "app/CMainFrame.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/ui/CListCtrl.h"
#include "res/Resource.h"
#include "tests/support/RawSqlite.h"
#include "tests/support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

CListCtrl* TableList(CMainFrame* pFrame) {
    CMDIChildWnd* pChild = pFrame->MDIGetActive();
    return pChild ? pChild->findChild<CListCtrl*>() : nullptr;
}

const QByteArray kOutlook =
    "Title,First Name,Last Name,E-mail Address,Company\r\n"
    "Mr.,John,Smith,john@x.org,Acme\r\nMs.,Jane,Doe,jane@x.org,Initech\r\n,No,Mail,,\r\n";

} // namespace

class TestAppContacts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void importFromTheFileMenu() {
        CAppFixture app(
            [](const QString& strDir) { QVERIFY(WriteFile(strDir + "/Offer.txt", "Dear %s")); });
        QVERIFY(app.IsReady());
        app.Command(ID_SHOW_TABLE);
        QCOMPARE(TableList(app.Frame())->GetItemCount(), 0);
        QVERIFY(WriteFile(app.FilePath("outlook.csv"), kOutlook));

        CAppFixture::AnswerFileDialog(app.FilePath("outlook.csv"));
        QStringList nameChoice, templates;
        CAppFixture::WhenModal(QStringLiteral("CDia_ImportMapping"), [&](QWidget* pDialog) {
            nameChoice << pDialog->findChild<QComboBox*>("comboField_Name")->currentText()
                       << pDialog->findChild<QComboBox*>("comboField_EMail")->currentText()
                       << pDialog->findChild<QComboBox*>("comboField_Prefix")->currentText();
            auto* pTemplate = pDialog->findChild<QComboBox*>("comboTemplate");
            for (int i = 0; i < pTemplate->count(); ++i)
                templates << pTemplate->itemText(i);
            pTemplate->setCurrentIndex(0);
            auto* pCompany = pDialog->findChild<QComboBox*>("comboField_MY_1");
            pCompany->setCurrentIndex(pCompany->findText("Company"));
            pDialog->findChild<QPushButton*>("buttonOK")->click();
        });
        QString strSummary;
        CAppFixture::WhenModal(QStringLiteral("CDia_ImportSummary"), [&](QWidget* pDialog) {
            strSummary = pDialog->findChild<QPlainTextEdit*>("textSummary")->toPlainText();
            pDialog->findChild<QPushButton*>("buttonSaveRefused")->click();
        });
        CAppFixture::AnswerFileDialog(app.FilePath("refused.csv"));
        app.Command(ID_IMPORT_ADDRESSES);

        QCOMPARE(nameChoice, (QStringList{"First Name + Last Name", "E-mail Address", "Title"}));
        QCOMPARE(templates, QStringList{"Offer.txt"});
        QCOMPARE(strSummary, QStringLiteral("Added: 2\nUpdated: 0\nSkipped as duplicates: 0\nRefused: 1\n\n"
                                            "Line 4: It has no e-mail address."));
        QCOMPARE(TableList(app.Frame())->GetItemCount(), 2);
        QCOMPARE(RawSqlite(app.FilePath("Addresses.mdb"))
                     .Column("SELECT Prefix || '|' || Name || '|' || Template || '|' || MY_1 FROM "
                             "ADDRESSES ORDER BY ID_Address"),
                 (QStringList{"Mr.|John Smith|Offer.txt|Acme", "Ms.|Jane Doe|Offer.txt|Initech"}));
        QFile refused(app.FilePath("refused.csv"));
        QVERIFY(refused.open(QIODevice::ReadOnly));
        QCOMPARE(refused.readAll(), QByteArray("\xEF\xBB\xBFTitle,First Name,Last Name,E-mail Address,"
                                               "Company,Reason\r\n,No,Mail,,,It has no e-mail address.\r\n"));
        QVERIFY(app.BoxTexts().isEmpty());

        // Export of the selected row of the active table window.
        CListCtrl* pList = TableList(app.Frame());
        pList->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
        CAppFixture::AnswerFileDialog(app.FilePath("one.vcf"));
        app.Command(ID_EXPORT_ADDRESSES);
        QFile vcf(app.FilePath("one.vcf"));
        QVERIFY(vcf.open(QIODevice::ReadOnly));
        const QByteArray card = vcf.readAll();
        QCOMPARE(card.count("BEGIN:VCARD"), 1);
        QVERIFY2(card.contains(QByteArray(QByteArray("EMAIL;TYPE=INTERNET:") + pList->GetItemText(1, 2).toUtf8())), card.constData());
        QVERIFY(app.Frame()->m_wndStatusBar.GetPaneText(0).startsWith("1 addresses exported to "));
    }

    // Update ticked with the template given to the updated addresses too: a
    // stored address takes the template chosen in the dialog.
    void templateForUpdatedAddresses() {
        CAppFixture app([](const QString& strDir) {
            QVERIFY(WriteFile(strDir + "/Offer.txt", "Dear %s"));
            QVERIFY(WriteFile(strDir + "/Other.txt", "Hello %s"));
        });
        QVERIFY(app.IsReady());
        QVERIFY(WriteFile(app.FilePath("outlook.csv"), kOutlook));
        for (const QString& strTemplate : {QStringLiteral("Offer.txt"), QStringLiteral("Other.txt")}) {
            CAppFixture::AnswerFileDialog(app.FilePath("outlook.csv"));
            CAppFixture::WhenModal(QStringLiteral("CDia_ImportMapping"), [&](QWidget* pDialog) {
                auto* pTemplate = pDialog->findChild<QComboBox*>("comboTemplate");
                pTemplate->setCurrentIndex(pTemplate->findText(strTemplate));
                pDialog->findChild<QCheckBox*>("checkUpdate")->setChecked(true);
                pDialog->findChild<QCheckBox*>("checkTemplateForUpdated")->setChecked(true);
                pDialog->findChild<QPushButton*>("buttonOK")->click();
            });
            CAppFixture::WhenModal(QStringLiteral("CDia_ImportSummary"),
                                   [](QWidget* pDialog) { pDialog->close(); });
            app.Command(ID_IMPORT_ADDRESSES);
        }
        QCOMPARE(RawSqlite(app.FilePath("Addresses.mdb"))
                     .Column("SELECT Template FROM ADDRESSES ORDER BY ID_Address"),
                 (QStringList{"Other.txt", "Other.txt"}));
    }

    // Esc while the import runs: nothing is stored, the status bar says so.
    void escapeCancels() {
        CAppFixture app;
        QVERIFY(app.IsReady());
        QByteArray content = "EMail\n";
        for (int nRow = 0; nRow < 2000; ++nRow)
            content += QByteArray("row") + QByteArray::number(nRow) + "@x.org\n";
        QVERIFY(WriteFile(app.FilePath("many.csv"), content));
        const QByteArray before = [&app] {
            QFile file(app.FilePath("Addresses.mdb"));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        CAppFixture::AnswerFileDialog(app.FilePath("many.csv"));
        CAppFixture::WhenModal(QStringLiteral("CDia_ImportMapping"), [&app](QWidget* pDialog) {
            // Waits in the queue until the import runs.
            QCoreApplication::postEvent(app.Frame(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            pDialog->findChild<QPushButton*>("buttonOK")->click();
        });
        app.Command(ID_IMPORT_ADDRESSES);
        QCOMPARE(app.Frame()->m_wndStatusBar.GetPaneText(0),
                 QStringLiteral("The import was cancelled; no address was changed."));
        QFile file(app.FilePath("Addresses.mdb"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(app.BoxTexts().isEmpty());
    }
};

QTEST_MAIN(TestAppContacts)
#include "tst_app_contacts.moc"
