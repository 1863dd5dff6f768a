#pragma once

#include "platform/mfc/CListView.h"
#include "views/CViewContext.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

class CAddressDatabase;
class CDaoRecordset;

// The view of a table window: one row per address record, one column per
// field. It fills itself from the store (all records, or those that match
// the find filter of the Find that opens it), sorts by a column when its
// header is clicked, shows the current row's position in the status bar,
// opens the record dialog to add or edit, deletes the selected records, and
// previews or sends the mails of the selected rows. It works with what the
// context it is made with holds: the store, the main window, the preview
// windows' kind and Find.
class CListView_Table : public CListView {
    Q_OBJECT

public:
    explicit CListView_Table(const CViewContext& context);
    ~CListView_Table() override;

    void OnInitialUpdate() override;

    void FillTable();
    // Fills the window again with its own query (all records, or a Find's
    // matches) and sorts it as its latest header click did.
    void Refill();
    // Opens the record dialog on a row, or empty for an addition (nItem -1).
    void ShowRecord(int nItem);
    // The header click's comparison: 1 when the first row goes after the
    // second in the list's sort direction, else 0. lParamSort is the list.
    static int CompareItems(quintptr lParam1, quintptr lParam2, quintptr lParamSort);

    // Commands.
    void OnDeleteAddress();
    void OnAddAddress();
    void OnShowAddress();
    void OnPreviewMail();
    void OnPreviewFormatted();
    void OnSendMail();
    // Gives the selected rows' records one of the folder's templates.
    void OnSetTemplate();
    void OnUpdateOutsideSendRun(CCmdUI* pCmdUI);

    // The row of the latest item-change notification; -1 before the first.
    int m_nCurrentItem = -1;
    QString m_strText;
    CListCtrl* m_pList = nullptr;
    CViewContext m_context;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    CAddressDatabase& Store() const;
    void Guarded(const std::function<void()>& work);

    void OnKeyDown(QKeyEvent* pEvent);
    void OnLvnColumnclick(int nColumn);
    void OnNMDblclk(int nItem);
    void OnLvnItemchanged(int nItem);
    // The current row's position in the status bar.
    void ShowCurrentItem();

    void FillWith(const QString& strFilter);
    void SortBy(int nColumn);
    void InsertColumns();
    int DateColumnWidth() const;
    QString FillStatement() const;
    QStringList RecordTexts(CDaoRecordset& recordset) const;
    void AddRow(int nItem, const QStringList& texts);
    void SelectAll();
    void Renumber();
    // The row that Show Address and Enter work on: the current row, or
    // before there is one the first selected row; -1 for none.
    int CurrentItem() const;
    // The walk over the selected rows, top to bottom; the next row is looked
    // up before the current one is handed to the work.
    void ForEachSelected(const std::function<void(int)>& work) const;
    QList<int> SelectedItems() const;
    int TemplateColumn() const;
    QString UnopenedTemplatesText(const QList<int>& items, int nSelected) const;
    // Whether a row is selected for a preview; tells the user when none is.
    bool HasRowsToPreview();

    // The texts of the sort column as they stood when the sort began, by
    // row: views into the rows, which the sort moves but does not change.
    std::vector<QStringView> m_arrSortTexts;
    // The filter of the latest fill: the Find's condition, or none.
    QString m_strFilter;
    // The column and direction of the window's latest sort; -1: none yet.
    int m_nSortedColumn = -1;
    bool m_bSortedDescending = false;
};
