#include "platform/ui/CListCtrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <climits>

namespace {

constexpr int kColumns = 3;

// A control with three columns and rows whose cells read "r<row>c<column>".
void Fill(CListCtrl& list, int nRows) {
    for (int nCol = 0; nCol < kColumns; ++nCol)
        list.InsertColumn(nCol, QStringLiteral("H%1").arg(nCol), LVCFMT_LEFT, 80);
    for (int nRow = 0; nRow < nRows; ++nRow) {
        list.InsertItem(nRow, QStringLiteral("r%1c0").arg(nRow));
        for (int nCol = 1; nCol < kColumns; ++nCol)
            list.SetItemText(nRow, nCol, QStringLiteral("r%1c%2").arg(nRow).arg(nCol));
        list.SetItemData(nRow, quintptr(nRow));
    }
}

QString Column0(const CListCtrl& list) {
    QStringList texts;
    for (int nRow = 0; nRow < list.GetItemCount(); ++nRow)
        texts << list.GetItemText(nRow, 0);
    return texts.join(u' ');
}

// The selected rows as the control reports them, walked from the top.
QString SelectedRows(const CListCtrl& list) {
    QStringList rows;
    for (int nRow = list.GetNextItem(-1, LVNI_SELECTED); nRow != -1;
         nRow = list.GetNextItem(nRow, LVNI_SELECTED))
        rows << QString::number(nRow);
    return rows.join(u' ');
}

// The selected rows as the view's selection model holds them.
QString ViewSelectedRows(const CListCtrl& list) {
    QList<int> rows;
    for (const QModelIndex& index : list.selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QStringList texts;
    for (int nRow : rows)
        texts << QString::number(nRow);
    return texts.join(u' ');
}

// The notifications as "+row" for a newly selected row, "-row" for a
// deselected one and "=row" for one whose selection stayed, followed by "*"
// when the row gained the focus. States that report no change, or a focus
// that was there before, fail.
QString Notifications(const QSignalSpy& spy) {
    QStringList texts;
    for (const QList<QVariant>& arguments : spy) {
        const unsigned nOld = arguments.at(1).toUInt();
        const unsigned nNew = arguments.at(2).toUInt();
        const bool bFocus = nNew & LVIS_FOCUSED;
        const unsigned nSelection = (nOld ^ nNew) & LVIS_SELECTED;
        if ((nOld & LVIS_FOCUSED) || (!bFocus && !nSelection) ||
            ((nOld | nNew) & ~unsigned(LVIS_SELECTED | LVIS_FOCUSED)))
            return QStringLiteral("bad states %1 -> %2").arg(nOld).arg(nNew);
        const QChar change = !nSelection ? u'=' : (nNew & LVIS_SELECTED) ? u'+' : u'-';
        texts << change + QString::number(arguments.at(0).toInt()) +
                     (bFocus ? QStringLiteral("*") : QString());
    }
    return texts.join(u' ');
}

void Select(CListCtrl& list, const QList<int>& rows) {
    for (int nRow : rows)
        list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
}

// The view's pattern: item data numbers the rows by position, and the
// comparison reads the texts of column 0 through it.
int CompareAscending(quintptr lParam1, quintptr lParam2, quintptr lParamSort) {
    const auto* pList = reinterpret_cast<const CListCtrl*>(lParamSort);
    return pList->GetItemText(int(lParam1), 0).compare(pList->GetItemText(int(lParam2), 0)) > 0;
}

int CompareDescending(quintptr lParam1, quintptr lParam2, quintptr lParamSort) {
    const auto* pList = reinterpret_cast<const CListCtrl*>(lParamSort);
    return pList->GetItemText(int(lParam1), 0).compare(pList->GetItemText(int(lParam2), 0)) < 0;
}

// Also calls equal texts "after" each other.
int CompareDescendingLoose(quintptr lParam1, quintptr lParam2, quintptr lParamSort) {
    const auto* pList = reinterpret_cast<const CListCtrl*>(lParamSort);
    return pList->GetItemText(int(lParam1), 0).compare(pList->GetItemText(int(lParam2), 0)) <= 0;
}

int CompareAlwaysAfter(quintptr, quintptr, quintptr) {
    return 1;
}

using Compare = CListCtrl::PFNLVCOMPARE;

} // namespace

Q_DECLARE_METATYPE(Compare)

class TestListCtrl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsNamedAndEmpty();
    void insertsColumns_data();
    void insertsColumns();
    void insertsRowsAt_data();
    void insertsRowsAt();
    void refusesBadRowNumbers_data();
    void refusesBadRowNumbers();
    void refusesBadColumnNumbers();
    void replacesCellTexts();
    void columnInsertedBetweenKeepsCells();
    void walksSelectionAfterDeletes_data();
    void walksSelectionAfterDeletes();
    void deletesSelectionFromTheTop();
    void deletesRowsInOnePass_data();
    void deletesRowsInOnePass();
    void notifiesOnlyWhileVisible();
    void notifiesUserSelection_data();
    void notifiesUserSelection();
    void notifiesKeyboardSelection_data();
    void notifiesKeyboardSelection();
    void endsEachChangeOnce_data();
    void endsEachChangeOnce();
    void selectionReachesTheView_data();
    void selectionReachesTheView();
    void sortsStably_data();
    void sortsStably();
    void sortKeepsSelectionAndData();
    void sortWithoutComparisonIsRefused();
};

