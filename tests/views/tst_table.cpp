// Table windows as a user works with them: filled from the store, sorted by
// a header click, edited, added to and deleted from.

#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CMultiDocTemplate.h"
#include "store/CAddressDatabase.h"
#include "views/Globals.h"
#include "platform/dao/COleDateTime.h"
#include "res/Resource.h"
#include "CAppFixture.h"
#include "views/CListView_Table.h"

#include <QApplication>
#include <QDir>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum Column { ColKey = 0, ColDate = 1, ColEMail = 2, ColName = 4, ColTemplate = 5 };

QStringList ColumnTexts(const CListView_Table* pView, int nColumn) {
    QStringList texts;
    for (int nItem = 0; nItem < pView->GetItemCount(); ++nItem)
        texts << pView->GetItemText(nItem, nColumn);
    return texts;
}

// Counts the paint events a widget gets while this lives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* pWidget) : m_pWidget(pWidget) {
        m_pWidget->installEventFilter(this);
    }
    ~PaintCounter() override { m_pWidget->removeEventFilter(this); }
    int Count() const { return m_nPaints; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pWatched == m_pWidget && pEvent->type() == QEvent::Paint)
            ++m_nPaints;
        return false;
    }

private:
    QWidget* m_pWidget;
    int m_nPaints = 0;
};

bool RowsNumberedByPosition(const CListView_Table* pView) {
    for (int nItem = 0; nItem < pView->GetItemCount(); ++nItem) {
        if (pView->GetItemData(nItem) != quintptr(nItem))
            return false;
    }
    return true;
}

void ClickHeader(CListView_Table* pView, int nColumn) {
    QHeaderView* pHeader = pView->horizontalHeader();
    const int nX = pHeader->sectionViewportPosition(nColumn) + pHeader->sectionSize(nColumn) / 2;
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(nX, pHeader->height() / 2));
}

QPoint RowPoint(CListView_Table* pView, int nItem) {
    return pView->visualRect(pView->model()->index(nItem, ColEMail)).center();
}

void ClickRow(CListView_Table* pView, int nItem, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(pView->viewport(), Qt::LeftButton, modifiers, RowPoint(pView, nItem));
}

QString PaneText(CAppFixture& corvane) {
    return corvane.Frame()->m_wndStatusBar.GetPaneText(0);
}

QString Today() {
    return COleDateTime::GetCurrentTime().Format(u"%x"_s);
}

QStringList Addresses(int nCount) {
    QStringList addresses;
    for (int i = 1; i <= nCount; ++i)
        addresses << u"person%1@example.com"_s.arg(i);
    return addresses;
}

// The ways a user ends the record dialog.
enum class Closing { CloseButton, Escape, CloseBox };

void CloseDialog(QDialog* pDialog, Closing closing) {
    switch (closing) {
    case Closing::CloseButton:
        CAppFixture::Click(pDialog, u"buttonClose"_s);
        break;
    case Closing::Escape:
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        break;
    case Closing::CloseBox:
        pDialog->close();
        break;
    }
}

void AddClosings() {
    QTest::addColumn<int>("closing");
    QTest::newRow("Close") << int(Closing::CloseButton);
    QTest::newRow("Esc") << int(Closing::Escape);
    QTest::newRow("close box") << int(Closing::CloseBox);
}

} // namespace

class TestTableView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void userKeepsAddressBook();
    void emptyTableStillHasColumns();
    void sortsAsTextInAlternatingDirections_data();
    void sortsAsTextInAlternatingDirections();
    void equalTextsKeepTheirOrder();
    void invalidDateShows_data();
    void invalidDateShows();
    void ctrlAThenShowAddressOpensLastRow();
    void manyRowChangesEndAtTheUsersRow_data();
    void manyRowChangesEndAtTheUsersRow();
    void headerShowsTheLastSort_data();
    void headerShowsTheLastSort();
    void showAddressWithoutCurrentRowDoesNothing();
    void doubleClickBelowRowsAddsAndRefills();
    void deleteWithoutSelectionOnlyTells();
    void failedFillLeavesUsableWindow();
    void savedEditShowsInRowHoweverClosed_data();
    void savedEditShowsInRowHoweverClosed();
    void editOfGoneRecordLeavesRow_data();
    void editOfGoneRecordLeavesRow();
    void dateColumnFitsItsTexts_data();
    void dateColumnFitsItsTexts();
    void worksWithTheContextItIsMadeWith();

