#pragma once

#include <QStringView>
#include <QTableView>
#include <QtGlobal>
#include <vector>

class CListModel;
class QItemSelection;

// List-control column formats, item states and search flags.
enum : int { LVCFMT_LEFT = 0x0000, LVCFMT_RIGHT = 0x0001, LVCFMT_CENTER = 0x0002 };
enum : unsigned { LVIS_FOCUSED = 0x0001, LVIS_SELECTED = 0x0002 };
enum : int { LVNI_ALL = 0x0000, LVNI_SELECTED = 0x0002 };

// The report-style list control: a QTableView over a model of ours that holds
// the rows (one text per column and an item data value per row) and the
// selection. Row and column numbers count from 0; bad numbers are refused
// (false, -1 or an empty text), never undefined behaviour.
//
// Works without ever being shown. Changes made while the control is hidden
// reach the view in one piece, when it shows or the event loop next runs, so
// bulk work on a hidden control costs no per-row work in the view.
class CListCtrl : public QTableView {
    Q_OBJECT

public:
    // Compares the item data of two rows; a positive result places the first
    // after the second, anything else counts as "not after".
    using PFNLVCOMPARE = int (*)(quintptr lParam1, quintptr lParam2, quintptr lParamSort);

    explicit CListCtrl(QWidget* pParent = nullptr);
    ~CListCtrl() override;

    // A width of -1 or 0 gives the default width. Cells belong to their
    // columns: inserting a column gives every row an empty cell there, so
    // nSubItem is taken to be nCol. Positions past the end append.
    int InsertColumn(int nCol, const QString& strHeading, int nFormat = LVCFMT_LEFT,
                     int nWidth = -1, int nSubItem = -1);
    int GetHeaderItemCount() const;

    // Positions past the end append; returns the new row's number.
    int InsertItem(int nItem, const QString& strText);
    bool SetItemText(int nItem, int nSubItem, const QString& strText);
    QString GetItemText(int nItem, int nSubItem) const;
    // The same text without a copy, for reading many rows fast: valid until
    // the row's texts change or the row goes.
    QStringView ItemTextView(int nItem, int nSubItem) const;
    bool SetItemData(int nItem, quintptr dwData);
    quintptr GetItemData(int nItem) const;
    int GetItemCount() const;
    bool DeleteItem(int nItem);
    // The same as DeleteItem on each of the rows, from the bottom, in one
    // pass over the list. The rows must be ascending, each once; else nothing
    // is deleted and the result is false.
    bool DeleteItems(const std::vector<int>& arrItems);
    bool DeleteAllItems();

    // LVNI_SELECTED: the next selected row after nItem; LVNI_ALL: the next
    // row. From -1 the search starts at the top. -1 when there is none.
    int GetNextItem(int nItem, int nFlags) const;
    int GetSelectedCount() const;
    // Only LVIS_SELECTED is kept; other state bits are ignored.
    bool SetItemState(int nItem, unsigned nState, unsigned nMask);
    unsigned GetItemState(int nItem, unsigned nMask) const;

    // A stable sort. The rows stay in place until the sort is over, so the
    // comparison may read any row's texts while it runs (for example through
    // item data that numbers the rows by position).
    bool SortItems(PFNLVCOMPARE pfnCompare, quintptr dwData);

    // Item changes between these two calls count as one change: itemChangesDone
    // comes once, at the end. Calls nest.
    void BeginItemChanges();
    void EndItemChanges();

Q_SIGNALS:
    // LVN_ITEMCHANGED: one row's state changed. Emitted only while the view is
    // visible. Of a change the user makes, the deselected rows come first,
    // then the selected ones, and last the row the user clicked or moved to,
    // with LVIS_FOCUSED in its new state: also when its selection stayed as
    // it was, so that a click always ends at the clicked row.
    void itemChanged(int nItem, unsigned nOldState, unsigned nNewState);
    // After the item changes of one change: one click or key of the user, one
    // SetItemState, or all of those between BeginItemChanges and
    // EndItemChanges. Whoever shows something per change can show it once
    // here instead of once per row.
    void itemChangesDone();

protected:
    void showEvent(QShowEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    bool IsRow(int nItem) const;
    void PrepareChange();
    void ScheduleFlush();
    void Flush();
    void PushSelectionToView();
    void TakeSelectionFromView(const QItemSelection& selected, const QItemSelection& deselected);
    void NotifyUserChange(const std::vector<int>& arrTurnedOff,
                          const std::vector<int>& arrTurnedOn);
    void Notify(int nItem, unsigned nOldState, unsigned nNewState);
    void NotifySelection(int nItem, bool bSelected);
    void NotifyDone();

    CListModel* m_pModel;
    bool m_bFlushPosted = false;
    bool m_bSelectionDirty = false;
    // Set while the control changes rows or the view's selection itself, so
    // that the selection model's reactions are not read back as the user's.
    bool m_bOwnChange = false;
    int m_nItemChangesDepth = 0;
    bool m_bItemChangesPending = false;
};