void TestListCtrl::startsNamedAndEmpty() {
    CListCtrl list;
    QCOMPARE(list.objectName(), QStringLiteral("listCtrl"));
    QCOMPARE(list.GetItemCount(), 0);
    QCOMPARE(list.GetHeaderItemCount(), 0);
    QCOMPARE(list.GetSelectedCount(), 0);
    QCOMPARE(list.GetNextItem(-1, LVNI_SELECTED), -1);
    QVERIFY(list.DeleteAllItems());
}

void TestListCtrl::insertsColumns_data() {
    QTest::addColumn<int>("nFormat");
    QTest::addColumn<int>("nWidth");
    QTest::addColumn<int>("nAlignment");
    QTest::addColumn<int>("nExpectedWidth");
    QTest::newRow("left, 4 pixels") << int(LVCFMT_LEFT) << 4 << int(Qt::AlignLeft) << 4;
    QTest::newRow("centre") << int(LVCFMT_CENTER) << 60 << int(Qt::AlignHCenter) << 60;
    QTest::newRow("right") << int(LVCFMT_RIGHT) << 200 << int(Qt::AlignRight) << 200;
    QTest::newRow("width -1 gives the default")
        << int(LVCFMT_LEFT) << -1 << int(Qt::AlignLeft) << 100;
    QTest::newRow("width 0 gives the default")
        << int(LVCFMT_LEFT) << 0 << int(Qt::AlignLeft) << 100;
}

void TestListCtrl::insertsColumns() {
    QFETCH(int, nFormat);
    QFETCH(int, nWidth);
    QFETCH(int, nAlignment);
    QFETCH(int, nExpectedWidth);
    CListCtrl list;
    Fill(list, 2);
    QCOMPARE(list.InsertColumn(kColumns, QStringLiteral("New"), nFormat, nWidth), kColumns);
    QCOMPARE(list.GetHeaderItemCount(), kColumns + 1);
    QCOMPARE(list.horizontalHeader()->count(), kColumns + 1);
    QCOMPARE(list.horizontalHeader()->sectionSize(kColumns), nExpectedWidth);
    QCOMPARE(list.model()->headerData(kColumns, Qt::Horizontal).toString(), QStringLiteral("New"));
    const QModelIndex cell = list.model()->index(1, kColumns);
    const auto alignment = list.model()->data(cell, Qt::TextAlignmentRole).value<Qt::Alignment>();
    QCOMPARE(int(alignment & Qt::AlignHorizontal_Mask), nAlignment);
    QCOMPARE(list.GetItemText(1, kColumns), QString());
    QVERIFY(list.SetItemText(1, kColumns, QStringLiteral("x")));
    QCOMPARE(list.model()->data(cell).toString(), QStringLiteral("x"));
}

