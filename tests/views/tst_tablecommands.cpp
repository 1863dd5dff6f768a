// The table commands around a mailing: Set Template on the selected rows,
// Preview Mail of many rows without a template, and the open table windows
// after an import.

#include "CAppTest.h"
#include "app/CMainFrame.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "res/Resource.h"
#include "views/CCorvaneView.h"
#include "views/CListView_Table.h"

#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTemplateColumn = 5;

// nCount records made by another program: p1@example.com ... with the
// template old.txt, keyed 1 ... nCount.
bool InsertRecords(CAppFixture& corvane, int nCount) {
    return corvane.ExecuteSql(
        u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO ADDRESSES (Date, EMail, Prefix, Name, Template, MY_1, MY_2, MY_3, MY_4, "
        "MY_5) SELECT '2026-07-12 10:00:00', 'p' || i || '@example.com', ' ', 'P' || i, "
        "'old.txt', ' ', ' ', ' ', ' ', ' ' FROM n"_s.arg(nCount));
}

QStringList StoredTemplates(const CAppFixture& corvane) {
    QStringList templates;
    for (const QStringList& record : corvane.StoredRecords())
        templates << record.value(kTemplateColumn);
    return templates;
}

QStringList ShownTemplates(const CListView_Table* pTable) {
    QStringList templates;
    for (int nItem = 0; nItem < pTable->GetItemCount(); ++nItem)
        templates << pTable->GetItemText(nItem, kTemplateColumn);
    return templates;
}

void ClickRow(CListView_Table* pTable, int nItem, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(pTable->viewport(), Qt::LeftButton, modifiers,
                      pTable->visualRect(pTable->model()->index(nItem, 2)).center());
}

void ClickHeader(CListView_Table* pTable, int nColumn) {
    QHeaderView* pHeader = pTable->horizontalHeader();
    const int nX = pHeader->sectionViewportPosition(nColumn) + pHeader->sectionSize(nColumn) / 2;
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(nX, pHeader->height() / 2));
}

QStringList ShownAddresses(const CListView_Table* pTable) {
    QStringList addresses;
    for (int nItem = 0; nItem < pTable->GetItemCount(); ++nItem)
        addresses << pTable->GetItemText(nItem, 2);
    return addresses;
}

void Find(CAppFixture& corvane, const QString& strText) {
    CAppFixture::WhenDialog(u"CDia_Find"_s, [strText](QDialog* pDialog) {
        QTest::keyClicks(pDialog->findChild<QLineEdit*>(u"editFind"_s), strText);
        CAppFixture::Click(pDialog, u"buttonOK"_s);
    });
    corvane.Command(ID_FIND);
}

void Import(CAppFixture& corvane, const QString& strFile) {
    CAppFixture::AnswerFileDialog(corvane.FilePath(strFile));
    CAppFixture::WhenModal(u"CDia_ImportMapping"_s, [](QWidget* pDialog) {
        pDialog->findChild<QPushButton*>(u"buttonOK"_s)->click();
    });
    CAppFixture::WhenModal(u"CDia_ImportSummary"_s, [](QWidget* pDialog) {
        pDialog->findChild<QPushButton*>(u"buttonOK"_s)->click();
    });
    corvane.Command(ID_IMPORT_ADDRESSES);
}

} // namespace