private:
    CListView_Table* ShowTable();

    std::unique_ptr<CAppFixture> m_pCorvane;
};

void TestTableView::init() {
    m_pCorvane = std::make_unique<CAppFixture>();
    QVERIFY(m_pCorvane->IsReady());
}

void TestTableView::cleanup() {
    m_pCorvane.reset();
}

CListView_Table* TestTableView::ShowTable() {
    m_pCorvane->Command(ID_SHOW_TABLE);
    CListView_Table* pView = m_pCorvane->ActiveTable();
    if (pView != nullptr && !QTest::qWaitForWindowExposed(pView))
        return nullptr;
    return pView;
}

// The road of a user from an empty folder: three addresses typed in (one
// with every field empty), listed, sorted, edited and two of them deleted.
void TestTableView::userKeepsAddressBook() {
    QVERIFY(m_pCorvane->WriteFile(u"offer.txt"_s, "#SUBJECT Offer for #NAME\nDear #NAME\n"));
    QVERIFY(m_pCorvane->WriteFile(u"news.txt"_s, "#SUBJECT News\nHello #NAME\n"));
    m_pCorvane->AddAddresses({{u"jane@example.com"_s, u"Dr."_s, u"Jane Smith"_s, u"offer.txt"_s},
                              QStringList(9, QString()),
                              {u"bob@example.org"_s, u"Mr."_s, u"Bob Smithers"_s, u"news.txt"_s}});
    QCOMPARE(m_pCorvane->StoredRecords().size(), 3);

    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    QCOMPARE(m_pCorvane->ActiveTitle(), u"Addresses"_s);
    QCOMPARE(ColumnTexts(pView, ColKey), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
    QCOMPARE(ColumnTexts(pView, ColDate), QStringList(3, Today()));
    QCOMPARE(ColumnTexts(pView, ColEMail),
             (QStringList{u"jane@example.com"_s, u" "_s, u"bob@example.org"_s}));
    QCOMPARE(ColumnTexts(pView, ColTemplate), (QStringList{u"offer.txt"_s, u" "_s, u"news.txt"_s}));

    ClickHeader(pView, ColName);
    QCOMPARE(ColumnTexts(pView, ColName),
             (QStringList{u"Jane Smith"_s, u"Bob Smithers"_s, u" "_s}));
    ClickHeader(pView, ColName);
    QCOMPARE(ColumnTexts(pView, ColName),
             (QStringList{u" "_s, u"Bob Smithers"_s, u"Jane Smith"_s}));
    QVERIFY(RowsNumberedByPosition(pView));

    ClickRow(pView, 0);
    QCOMPARE(PaneText(*m_pCorvane), u" Record:      1 /      3"_s);

    CAppFixture::WhenDialog(u"CDia_Record"_s, [](QDialog* pDialog) {
        CAppFixture::TypeRecord(pDialog, {u"bob@example.org"_s, u"Mr."_s, u"Robert Smithers"_s});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, RowPoint(pView, 1));
    QCOMPARE(pView->GetItemText(1, ColName), u"Robert Smithers"_s);
    QCOMPARE(pView->GetItemText(1, ColDate), Today());
    QCOMPARE(m_pCorvane->StoredRecords().value(2).value(ColName), u"Robert Smithers"_s);

    ClickRow(pView, 0);
    ClickRow(pView, 2, Qt::ControlModifier);
    m_pCorvane->m_arrAnswers = {IDNO};
    QTest::keyClick(pView, Qt::Key_Delete);
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList{u"Delete those 2 records from Table?"_s});
    QCOMPARE(pView->GetItemCount(), 3);
    QCOMPARE(m_pCorvane->StoredRecords().size(), 3);
    QVERIFY(pView->isVisible());

    m_pCorvane->m_arrAnswers = {IDYES};
    QTest::keyClick(pView, Qt::Key_Delete);
    QCOMPARE(m_pCorvane->BoxTexts().size(), 2);
    QCOMPARE(ColumnTexts(pView, ColEMail), QStringList{u"bob@example.org"_s});
    QCOMPARE(m_pCorvane->StoredRecords().size(), 1);
    QCOMPARE(m_pCorvane->StoredRecords()[0][ColEMail], u"bob@example.org"_s);
    QVERIFY(RowsNumberedByPosition(pView));
    // The delete's progress is gone with it.
    QVERIFY(m_pCorvane->Frame()->m_db.m_wndProgress.GetSafeHwnd() == nullptr);
    QCOMPARE(PaneText(*m_pCorvane), QString());
}

// Header clicks on an empty list still turn the direction round.
void TestTableView::emptyTableStillHasColumns() {
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    QCOMPARE(pView->GetItemCount(), 0);
    QStringList headers;
    QList<int> widths;
    for (int nColumn = 0; nColumn < pView->GetHeaderItemCount(); ++nColumn) {
        headers << pView->model()->headerData(nColumn, Qt::Horizontal).toString();
        widths << pView->horizontalHeader()->sectionSize(nColumn);
    }
    QCOMPARE(headers,
             (QStringList{u"ID_Address"_s, u"Date"_s, u"EMail"_s, u"Prefix"_s, u"Name"_s,
                          u"Template"_s, u"MY_1"_s, u"MY_2"_s, u"MY_3"_s, u"MY_4"_s, u"MY_5"_s}));
    // The Date column may be wider than its field's 60 where the font needs it.
    QVERIFY(widths.value(ColDate) >= 60);
    widths[ColDate] = 60;
    QCOMPARE(widths, (QList<int>{4, 60, 200, 50, 150, 100, 150, 150, 150, 150, 150}));

    ClickHeader(pView, ColEMail);
    QVERIFY(g_bSortDescending);
    ClickHeader(pView, ColEMail);
    QVERIFY(!g_bSortDescending);
}

// Keys and dates compare as text; the direction alternates across columns
// and across table windows.
void TestTableView::sortsAsTextInAlternatingDirections_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("secondWindow");
    QTest::addColumn<QStringList>("descending");
    QTest::addColumn<QStringList>("ascending");
    const QStringList keysDown = {u"9"_s, u"8"_s, u"7"_s, u"6"_s,  u"5"_s,
                                  u"4"_s, u"3"_s, u"2"_s, u"10"_s, u"1"_s};
    QStringList keysUp = keysDown;
    std::reverse(keysUp.begin(), keysUp.end());
    QTest::newRow("keys, one window") << int(ColKey) << false << keysDown << keysUp;
    QTest::newRow("keys, two windows") << int(ColKey) << true << keysDown << keysUp;
    QStringList emailsUp = Addresses(10);
    emailsUp.sort();
    QStringList emailsDown = emailsUp;
    std::reverse(emailsDown.begin(), emailsDown.end());
    QTest::newRow("addresses") << int(ColEMail) << false << emailsDown << emailsUp;
}

