#include "platform/ui/CListModel.h"

#include <QStringView>
#include <algorithm>

CListModel::CListModel(QObject* pParent) : QAbstractTableModel(pParent) {}

CListModel::~CListModel() = default;

int CListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant CListModel::data(const QModelIndex& index, int nRole) const {
    // Views may ask about rows that a batch has already removed.
    if (index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    switch (nRole) {
    case Qt::DisplayRole:
        return CellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[index.column()].alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant CListModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const {
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= columnCount())
        return {};
    switch (nRole) {
    case Qt::DisplayRole:
        return m_columns[nSection].strHeading;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[nSection].alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags CListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void CListModel::InsertColumn(int nColumn, const QString& strHeading, Qt::Alignment alignment) {
    if (!m_bBatch)
        beginInsertColumns(QModelIndex(), nColumn, nColumn);
    m_columns.insert(m_columns.begin() + nColumn, Column{strHeading, alignment});
    for (const std::unique_ptr<Row>& pRow : m_rows)
        InsertEmptyCell(*pRow, nColumn);
    if (!m_bBatch)
        endInsertColumns();
}

void CListModel::InsertEmptyCell(Row& row, int nColumn) {
    if (nColumn >= int(row.arrEnds.size()))
        return;
    const quint32 nStart = nColumn == 0 ? 0 : row.arrEnds[nColumn - 1];
    row.arrEnds.insert(row.arrEnds.begin() + nColumn, nStart);
}

void CListModel::InsertRow(int nRow, const QString& strText) {
    if (!m_bBatch)
        beginInsertRows(QModelIndex(), nRow, nRow);
    auto pRow = std::make_unique<Row>();
    // A copy of exactly the text's size: the caller's string may carry spare
    // capacity that would otherwise stay with the row.
    pRow->strCells = QString(strText.constData(), strText.size());
    pRow->arrEnds.reserve(std::max<size_t>(1, m_columns.size()));
    pRow->arrEnds.push_back(quint32(strText.size()));
    m_rows.insert(m_rows.begin() + nRow, std::move(pRow));
    NoteRowInserted(nRow);
    if (!m_bBatch)
        endInsertRows();
}

void CListModel::NoteRowInserted(int nRow) {
    if (nRow <= m_nFirstSelectedBound)
        ++m_nFirstSelectedBound;
}

void CListModel::RemoveRow(int nRow) {
    if (!m_bBatch)
        beginRemoveRows(QModelIndex(), nRow, nRow);
    const bool bWasSelected = m_rows[nRow]->bSelected;
    m_rows.erase(m_rows.begin() + nRow);
    NoteRowRemoved(nRow, bWasSelected);
    if (!m_bBatch)
        endRemoveRows();
}

void CListModel::NoteRowRemoved(int nRow, bool bWasSelected) {
    if (bWasSelected)
        --m_nSelected;
    if (nRow < m_nFirstSelectedBound)
        --m_nFirstSelectedBound;
}

void CListModel::RemoveRows(const std::vector<int>& arrRows) {
    if (!m_bBatch)
        beginResetModel();
    auto removed = arrRows.cbegin();
    int nRemovedBeforeBound = 0;
    size_t nKept = 0;
    for (int nRow = 0; nRow < rowCount(); ++nRow) {
        if (removed == arrRows.cend() || *removed != nRow) {
            m_rows[nKept++] = std::move(m_rows[nRow]);
            continue;
        }
        ++removed;
        if (m_rows[nRow]->bSelected)
            --m_nSelected;
        if (nRow < m_nFirstSelectedBound)
            ++nRemovedBeforeBound;
    }
    m_rows.resize(nKept);
    m_nFirstSelectedBound -= nRemovedBeforeBound;
    if (!m_bBatch)
        endResetModel();
}

void CListModel::RemoveAllRows() {
    if (!m_bBatch)
        beginResetModel();
    m_rows.clear();
    m_nSelected = 0;
    m_nFirstSelectedBound = 0;
    if (!m_bBatch)
        endResetModel();
}

QString CListModel::CellText(int nRow, int nColumn) const {
    return CellView(nRow, nColumn).toString();
}

QStringView CListModel::CellView(int nRow, int nColumn) const {
    const Row& row = *m_rows[nRow];
    if (nColumn >= int(row.arrEnds.size()))
        return {};
    const quint32 nStart = nColumn == 0 ? 0 : row.arrEnds[nColumn - 1];
    return QStringView(row.strCells).mid(nStart, row.arrEnds[nColumn] - nStart);
}

void CListModel::SetCellText(int nRow, int nColumn, const QString& strText) {
    Row& row = *m_rows[nRow];
    if (nColumn >= int(row.arrEnds.size()))
        row.arrEnds.resize(nColumn + 1, row.arrEnds.empty() ? 0 : row.arrEnds.back());
    const quint32 nStart = nColumn == 0 ? 0 : row.arrEnds[nColumn - 1];
    const quint32 nEnd = row.arrEnds[nColumn];
    // The builder allocates the joined text at its exact size.
    const QStringView cells(row.strCells);
    row.strCells = cells.left(nStart) % strText % cells.mid(nEnd);
    const qint64 nGrowth = strText.size() - qint64(nEnd - nStart);
    for (size_t i = nColumn; i < row.arrEnds.size(); ++i)
        row.arrEnds[i] = quint32(row.arrEnds[i] + nGrowth);
    if (!m_bBatch && nColumn < columnCount())
        Q_EMIT dataChanged(index(nRow, nColumn), index(nRow, nColumn), {Qt::DisplayRole});
}

void CListModel::SetSelected(int nRow, bool bSelected) {
    Row& row = *m_rows[nRow];
    if (row.bSelected == bSelected)
        return;
    row.bSelected = bSelected;
    m_nSelected += bSelected ? 1 : -1;
    if (bSelected && nRow < m_nFirstSelectedBound)
        m_nFirstSelectedBound = nRow;
}

int CListModel::NextSelected(int nRow) const {
    if (m_nSelected == 0)
        return -1;
    const bool bFromBound = nRow + 1 <= m_nFirstSelectedBound;
    for (int n = std::max(nRow + 1, m_nFirstSelectedBound); n < rowCount(); ++n) {
        if (m_rows[n]->bSelected) {
            if (bFromBound)
                m_nFirstSelectedBound = n;
            return n;
        }
    }
    return -1;
}

void CListModel::Reorder(const std::vector<int>& arrOrder) {
    if (!m_bBatch)
        beginResetModel();
    std::deque<std::unique_ptr<Row>> rows;
    for (int nOld : arrOrder)
        rows.push_back(std::move(m_rows[nOld]));
    m_rows.swap(rows);
    m_nFirstSelectedBound = 0;
    if (!m_bBatch)
        endResetModel();
}

bool CListModel::BeginBatch() {
    if (m_bBatch)
        return false;
    beginResetModel();
    m_bBatch = true;
    return true;
}

bool CListModel::EndBatch() {
    if (!m_bBatch)
        return false;
    m_bBatch = false;
    endResetModel();
    return true;
}