class TestTableCommands : public CAppTest {
    Q_OBJECT

private:
    CListView_Table* ShowTable(int nRecords) {
        if (!InsertRecords(*m_pApp, nRecords))
            return nullptr;
        m_pApp->Command(ID_SHOW_TABLE);
        CListView_Table* pTable = m_pApp->ActiveTable();
        return pTable && QTest::qWaitForWindowExposed(pTable) ? pTable : nullptr;
    }

private Q_SLOTS:
    // The records of the selected rows, and only those, get the template
    // chosen, stored and shown; Cancel changes nothing.
    void setTemplateOnTheSelectedRows_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QList<int>>("selected"); // empty: Ctrl+A
        QTest::addColumn<QString>("chosen");      // empty: Cancel
        QTest::addColumn<QStringList>("templates");
        QTest::newRow("all of 100 rows")
            << 100 << QList<int>() << "news.txt" << QStringList(100, u"news.txt"_s);
        QTest::newRow("the second and the fourth")
            << 4 << QList<int>{1, 3} << "Offer.txt"
            << QStringList{"old.txt", "Offer.txt", "old.txt", "Offer.txt"};
        QTest::newRow("cancelled") << 2 << QList<int>{0} << QString()
                                   << QStringList{"old.txt", "old.txt"};
    }
    void setTemplateOnTheSelectedRows() {
        QFETCH(int, records);
        QFETCH(QList<int>, selected);
        QFETCH(QString, chosen);
        QFETCH(QStringList, templates);
        QVERIFY(m_pApp->WriteFile(u"news.txt"_s, "#SUBJECT News\nHello #NAME\n"));
        QVERIFY(m_pApp->WriteFile(u"Offer.txt"_s, "#SUBJECT Offer\nDear #NAME\n"));
        CListView_Table* pTable = ShowTable(records);
        QVERIFY(pTable != nullptr);
        if (selected.isEmpty()) {
            ClickRow(pTable, 0);
            QTest::keyClick(pTable, Qt::Key_A, Qt::ControlModifier);
        }
        for (int nItem : std::as_const(selected))
            ClickRow(pTable, nItem, Qt::ControlModifier);

        QStringList offered;
        CAppFixture::WhenDialog(u"CDia_SetTemplate"_s, [&](QDialog* pDialog) {
            auto* pCombo = pDialog->findChild<QComboBox*>(u"comboTemplate"_s);
            for (int i = 0; i < pCombo->count(); ++i)
                offered << pCombo->itemText(i);
            pCombo->setCurrentText(chosen);
            CAppFixture::Click(pDialog, chosen.isEmpty() ? u"buttonCancel"_s : u"buttonOK"_s);
        });
        m_pApp->Command(ID_SET_TEMPLATE);

        QCOMPARE(offered, (QStringList{"news.txt", "Offer.txt"}));
        QCOMPARE(StoredTemplates(*m_pApp), templates);
        QCOMPARE(ShownTemplates(pTable), templates);
        QCOMPARE(m_pApp->BoxTexts(), QStringList());
    }

    void setTemplateTellsWhatIsMissing_data() {
        QTest::addColumn<bool>("select");
        QTest::addColumn<QString>("box");
        QTest::newRow("no row selected")
            << false << "Please select the addresses whose template to set.";
        QTest::newRow("no template in the folder")
            << true << "There is no template (a .txt file) in %1. Help > Sample Template puts one there.";
    }
    void setTemplateTellsWhatIsMissing() {
        QFETCH(bool, select);
        QFETCH(QString, box);
        CListView_Table* pTable = ShowTable(2);
        QVERIFY(pTable != nullptr);
        if (select)
            ClickRow(pTable, 1);
        m_pApp->Command(ID_SET_TEMPLATE);
        QCOMPARE(m_pApp->BoxTexts(), QStringList{box.arg(m_pApp->Dir())});
        QCOMPARE(StoredTemplates(*m_pApp), (QStringList{"old.txt", "old.txt"}));
    }

    // 100 rows whose template is missing: no box at all, the rows listed
    // once on top of the preview.
    void previewOfManyRowsWithoutTemplateShowsNoBox() {
        CListView_Table* pTable = ShowTable(100);
        QVERIFY(pTable != nullptr);
        ClickRow(pTable, 0);
        QTest::keyClick(pTable, Qt::Key_A, Qt::ControlModifier);
        m_pApp->Command(ID_PREVIEW_MAIL);
        QCOMPARE(m_pApp->BoxTexts(), QStringList());
        QCOMPARE(m_pApp->ActiveTitle(), u"Mail Preview for 100 addresses"_s);
        CMDIChildWnd* pChild = m_pApp->Frame()->MDIGetActive();
        auto* pView = dynamic_cast<CCorvaneView*>(pChild->GetActiveView());
        QVERIFY(pView != nullptr);
        const QStringList lines = pView->GetText().split(u'\n');
        QCOMPARE(lines.mid(0, 3),
                 (QStringList{u"No mail for 100 of the 100 addresses: their template cannot be "
                              "opened."_s,
                              u"Can not open a template file \"old.txt\":"_s,
                              u"    Row 1, p1@example.com"_s}));
        QCOMPARE(lines.value(101), u"    Row 100, p100@example.com"_s);
        QCOMPARE(lines.mid(102), (QStringList{QString(), QString(), QString()}));
    }

    // After an import each table window lists what its own query finds now:
    // a window sorted by a header click stays so sorted, a Find window
    // (clicked into, so its status text has changed) lists the new matches
    // and no others, and a window never sorted keeps the records' order; the
    // sort indicator stays where the rows are sorted.
    void windowsAfterAnImportListWhatTheirQueryFinds() {
        CListView_Table* pSorted = ShowTable(4);
        QVERIFY(pSorted != nullptr);
        ClickHeader(pSorted, 2);
        QCOMPARE(ShownAddresses(pSorted), (QStringList{"p4@example.com", "p3@example.com",
                                                       "p2@example.com", "p1@example.com"}));
        Find(*m_pApp, u"p2"_s);
        CListView_Table* pFound = m_pApp->ActiveTable();
        QVERIFY(pFound != nullptr && pFound != pSorted);
        QVERIFY(QTest::qWaitForWindowExposed(pFound));
        ClickRow(pFound, 0);
        m_pApp->Command(ID_SHOW_TABLE);
        CListView_Table* pAll = m_pApp->ActiveTable();
        QVERIFY(pAll != nullptr && pAll != pFound);

        QVERIFY(m_pApp->WriteFile(u"more.csv"_s,
                                  "EMail,Name\np22@example.com,P22\nq@example.com,Q\n"));
        Import(*m_pApp, u"more.csv"_s);

        QCOMPARE(ShownAddresses(pSorted),
                 (QStringList{"q@example.com", "p4@example.com", "p3@example.com",
                              "p2@example.com", "p22@example.com", "p1@example.com"}));
        QCOMPARE(ShownAddresses(pFound), (QStringList{"p2@example.com", "p22@example.com"}));
        QCOMPARE(ShownAddresses(pAll),
                 (QStringList{"p1@example.com", "p2@example.com", "p3@example.com",
                              "p4@example.com", "p22@example.com", "q@example.com"}));
        // The header still says by what the sorted window is sorted, and only there.
        QVERIFY(pSorted->horizontalHeader()->isSortIndicatorShown());
        QCOMPARE(pSorted->horizontalHeader()->sortIndicatorSection(), 2);
        QCOMPARE(pSorted->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(!pAll->horizontalHeader()->isSortIndicatorShown());
        QCOMPARE(m_pApp->BoxTexts(), QStringList());
    }
};

QTEST_MAIN(TestTableCommands)
#include "tst_tablecommands.moc"