void TestTableView::sortsAsTextInAlternatingDirections() {
    QFETCH(int, column);
    QFETCH(bool, secondWindow);
    QFETCH(QStringList, descending);
    QFETCH(QStringList, ascending);
    QList<QStringList> records;
    for (const QString& strEMail : Addresses(10))
        records << QStringList{strEMail};
    m_pCorvane->AddAddresses(records);

    CListView_Table* pFirst = ShowTable();
    QVERIFY(pFirst != nullptr);
    ClickHeader(pFirst, column);
    QCOMPARE(ColumnTexts(pFirst, column), descending);
    CListView_Table* pSecond = pFirst;
    if (secondWindow) {
        pSecond = ShowTable();
        QVERIFY(pSecond != nullptr && pSecond != pFirst);
    }
    ClickHeader(pSecond, column);
    QCOMPARE(ColumnTexts(pSecond, column), ascending);
}

// Rows with equal texts follow one another in the order they had, whichever
// the direction.
void TestTableView::equalTextsKeepTheirOrder() {
    QVERIFY(m_pCorvane->WriteFile(u"a.txt"_s, "A\n"));
    QVERIFY(m_pCorvane->WriteFile(u"b.txt"_s, "B\n"));
    QList<QStringList> records;
    for (int i = 1; i <= 6; ++i)
        records << QStringList{u"p%1@example.com"_s.arg(i), QString(), QString(),
                               i % 2 ? u"a.txt"_s : u"b.txt"_s};
    m_pCorvane->AddAddresses(records);
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);

    ClickHeader(pView, ColTemplate);
    QCOMPARE(ColumnTexts(pView, ColKey),
             (QStringList{u"2"_s, u"4"_s, u"6"_s, u"1"_s, u"3"_s, u"5"_s}));
    ClickHeader(pView, ColTemplate);
    QCOMPARE(ColumnTexts(pView, ColKey),
             (QStringList{u"1"_s, u"3"_s, u"5"_s, u"2"_s, u"4"_s, u"6"_s}));
}