void TestListCtrl::insertsRowsAt_data() {
    QTest::addColumn<int>("nPosition");
    QTest::addColumn<int>("nExpected");
    QTest::addColumn<QString>("strOrder");
    QTest::newRow("top") << 0 << 0 << "new r0c0 r1c0 r2c0";
    QTest::newRow("middle") << 2 << 2 << "r0c0 r1c0 new r2c0";
    QTest::newRow("end") << 3 << 3 << "r0c0 r1c0 r2c0 new";
    QTest::newRow("past the end appends") << 99 << 3 << "r0c0 r1c0 r2c0 new";
    QTest::newRow("negative is refused") << -1 << -1 << "r0c0 r1c0 r2c0";
}

void TestListCtrl::insertsRowsAt() {
    QFETCH(int, nPosition);
    QFETCH(int, nExpected);
    QFETCH(QString, strOrder);
    CListCtrl list;
    Fill(list, 3);
    Select(list, {1});
    QCOMPARE(list.InsertItem(nPosition, QStringLiteral("new")), nExpected);
    QCOMPARE(Column0(list), strOrder);
    // The selected row moves with its text; the new row is not selected.
    QCOMPARE(list.GetItemText(list.GetNextItem(-1, LVNI_SELECTED), 0), QStringLiteral("r1c0"));
    QCOMPARE(list.GetSelectedCount(), 1);
    if (nExpected >= 0) {
        QCOMPARE(list.GetItemData(nExpected), quintptr(0));
        QCOMPARE(list.GetItemText(nExpected, 1), QString());
    }
}

void TestListCtrl::refusesBadRowNumbers_data() {
    QTest::addColumn<int>("nRow");
    QTest::newRow("-1") << -1;
    QTest::newRow("-2") << -2;
    QTest::newRow("count") << 3;
    QTest::newRow("past count") << 8;
    QTest::newRow("INT_MAX") << INT_MAX;
}

void TestListCtrl::refusesBadRowNumbers() {
    QFETCH(int, nRow);
    CListCtrl list;
    Fill(list, 3);
    QVERIFY(!list.SetItemText(nRow, 0, QStringLiteral("x")));
    QCOMPARE(list.GetItemText(nRow, 0), QString());
    QVERIFY(!list.SetItemData(nRow, 7));
    QCOMPARE(list.GetItemData(nRow), quintptr(0));
    QVERIFY(!list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED));
    QCOMPARE(list.GetItemState(nRow, LVIS_SELECTED), 0u);
    QVERIFY(!list.DeleteItem(nRow));
    QCOMPARE(list.GetSelectedCount(), 0);
    QCOMPARE(list.GetItemCount(), 3);
    QCOMPARE(Column0(list), QStringLiteral("r0c0 r1c0 r2c0"));
    if (nRow != -1)
        QCOMPARE(list.GetNextItem(nRow, LVNI_ALL), -1);
}

void TestListCtrl::refusesBadColumnNumbers() {
    CListCtrl list;
    Fill(list, 1);
    QVERIFY(!list.SetItemText(0, kColumns, QStringLiteral("x")));
    QVERIFY(!list.SetItemText(0, -1, QStringLiteral("x")));
    QCOMPARE(list.GetItemText(0, kColumns), QString());
    QCOMPARE(list.GetItemText(0, -1), QString());
    QCOMPARE(list.InsertColumn(-1, QStringLiteral("x")), -1);
    QCOMPARE(list.InsertColumn(50, QStringLiteral("x")), kColumns);
}

