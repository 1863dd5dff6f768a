#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <deque>
#include <memory>
#include <vector>

// The rows of a list control: per row the cell texts, an item data value and
// whether the row is selected; per column a heading and an alignment.
//
// Rows live in a deque so that removing rows near either end (deleting the
// selection from the top) costs no shifting of the rest; the deque holds
// pointers, so that removing a row from the middle shifts pointers, not rows.
// A row's texts are one string with the cells one after the other, so a row
// costs one allocation for its texts instead of one per cell.
//
// While a batch is open the model is inside a model reset: it changes rows
// without per-row notifications, and the views catch up once, when the batch
// ends.
class CListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit CListModel(QObject* pParent = nullptr);
    ~CListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation,
                        int nRole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Inserts an empty cell at nColumn into every row that reaches it.
    void InsertColumn(int nColumn, const QString& strHeading, Qt::Alignment alignment);

    // Inserts a row with strText in column 0, item data 0, not selected.
    void InsertRow(int nRow, const QString& strText);
    void RemoveRow(int nRow);
    // Removes the rows given, which must be ascending and each a row, in one
    // pass over the rows.
    void RemoveRows(const std::vector<int>& arrRows);
    void RemoveAllRows();

    // Cells beyond the ones a row holds read as empty texts.
    QString CellText(int nRow, int nColumn) const;
    // Valid until the row's texts change or the row goes.
    QStringView CellView(int nRow, int nColumn) const;
    void SetCellText(int nRow, int nColumn, const QString& strText);
    quintptr RowData(int nRow) const { return m_rows[nRow]->dwData; }
    void SetRowData(int nRow, quintptr dwData) { m_rows[nRow]->dwData = dwData; }

    bool IsSelected(int nRow) const { return m_rows[nRow]->bSelected; }
    void SetSelected(int nRow, bool bSelected);
    int SelectedCount() const { return m_nSelected; }
    // The first selected row after nRow (-1 searches from the top), or -1.
    int NextSelected(int nRow) const;

    // Puts the rows into the order given: arrOrder[i] is the old number of
    // the row that becomes row i.
    void Reorder(const std::vector<int>& arrOrder);

    // Returns true when the call opened (or closed) the batch.
    bool BeginBatch();
    bool EndBatch();
    bool InBatch() const { return m_bBatch; }

private:
    struct Row {
        QString strCells;             // the cell texts, one after the other
        std::vector<quint32> arrEnds; // where each cell's text ends in strCells
        quintptr dwData = 0;
        bool bSelected = false;
    };
    struct Column {
        QString strHeading;
        Qt::Alignment alignment;
    };

    static void InsertEmptyCell(Row& row, int nColumn);
    void NoteRowInserted(int nRow);
    void NoteRowRemoved(int nRow, bool bWasSelected);

    std::deque<std::unique_ptr<Row>> m_rows;
    std::vector<Column> m_columns;
    int m_nSelected = 0;
    // No row before this one is selected: searches for the first selected row
    // start here, so walking the selection from the top stays linear.
    mutable int m_nFirstSelectedBound = 0;
    bool m_bBatch = false;
};