// Another SQLite client puts a text or nothing into the Date field.
void TestTableView::invalidDateShows_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("text") << u"'not a date'"_s;
    QTest::newRow("null") << u"NULL"_s;
    QTest::newRow("number") << u"17"_s;
}

void TestTableView::invalidDateShows() {
    QFETCH(QString, value);
    m_pCorvane->AddAddresses({{u"a@example.com"_s}, {u"b@example.com"_s}});
    QVERIFY(m_pCorvane->ExecuteSql(
        u"UPDATE ADDRESSES SET Date = %1 WHERE ID_Address = 2"_s.arg(value)));
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    QCOMPARE(ColumnTexts(pView, ColDate), (QStringList{Today(), u"Invalid DateTime"_s}));
}

// Ctrl+A reports each row it selects, so the current row ends at the last
// one; Show Address and Enter open that row.
void TestTableView::ctrlAThenShowAddressOpensLastRow() {
    m_pCorvane->AddAddresses({{u"a@example.com"_s}, {u"b@example.com"_s}, {u"c@example.com"_s}});
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    ClickRow(pView, 0);
    QTest::keyClick(pView, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(pView->GetSelectedCount(), 3);
    QCOMPARE(pView->m_nCurrentItem, 2);
    QCOMPARE(PaneText(*m_pCorvane), u" Record:      3 /      3"_s);

    QStringList opened;
    const auto answer = [&opened](QDialog* pDialog) {
        opened << pDialog->findChild<QLineEdit*>(u"editEMail"_s)->text();
        pDialog->reject();
    };
    CAppFixture::WhenDialog(u"CDia_Record"_s, answer);
    m_pCorvane->Command(ID_SHOW_ADDRESS);
    CAppFixture::WhenDialog(u"CDia_Record"_s, answer);
    QTest::keyClick(pView, Qt::Key_Return);
    QCOMPARE(opened, (QStringList{u"c@example.com"_s, u"c@example.com"_s}));
}

// What the user does to many rows at once.
enum class Action { CtrlA, ShiftEnd, ClearingClick };

void TestTableView::manyRowChangesEndAtTheUsersRow_data() {
    QTest::addColumn<int>("nRows");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("nClicked");
    QTest::addColumn<int>("nCurrent");
    QTest::addColumn<QString>("strStatus");
    const int nCtrlA = int(Action::CtrlA);
    const int nShiftEnd = int(Action::ShiftEnd);
    const int nClearingClick = int(Action::ClearingClick);
    QTest::newRow("1 row, Ctrl+A") << 1 << nCtrlA << -1 << 0 << u" Record:      1 /      1"_s;
    QTest::newRow("1 row, Shift+End") << 1 << nShiftEnd << -1 << 0 << u" Record:      1 /      1"_s;
    QTest::newRow("1 row, clearing click")
        << 1 << nClearingClick << 0 << 0 << u" Record:      1 /      1"_s;
    QTest::newRow("2 rows, Ctrl+A") << 2 << nCtrlA << -1 << 1 << u" Record:      2 /      2"_s;
    QTest::newRow("2 rows, Shift+End")
        << 2 << nShiftEnd << -1 << 1 << u" Record:      2 /      2"_s;
    QTest::newRow("2 rows, click on the row current before Ctrl+A")
        << 2 << nClearingClick << 0 << 0 << u" Record:      1 /      2"_s;
    QTest::newRow("1000 rows, Ctrl+A")
        << 1000 << nCtrlA << -1 << 999 << u" Record:   1000 /   1000"_s;
    QTest::newRow("1000 rows, Shift+End")
        << 1000 << nShiftEnd << -1 << 999 << u" Record:   1000 /   1000"_s;
    QTest::newRow("1000 rows, clearing click")
        << 1000 << nClearingClick << 2 << 2 << u" Record:      3 /   1000"_s;
}

// From the first row clicked: Ctrl+A and Shift+End end at the last row, and a
// click after Ctrl+A at the clicked row, which Enter then opens. However many
// rows change, the status text is painted once.
void TestTableView::manyRowChangesEndAtTheUsersRow() {
    QFETCH(int, nRows);
    QFETCH(int, action);
    QFETCH(int, nClicked);
    QFETCH(int, nCurrent);
    QFETCH(QString, strStatus);
    QVERIFY(m_pCorvane->ExecuteSql(
        u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO ADDRESSES (Date, EMail, Prefix, Name, Template, MY_1, MY_2, MY_3, MY_4, "
        "MY_5) SELECT '2026-12-07 10:00:00', 'p' || i || '@example.com', ' ', ' ', ' ', ' ', ' ', "
        "' ', ' ', ' ' FROM n"_s.arg(nRows)));
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    QCOMPARE(pView->GetItemCount(), nRows);
    ClickRow(pView, 0);
    QLabel* pPane = m_pCorvane->Frame()->findChild<QLabel*>(u"statusPane0"_s);
    QVERIFY(pPane != nullptr);
    PaintCounter paints(pPane);
    switch (Action(action)) {
    case Action::CtrlA:
        QTest::keyClick(pView, Qt::Key_A, Qt::ControlModifier);
        break;
    case Action::ShiftEnd:
        QTest::keyClick(pView, Qt::Key_End, Qt::ShiftModifier);
        break;
    case Action::ClearingClick:
        QTest::keyClick(pView, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(pView->GetSelectedCount(), nRows);
        ClickRow(pView, nClicked);
        QCOMPARE(pView->GetSelectedCount(), 1);
        break;
    }
    QCoreApplication::processEvents();
    QCOMPARE(pView->m_nCurrentItem, nCurrent);
    QCOMPARE(PaneText(*m_pCorvane), strStatus);
    QVERIFY2(paints.Count() <= (action == int(Action::ClearingClick) ? 4 : 2),
             qPrintable(u"%1 paints"_s.arg(paints.Count())));

    QString strOpened;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&strOpened](QDialog* pDialog) {
        strOpened = pDialog->findChild<QLineEdit*>(u"editEMail"_s)->text();
        pDialog->reject();
    });
    QTest::keyClick(pView, Qt::Key_Return);
    QCOMPARE(strOpened, u"p%1@example.com"_s.arg(nCurrent + 1));
}

void TestTableView::headerShowsTheLastSort_data() {
    QTest::addColumn<int>("nFirst");
    QTest::addColumn<int>("nSecond");
    QTest::addColumn<bool>("bSecondWindow");
    QTest::newRow("one column twice") << int(ColName) << int(ColName) << false;
    QTest::newRow("two columns") << int(ColName) << int(ColEMail) << false;
    QTest::newRow("two windows") << int(ColName) << int(ColEMail) << true;
}

// The header shows the column of the window's last sort and its direction,
// which alternates from click to click across columns and windows; a refill
// lists the rows by key again and shows none.
void TestTableView::headerShowsTheLastSort() {
    QFETCH(int, nFirst);
    QFETCH(int, nSecond);
    QFETCH(bool, bSecondWindow);
    m_pCorvane->AddAddresses(
        {{u"b@example.com"_s, u"Mr."_s, u"Bob"_s}, {u"a@example.com"_s, u"Ms."_s, u"Ann"_s}});
    CListView_Table* pFirst = ShowTable();
    QVERIFY(pFirst != nullptr);
    QVERIFY(!pFirst->horizontalHeader()->isSortIndicatorShown());
    CListView_Table* pSecond = bSecondWindow ? ShowTable() : pFirst;
    QVERIFY(pSecond != nullptr);
    ClickHeader(pFirst, nFirst);
    ClickHeader(pSecond, nSecond);

    QHeaderView* pHeader = pSecond->horizontalHeader();
    QVERIFY(pHeader->isSortIndicatorShown());
    QCOMPARE(pHeader->sortIndicatorSection(), nSecond);
    QCOMPARE(pHeader->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(ColumnTexts(pSecond, ColEMail), (QStringList{u"a@example.com"_s, u"b@example.com"_s}));
    if (bSecondWindow) {
        QCOMPARE(pFirst->horizontalHeader()->sortIndicatorSection(), nFirst);
        QCOMPARE(pFirst->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    }
    pSecond->FillTable();
    QVERIFY(!pHeader->isSortIndicatorShown());
}

void TestTableView::showAddressWithoutCurrentRowDoesNothing() {
    m_pCorvane->AddAddresses({{u"a@example.com"_s}});
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    bool bOpened = false;
    QObject* pWait = CAppFixture::WhenDialog(u"CDia_Record"_s, [&bOpened](QDialog* pDialog) {
        bOpened = true;
        pDialog->reject();
    });
    m_pCorvane->Command(ID_SHOW_ADDRESS);
    delete pWait;
    QVERIFY(!bOpened);
}

// After "Close" the whole list is read again; with the focus in the list the
// fill leaves the status text empty.
void TestTableView::doubleClickBelowRowsAddsAndRefills() {
    m_pCorvane->AddAddresses({{u"a@example.com"_s}});
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    pView->setFocus();
    QString strCaption;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&strCaption](QDialog* pDialog) {
        strCaption = pDialog->windowTitle();
        CAppFixture::TypeRecord(pDialog, {u"b@example.com"_s});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    const QPoint below(20, pView->viewport()->height() - 5);
    QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(strCaption, u"Adding a new address"_s);
    QCOMPARE(ColumnTexts(pView, ColEMail), (QStringList{u"a@example.com"_s, u"b@example.com"_s}));
    QCOMPARE(PaneText(*m_pCorvane), QString());
    QCOMPARE(pView->window()->focusWidget(), pView);
}

void TestTableView::deleteWithoutSelectionOnlyTells() {
    m_pCorvane->AddAddresses({{u"a@example.com"_s}});
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    m_pCorvane->Command(ID_DELETE_ADDRESS);
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList{u"Please select a record(s) for delete."_s});
    QCOMPARE(pView->GetItemCount(), 1);
    QCOMPARE(m_pCorvane->StoredRecords().size(), 1);
    QVERIFY(pView->isVisible());
}

// The engine refuses the fill (the table is gone): its text is shown, and
// the window is left usable: visible, no progress bar, no wait cursor.
void TestTableView::failedFillLeavesUsableWindow() {
    QVERIFY(m_pCorvane->ExecuteSql(u"DROP TABLE ADDRESSES"_s));
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    QCOMPARE(m_pCorvane->BoxTexts().size(), 1);
    QVERIFY2(m_pCorvane->BoxTexts()[0].contains(u"ADDRESSES"_s),
             qPrintable(m_pCorvane->BoxTexts()[0]));
    QVERIFY(pView->isVisible());
    QCOMPARE(pView->GetItemCount(), 0);
    QVERIFY(m_pCorvane->Frame()->m_db.m_wndProgress.GetSafeHwnd() == nullptr);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(m_pCorvane->ChildCount(), 1);
}

void TestTableView::savedEditShowsInRowHoweverClosed_data() {
    AddClosings();
}

// A save, then the dialog is closed in some way: the row shows the saved
// texts, and a later edit from the same row keeps them.
void TestTableView::savedEditShowsInRowHoweverClosed() {
    QFETCH(int, closing);
    m_pCorvane->AddAddresses({{u"alice@example.com"_s, u"Ms."_s, u"Alice"_s}});
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);

    CAppFixture::WhenDialog(u"CDia_Record"_s, [closing](QDialog* pDialog) {
        CAppFixture::TypeRecord(pDialog, {u"alice@example.com"_s, u"Ms."_s, u"Alicia"_s});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        CAppFixture::TypeRecord(pDialog, {u"typed.after@example.com"_s});
        CloseDialog(pDialog, Closing(closing));
    });
    QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, RowPoint(pView, 0));
    QCOMPARE(pView->GetItemText(0, ColName), u"Alicia"_s);
    QCOMPARE(pView->GetItemText(0, ColEMail), u"alice@example.com"_s);
    QCOMPARE(pView->GetItemText(0, ColDate), Today());

    QString strShownName;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&strShownName](QDialog* pDialog) {
        strShownName = pDialog->findChild<QLineEdit*>(u"editName"_s)->text();
        auto* pMY1 = pDialog->findChild<QWidget*>(u"editMY1"_s);
        pMY1->setFocus();
        QTest::keyClick(pMY1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(pMY1, u"first note"_s);
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, RowPoint(pView, 0));
    QCOMPARE(strShownName, u"Alicia"_s);
    const QStringList stored = m_pCorvane->StoredRecords().value(0);
    QCOMPARE(stored.value(ColName), u"Alicia"_s);
    QCOMPARE(stored.value(6), u"first note"_s);
    QCOMPARE(pView->GetItemText(0, 6), u"first note"_s);
}