void TestListCtrl::replacesCellTexts() {
    CListCtrl list;
    Fill(list, 2);
    // Longer, shorter, empty and back, in no particular column order.
    list.SetItemText(0, 1, QStringLiteral("a much longer text than before"));
    list.SetItemText(0, 0, QString());
    list.SetItemText(0, 2, QStringLiteral("ü"));
    list.SetItemText(0, 1, QStringLiteral("b"));
    list.SetItemText(0, 0, QStringLiteral("first"));
    QCOMPARE(list.GetItemText(0, 0), QStringLiteral("first"));
    QCOMPARE(list.GetItemText(0, 1), QStringLiteral("b"));
    QCOMPARE(list.GetItemText(0, 2), QStringLiteral("ü"));
    QCOMPARE(list.GetItemText(1, 1), QStringLiteral("r1c1"));
    QCOMPARE(list.model()->data(list.model()->index(0, 2)).toString(), QStringLiteral("ü"));
}

void TestListCtrl::columnInsertedBetweenKeepsCells() {
    CListCtrl list;
    Fill(list, 2);
    QCOMPARE(list.InsertColumn(1, QStringLiteral("Between")), 1);
    QCOMPARE(list.GetItemText(1, 0), QStringLiteral("r1c0"));
    QCOMPARE(list.GetItemText(1, 1), QString());
    QCOMPARE(list.GetItemText(1, 2), QStringLiteral("r1c1"));
    QCOMPARE(list.GetItemText(1, 3), QStringLiteral("r1c2"));
}

void TestListCtrl::walksSelectionAfterDeletes_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QList<int>>("deleted");
    QTest::addColumn<QString>("strExpected");
    QTest::addColumn<QString>("strRows");
    QTest::newRow("nothing deleted") << QList<int>{1, 4, 5} << QList<int>{} << "1 4 5"
                                     << "r0c0 r1c0 r2c0 r3c0 r4c0 r5c0";
    QTest::newRow("unselected row above") << QList<int>{2, 4} << QList<int>{0} << "1 3"
                                          << "r1c0 r2c0 r3c0 r4c0 r5c0";
    QTest::newRow("first selected row") << QList<int>{2, 4} << QList<int>{2} << "3"
                                        << "r0c0 r1c0 r3c0 r4c0 r5c0";
    QTest::newRow("row between") << QList<int>{0, 5} << QList<int>{3} << "0 4"
                                 << "r0c0 r1c0 r2c0 r4c0 r5c0";
    QTest::newRow("last row, selected") << QList<int>{0, 5} << QList<int>{5} << "0"
                                        << "r0c0 r1c0 r2c0 r3c0 r4c0";
    QTest::newRow("all selected rows") << QList<int>{1, 2} << QList<int>{1, 1} << ""
                                       << "r0c0 r3c0 r4c0 r5c0";
    QTest::newRow("every row") << QList<int>{0, 1, 2, 3, 4, 5} << QList<int>{0, 0, 0, 0, 0, 0} << ""
                               << "";
}

void TestListCtrl::walksSelectionAfterDeletes() {
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, deleted);
    QFETCH(QString, strExpected);
    QFETCH(QString, strRows);
    CListCtrl list;
    Fill(list, 6);
    Select(list, selected);
    // Asking before deleting moves the search's starting point; the answers
    // after the deletes must not depend on it.
    QCOMPARE(list.GetNextItem(-1, LVNI_SELECTED),
             *std::min_element(selected.begin(), selected.end()));
    QCOMPARE(list.GetSelectedCount(), int(selected.size()));
    for (int nRow : deleted)
        QVERIFY(list.DeleteItem(nRow));
    QCOMPARE(SelectedRows(list), strExpected);
    QCOMPARE(list.GetSelectedCount(), int(strExpected.split(u' ', Qt::SkipEmptyParts).size()));
    QCOMPARE(Column0(list), strRows);
}

