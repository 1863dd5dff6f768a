#pragma once

#include <QTableView>
#include <QtGlobal>

class CListModel;

// List-control column formats, item states and search flags.
enum : int { LVCFMT_LEFT = 0x0000, LVCFMT_RIGHT = 0x0001, LVCFMT_CENTER = 0x0002 };
enum : unsigned { LVIS_FOCUSED = 0x0001, LVIS_SELECTED = 0x0002 };
enum : int { LVNI_ALL = 0x0000, LVNI_SELECTED = 0x0002 };

// The report-style list control: a QTableView over a model of ours that holds
// the rows (one text per column and an item data value per row) and the
// selection. Row and column numbers count from 0; bad numbers are refused
// (false, -1 or an empty text), never undefined behaviour.
class CListCtrl : public QTableView {
    Q_OBJECT

public:
    // Compares the item data of two rows; a positive result places the first
    // after the second, anything else counts as "not after".
    using PFNLVCOMPARE = int (*)(quintptr lParam1, quintptr lParam2, quintptr lParamSort);

    explicit CListCtrl(QWidget* pParent = nullptr);
    ~CListCtrl() override;

    int InsertColumn(int nCol, const QString& strHeading, int nFormat = LVCFMT_LEFT,
                     int nWidth = -1, int nSubItem = -1);
    int GetHeaderItemCount() const;

    int InsertItem(int nItem, const QString& strText);
    bool SetItemText(int nItem, int nSubItem, const QString& strText);
    QString GetItemText(int nItem, int nSubItem) const;
    bool SetItemData(int nItem, quintptr dwData);
    quintptr GetItemData(int nItem) const;
    int GetItemCount() const;
    bool DeleteItem(int nItem);
    bool DeleteAllItems();

    int GetNextItem(int nItem, int nFlags) const;
    int GetSelectedCount() const;
    bool SetItemState(int nItem, unsigned nState, unsigned nMask);
    unsigned GetItemState(int nItem, unsigned nMask) const;

    bool SortItems(PFNLVCOMPARE pfnCompare, quintptr dwData);

Q_SIGNALS:
    // LVN_ITEMCHANGED: one row's state changed (deselected rows are reported
    // before the newly selected one). Emitted only while the view is visible.
    void itemChanged(int nItem, unsigned nOldState, unsigned nNewState);
};