void TestTableView::editOfGoneRecordLeavesRow_data() {
    AddClosings();
}

// Another program deleted the record: the store says it is not found, and
// the row keeps showing what it showed.
void TestTableView::editOfGoneRecordLeavesRow() {
    QFETCH(int, closing);
    m_pCorvane->AddAddresses({{u"gone@example.com"_s, u"Mr."_s, u"Gone"_s}});
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    QStringList shown;
    for (int nColumn = 0; nColumn < pView->GetHeaderItemCount(); ++nColumn)
        shown << pView->GetItemText(0, nColumn);
    QVERIFY(m_pCorvane->ExecuteSql(u"DELETE FROM ADDRESSES"_s));

    CAppFixture::WhenDialog(u"CDia_Record"_s, [closing](QDialog* pDialog) {
        CAppFixture::TypeRecord(pDialog, {u"ghost@example.com"_s, u"Dr."_s, u"Ghost"_s});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        CloseDialog(pDialog, Closing(closing));
    });
    QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, RowPoint(pView, 0));
    QCOMPARE(m_pCorvane->BoxTexts(),
             QStringList{u"Not found \"ID_Address = %1\" in Database."_s.arg(shown[0])});
    QStringList after;
    for (int nColumn = 0; nColumn < pView->GetHeaderItemCount(); ++nColumn)
        after << pView->GetItemText(0, nColumn);
    QCOMPARE(after, shown);
    QCOMPARE(m_pCorvane->StoredRecords().size(), 0);
}