void TestListCtrl::deletesSelectionFromTheTop() {
    CListCtrl list;
    Fill(list, 8);
    Select(list, {6, 1, 3, 4});
    QStringList deleted;
    for (int nRow = list.GetNextItem(-1, LVNI_SELECTED); nRow != -1;
         nRow = list.GetNextItem(-1, LVNI_SELECTED)) {
        deleted << list.GetItemText(nRow, 0);
        QVERIFY(list.DeleteItem(nRow));
    }
    QCOMPARE(deleted.join(u' '), QStringLiteral("r1c0 r3c0 r4c0 r6c0"));
    QCOMPARE(Column0(list), QStringLiteral("r0c0 r2c0 r5c0 r7c0"));
    QCOMPARE(list.GetSelectedCount(), 0);
}

void TestListCtrl::deletesRowsInOnePass_data() {
    QTest::addColumn<QList<int>>("deleted");
    QTest::addColumn<bool>("bVisible");
    QTest::addColumn<bool>("bDone");
    QTest::addColumn<QString>("strSelected");
    QTest::addColumn<QString>("strRows");
    const QString strAll = QStringLiteral("r0c0 r1c0 r2c0 r3c0 r4c0 r5c0 r6c0 r7c0");
    QTest::newRow("above, on and below the selected rows")
        << QList<int>{0, 3, 7} << false << true << "0 4"
        << "r1c0 r2c0 r4c0 r5c0 r6c0";
    QTest::newRow("the same while shown") << QList<int>{0, 3, 7} << true << true << "0 4"
                                          << "r1c0 r2c0 r4c0 r5c0 r6c0";
    QTest::newRow("every row") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7} << false << true << ""
                               << "";
    QTest::newRow("none") << QList<int>{} << false << true << "1 3 6" << strAll;
    QTest::newRow("not ascending") << QList<int>{3, 1} << false << false << "1 3 6" << strAll;
    QTest::newRow("a row twice") << QList<int>{2, 2} << false << false << "1 3 6" << strAll;
    QTest::newRow("past the last row") << QList<int>{2, 8} << false << false << "1 3 6" << strAll;
    QTest::newRow("before the first row")
        << QList<int>{-1, 2} << false << false << "1 3 6" << strAll;
}

// What DeleteItem on each row from the bottom does, or nothing when a row is
// not one: the selection, its count and its walk from the top follow.
void TestListCtrl::deletesRowsInOnePass() {
    QFETCH(QList<int>, deleted);
    QFETCH(bool, bVisible);
    QFETCH(bool, bDone);
    QFETCH(QString, strSelected);
    QFETCH(QString, strRows);
    CListCtrl list;
    Fill(list, 8);
    Select(list, {1, 3, 6});
    if (bVisible) {
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
    }
    // Moves the start of the search for the first selected row to row 1.
    QCOMPARE(list.GetNextItem(-1, LVNI_SELECTED), 1);
    QCOMPARE(list.DeleteItems(std::vector<int>(deleted.begin(), deleted.end())), bDone);
    QCOMPARE(Column0(list), strRows);
    QCOMPARE(SelectedRows(list), strSelected);
    QCOMPARE(list.GetSelectedCount(), int(strSelected.split(u' ', Qt::SkipEmptyParts).size()));
    list.show();
    QCoreApplication::processEvents();
    QCOMPARE(ViewSelectedRows(list), strSelected);
    QCOMPARE(list.verticalHeader()->count(), list.GetItemCount());
}

void TestListCtrl::notifiesOnlyWhileVisible() {
    CListCtrl list;
    Fill(list, 4);
    QSignalSpy spy(&list, &CListCtrl::itemChanged);
    Select(list, {1, 2});
    QCOMPARE(spy.count(), 0);

    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    Select(list, {3, 1});
    list.SetItemState(2, 0, LVIS_SELECTED);
    // Masked out, and no change: nothing to report.
    list.SetItemState(0, LVIS_SELECTED, 0);
    list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
    QCOMPARE(Notifications(spy), QStringLiteral("+3 -2"));

    spy.clear();
    list.hide();
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list.DeleteItem(1);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(SelectedRows(list), QStringLiteral("0 2"));
}

void TestListCtrl::notifiesUserSelection_data() {
    QTest::addColumn<QList<int>>("preselected");
    QTest::addColumn<QList<int>>("clickedRows");
    QTest::addColumn<QList<int>>("modifiers");
    QTest::addColumn<QString>("strNotifications");
    QTest::addColumn<QString>("strSelected");
    const int nNone = Qt::NoModifier;
    const int nCtrl = Qt::ControlModifier;
    const int nShift = Qt::ShiftModifier;
    QTest::newRow("click: deselected rows first")
        << QList<int>{1, 5} << QList<int>{3} << QList<int>{nNone} << "-1 -5 +3*"
        << "3";
    QTest::newRow("click on the one selected row")
        << QList<int>{3} << QList<int>{3} << QList<int>{nNone} << ""
        << "3";
    QTest::newRow("click on one row of a selection ends at it")
        << QList<int>{1, 3, 5} << QList<int>{3} << QList<int>{nNone} << "-1 -5 =3*"
        << "3";
    QTest::newRow("click on the current row of a selection ends at it")
        << QList<int>{} << QList<int>{3, 5, 5} << QList<int>{nNone, nCtrl, nNone}
        << "+3* +5* -3 =5*"
        << "5";
    QTest::newRow("ctrl-click adds") << QList<int>{1} << QList<int>{3} << QList<int>{nCtrl} << "+3*"
                                     << "1 3";
    QTest::newRow("ctrl-click removes")
        << QList<int>{1, 3} << QList<int>{3} << QList<int>{nCtrl} << "-3*"
        << "1";
    QTest::newRow("shift-click range")
        << QList<int>{} << QList<int>{2, 5} << QList<int>{nNone, nShift} << "+2* +3 +4 +5*"
        << "2 3 4 5";
    QTest::newRow("shift-click shrinks")
        << QList<int>{} << QList<int>{2, 6, 4} << QList<int>{nNone, nShift, nShift}
        << "+2* +3 +4 +5 +6* -5 -6 =4*"
        << "2 3 4";
    QTest::newRow("shift-click upwards")
        << QList<int>{7} << QList<int>{4, 1} << QList<int>{nNone, nShift} << "-7 +4* +2 +3 +1*"
        << "1 2 3 4";
}

void TestListCtrl::notifiesUserSelection() {
    QFETCH(QList<int>, preselected);
    QFETCH(QList<int>, clickedRows);
    QFETCH(QList<int>, modifiers);
    QFETCH(QString, strNotifications);
    QFETCH(QString, strSelected);
    CListCtrl list;
    Fill(list, 8);
    Select(list, preselected);
    list.resize(400, 400);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy spy(&list, &CListCtrl::itemChanged);
    for (qsizetype i = 0; i < clickedRows.size(); ++i) {
        const QRect cell = list.visualRect(list.model()->index(clickedRows[i], 1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton,
                          Qt::KeyboardModifiers(Qt::KeyboardModifier(modifiers[i])), cell.center());
    }
    QCOMPARE(Notifications(spy), strNotifications);
    QCOMPARE(SelectedRows(list), strSelected);
    QCOMPARE(ViewSelectedRows(list), strSelected);
}

void TestListCtrl::notifiesKeyboardSelection_data() {
    QTest::addColumn<int>("nKey");
    QTest::addColumn<int>("nModifier");
    QTest::addColumn<QString>("strNotifications");
    QTest::addColumn<QString>("strSelected");
    QTest::newRow("down") << int(Qt::Key_Down) << int(Qt::NoModifier) << "-3 +4*"
                          << "4";
    QTest::newRow("up") << int(Qt::Key_Up) << int(Qt::NoModifier) << "-3 +2*"
                        << "2";
    QTest::newRow("shift+down") << int(Qt::Key_Down) << int(Qt::ShiftModifier) << "+4*"
                                << "3 4";
    QTest::newRow("home") << int(Qt::Key_Home) << int(Qt::NoModifier) << "-3 +0*"
                          << "0";
    QTest::newRow("shift+end") << int(Qt::Key_End) << int(Qt::ShiftModifier) << "+4 +5*"
                               << "3 4 5";
}

void TestListCtrl::notifiesKeyboardSelection() {
    QFETCH(int, nKey);
    QFETCH(int, nModifier);
    QFETCH(QString, strNotifications);
    QFETCH(QString, strSelected);
    CListCtrl list;
    Fill(list, 6);
    list.resize(400, 400);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualRect(list.model()->index(3, 1)).center());
    QSignalSpy spy(&list, &CListCtrl::itemChanged);
    QTest::keyClick(&list, Qt::Key(nKey), Qt::KeyboardModifiers(Qt::KeyboardModifier(nModifier)));
    QCOMPARE(Notifications(spy), strNotifications);
    QCOMPARE(SelectedRows(list), strSelected);
}