void TestTableView::dateColumnFitsItsTexts_data() {
    QTest::addColumn<qreal>("pointSize");
    QTest::newRow("the frame's own font") << 0.0;
    QTest::newRow("8 points") << 8.0;
    QTest::newRow("11 points") << 11.0;
    QTest::newRow("16 points") << 16.0;
}

// Whatever the font in use, the dates show whole: neither a cell's text nor
// the header's is cut short.
void TestTableView::dateColumnFitsItsTexts() {
    QFETCH(qreal, pointSize);
    m_pCorvane->AddAddresses({{u"a@example.com"_s}, {u"b@example.com"_s}});
    QVERIFY(m_pCorvane->ExecuteSql(
        u"UPDATE ADDRESSES SET Date = '2008-08-28 00:00:00' WHERE ID_Address = 2"_s));
    if (pointSize > 0) {
        QFont font = m_pCorvane->Frame()->font();
        font.setPointSizeF(pointSize);
        m_pCorvane->Frame()->setFont(font);
    }

    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);
    QCOMPARE(ColumnTexts(pView, ColDate), (QStringList{Today(), u"08/28/08"_s}));
    const int nWidth = pView->columnWidth(ColDate);
    if (pointSize > 0)
        QCOMPARE(pView->font().pointSizeF(), pointSize);
    QVERIFY(nWidth >= 60);
    // The widest cell as the view measures it, with its margins and grid line.
    const int nNeeded = static_cast<QAbstractItemView*>(pView)->sizeHintForColumn(ColDate);
    QVERIFY2(nNeeded <= nWidth, qPrintable(u"%1 > %2"_s.arg(nNeeded).arg(nWidth)));
    QVERIFY(pView->horizontalHeader()->sectionSizeHint(ColDate) <= nWidth);
}