// How a change of the selection is made.
enum class Change { RowByRow, OneChange, NestedChanges, NoRowChanges, Hidden, ClearingClick };

void TestListCtrl::endsEachChangeOnce_data() {
    QTest::addColumn<int>("change");
    QTest::addColumn<int>("nRowsReported");
    QTest::addColumn<int>("nDone");
    QTest::newRow("three rows, one by one") << int(Change::RowByRow) << 3 << 3;
    QTest::newRow("three rows as one change") << int(Change::OneChange) << 3 << 1;
    QTest::newRow("nested changes end with the outer one") << int(Change::NestedChanges) << 3 << 1;
    QTest::newRow("rows already as asked") << int(Change::NoRowChanges) << 0 << 0;
    QTest::newRow("hidden") << int(Change::Hidden) << 0 << 0;
    QTest::newRow("a click that clears a selection of 40") << int(Change::ClearingClick) << 40 << 1;
}

// One change, however many rows it touched, ends once: that is where its
// owner updates what it shows, so a change of many rows must not end per row.
void TestListCtrl::endsEachChangeOnce() {
    QFETCH(int, change);
    QFETCH(int, nRowsReported);
    QFETCH(int, nDone);
    CListCtrl list;
    Fill(list, 40);
    Select(list, {0, 1, 2});
    list.resize(400, 400);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy rows(&list, &CListCtrl::itemChanged);
    QSignalSpy done(&list, &CListCtrl::itemChangesDone);
    switch (Change(change)) {
    case Change::RowByRow:
        Select(list, {5, 6, 7});
        break;
    case Change::OneChange:
        list.BeginItemChanges();
        Select(list, {5, 6, 7});
        list.EndItemChanges();
        break;
    case Change::NestedChanges:
        list.BeginItemChanges();
        list.BeginItemChanges();
        Select(list, {5, 6});
        list.EndItemChanges();
        QCOMPARE(done.count(), 0);
        Select(list, {7});
        list.EndItemChanges();
        break;
    case Change::NoRowChanges:
        Select(list, {0, 1, 2});
        list.SetItemState(9, 0, LVIS_SELECTED);
        break;
    case Change::Hidden:
        list.hide();
        Select(list, {5, 6, 7});
        break;
    case Change::ClearingClick:
        for (int nRow = 3; nRow < 40; ++nRow)
            list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
        rows.clear();
        done.clear();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualRect(list.model()->index(2, 1)).center());
        QCOMPARE(rows.last().at(0).toInt(), 2);
        break;
    }
    QCOMPARE(rows.count(), nRowsReported);
    QCOMPARE(done.count(), nDone);
}

void TestListCtrl::selectionReachesTheView_data() {
    QTest::addColumn<bool>("bVisible");
    QTest::addColumn<QString>("strSelected");
    QTest::newRow("changed while visible") << true << "0 1 2 5 6";
    QTest::newRow("changed while hidden, then shown") << false << "0 1 2 5 6";
}

void TestListCtrl::selectionReachesTheView() {
    QFETCH(bool, bVisible);
    QFETCH(QString, strSelected);
    CListCtrl list;
    Fill(list, 9);
    if (bVisible) {
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
    }
    // Rows added, selected, deselected and deleted in one go.
    list.InsertItem(9, QStringLiteral("r9c0"));
    Select(list, {0, 1, 2, 3, 6, 7, 8});
    list.SetItemState(3, 0, LVIS_SELECTED);
    list.DeleteItem(8);
    list.DeleteItem(4);
    if (!bVisible)
        list.show();
    QCoreApplication::processEvents();
    QCOMPARE(SelectedRows(list), strSelected);
    QCOMPARE(ViewSelectedRows(list), strSelected);
    QCOMPARE(list.model()->rowCount(), 8);
    QCOMPARE(list.verticalHeader()->count(), 8);
}

void TestListCtrl::sortsStably_data() {
    QTest::addColumn<Compare>("pfnCompare");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("strOrder");
    const QStringList keys{"b", "a", "c", "a", "b", "10", "9"};
    QTest::newRow("ascending, equal keys keep their order")
        << Compare(CompareAscending) << keys << "5:10 6:9 1:a 3:a 0:b 4:b 2:c";
    QTest::newRow("descending, equal keys keep their order")
        << Compare(CompareDescending) << keys << "2:c 0:b 4:b 1:a 3:a 6:9 5:10";
    QTest::newRow("descending that calls equal keys after each other")
        << Compare(CompareDescendingLoose) << keys << "2:c 0:b 4:b 1:a 3:a 6:9 5:10";
    QTest::newRow("every row after every other: order kept")
        << Compare(CompareAlwaysAfter) << keys << "0:b 1:a 2:c 3:a 4:b 5:10 6:9";
    QTest::newRow("all keys equal")
        << Compare(CompareDescendingLoose) << QStringList{"x", "x", "x", "x"} << "0:x 1:x 2:x 3:x";
    QTest::newRow("no rows") << Compare(CompareAscending) << QStringList{} << "";
}

void TestListCtrl::sortsStably() {
    QFETCH(Compare, pfnCompare);
    QFETCH(QStringList, keys);
    QFETCH(QString, strOrder);
    CListCtrl list;
    list.InsertColumn(0, QStringLiteral("Key"));
    list.InsertColumn(1, QStringLiteral("Origin"));
    for (int nRow = 0; nRow < keys.size(); ++nRow) {
        list.InsertItem(nRow, keys[nRow]);
        list.SetItemText(nRow, 1, QString::number(nRow));
        list.SetItemData(nRow, quintptr(nRow));
    }
    QVERIFY(list.SortItems(pfnCompare, reinterpret_cast<quintptr>(&list)));
    QStringList order;
    for (int nRow = 0; nRow < list.GetItemCount(); ++nRow)
        order << list.GetItemText(nRow, 1) + u':' + list.GetItemText(nRow, 0);
    QCOMPARE(order.join(u' '), strOrder);
}

void TestListCtrl::sortKeepsSelectionAndData() {
    CListCtrl list;
    Fill(list, 5);
    list.SetItemText(1, 0, QStringLiteral("z"));
    list.SetItemText(3, 0, QStringLiteral("a"));
    Select(list, {1, 2});
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QVERIFY(list.SortItems(CompareAscending, reinterpret_cast<quintptr>(&list)));
    QCOMPARE(Column0(list), QStringLiteral("a r0c0 r2c0 r4c0 z"));
    QCOMPARE(list.GetItemData(0), quintptr(3));
    QCOMPARE(list.GetItemData(4), quintptr(1));
    QCOMPARE(list.GetItemText(4, 2), QStringLiteral("r1c2"));
    QCOMPARE(SelectedRows(list), QStringLiteral("2 4"));
    QCOMPARE(ViewSelectedRows(list), QStringLiteral("2 4"));
}

void TestListCtrl::sortWithoutComparisonIsRefused() {
    CListCtrl list;
    Fill(list, 3);
    QVERIFY(!list.SortItems(nullptr, 0));
    QCOMPARE(Column0(list), QStringLiteral("r0c0 r1c0 r2c0"));
}

QTEST_MAIN(TestListCtrl)
#include "tst_listctrl.moc"