// A table view fills from the store of the context it is made with, and
// Ctrl+F runs that context's Find; the main window's store is not read.
void TestTableView::worksWithTheContextItIsMadeWith() {
    m_pCorvane->AddAddresses({{u"main@example.com"_s}});
    QVERIFY(QDir().mkpath(m_pCorvane->FilePath(u"other"_s)));
    QVERIFY(QDir::setCurrent(m_pCorvane->FilePath(u"other"_s)));
    CAddressDatabase other;
    QVERIFY(other.OpenOrCreate());
    QVERIFY(QDir::setCurrent(m_pCorvane->Dir()));
    QStringList values(11, u" "_s);
    values[0] = u"0"_s;
    values[1] = Today();
    values[2] = u"other@example.com"_s;
    QVERIFY(other.SaveRecord(values, true));

    int nFinds = 0;
    CViewContext context = m_pCorvane->App()->m_context;
    context.m_pDb = &other;
    context.m_find = [&nFinds] { ++nFinds; };
    m_pCorvane->App()->m_pTableTemplate->SetViewFactory(
        [&context] { return new CListView_Table(context); });
    CListView_Table* pView = ShowTable();
    QVERIFY(pView != nullptr);

    QCOMPARE(ColumnTexts(pView, ColEMail), QStringList{u"other@example.com"_s});
    QTest::keyClick(pView, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(nFinds, 1);
    QCOMPARE(m_pCorvane->ChildCount(), 1);
    // The window goes before the store it lists.
    QPointer<CMDIChildWnd> pChild = m_pCorvane->Frame()->MDIGetActive();
    QVERIFY(pChild->close());
    QTRY_VERIFY(pChild.isNull());
}

QTEST_MAIN(TestTableView)
#include "tst_table.moc"
