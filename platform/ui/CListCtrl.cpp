#include "platform/ui/CListCtrl.h"

#include "platform/ui/CListModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScopedValueRollback>
#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

namespace {

constexpr int kDefaultColumnWidth = 100;
constexpr int kFormatMask = 0x0003;

Qt::Alignment AlignmentOf(int nFormat) {
    switch (nFormat & kFormatMask) {
    case LVCFMT_RIGHT:
        return Qt::AlignRight;
    case LVCFMT_CENTER:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

// The rows that a selection touches, in ascending order, each once.
std::vector<int> RowsOf(const QItemSelection& selection) {
    std::vector<int> arrRows;
    for (const QItemSelectionRange& range : selection) {
        for (int nRow = range.top(); nRow <= range.bottom(); ++nRow)
            arrRows.push_back(nRow);
    }
    std::sort(arrRows.begin(), arrRows.end());
    arrRows.erase(std::unique(arrRows.begin(), arrRows.end()), arrRows.end());
    return arrRows;
}

} // namespace

CListCtrl::CListCtrl(QWidget* pParent) : QTableView(pParent), m_pModel(new CListModel(this)) {
    setObjectName(QStringLiteral("listCtrl"));
    setModel(m_pModel);
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);

    // Fixed row heights spare the view from measuring 100,000 rows.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CListCtrl::TakeSelectionFromView);
}

CListCtrl::~CListCtrl() = default;

int CListCtrl::InsertColumn(int nCol, const QString& strHeading, int nFormat, int nWidth,
                            int /*nSubItem*/) {
    if (nCol < 0)
        return -1;
    nCol = std::min(nCol, GetHeaderItemCount());
    // The header must know the column before it can size it.
    Flush();
    const QScopedValueRollback guard(m_bOwnChange, true);
    m_pModel->InsertColumn(nCol, strHeading, AlignmentOf(nFormat));
    horizontalHeader()->resizeSection(nCol, nWidth > 0 ? nWidth : kDefaultColumnWidth);
    return nCol;
}

int CListCtrl::GetHeaderItemCount() const {
    return m_pModel->columnCount();
}

int CListCtrl::InsertItem(int nItem, const QString& strText) {
    if (nItem < 0)
        return -1;
    nItem = std::min(nItem, GetItemCount());
    PrepareChange();
    const QScopedValueRollback guard(m_bOwnChange, true);
    m_pModel->InsertRow(nItem, strText);
    return nItem;
}

bool CListCtrl::SetItemText(int nItem, int nSubItem, const QString& strText) {
    if (!IsRow(nItem) || nSubItem < 0 || nSubItem >= std::max(1, GetHeaderItemCount()))
        return false;
    m_pModel->SetCellText(nItem, nSubItem, strText);
    return true;
}

QString CListCtrl::GetItemText(int nItem, int nSubItem) const {
    if (!IsRow(nItem) || nSubItem < 0)
        return {};
    return m_pModel->CellText(nItem, nSubItem);
}

QStringView CListCtrl::ItemTextView(int nItem, int nSubItem) const {
    if (!IsRow(nItem) || nSubItem < 0)
        return {};
    return m_pModel->CellView(nItem, nSubItem);
}

bool CListCtrl::SetItemData(int nItem, quintptr dwData) {
    if (!IsRow(nItem))
        return false;
    m_pModel->SetRowData(nItem, dwData);
    return true;
}

quintptr CListCtrl::GetItemData(int nItem) const {
    return IsRow(nItem) ? m_pModel->RowData(nItem) : 0;
}

int CListCtrl::GetItemCount() const {
    return m_pModel->rowCount();
}

bool CListCtrl::DeleteItem(int nItem) {
    if (!IsRow(nItem))
        return false;
    PrepareChange();
    const QScopedValueRollback guard(m_bOwnChange, true);
    m_pModel->RemoveRow(nItem);
    return true;
}

bool CListCtrl::DeleteItems(const std::vector<int>& arrItems) {
    if (!arrItems.empty() && (!IsRow(arrItems.front()) || !IsRow(arrItems.back())))
        return false;
    if (std::adjacent_find(arrItems.begin(), arrItems.end(), std::greater_equal<>()) !=
        arrItems.end())
        return false;
    PrepareChange();
    const QScopedValueRollback guard(m_bOwnChange, true);
    m_pModel->RemoveRows(arrItems);
    // The view has lost its selection with the rows.
    m_bSelectionDirty = true;
    if (isVisible())
        PushSelectionToView();
    return true;
}

bool CListCtrl::DeleteAllItems() {
    PrepareChange();
    const QScopedValueRollback guard(m_bOwnChange, true);
    m_pModel->RemoveAllRows();
    return true;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
    if (nItem < -1 || nItem >= GetItemCount())
        return -1;
    switch (nFlags) {
    case LVNI_SELECTED:
        return m_pModel->NextSelected(nItem);
    case LVNI_ALL:
        return nItem + 1 < GetItemCount() ? nItem + 1 : -1;
    default:
        return -1;
    }
}

int CListCtrl::GetSelectedCount() const {
    return m_pModel->SelectedCount();
}

bool CListCtrl::SetItemState(int nItem, unsigned nState, unsigned nMask) {
    if (!IsRow(nItem))
        return false;
    const bool bSelected = (nState & nMask & LVIS_SELECTED) != 0;
    if (!(nMask & LVIS_SELECTED) || m_pModel->IsSelected(nItem) == bSelected)
        return true;
    m_pModel->SetSelected(nItem, bSelected);
    // Selecting row by row must not cost the view's selection model one
    // update per row: it takes the whole selection once, a moment later.
    m_bSelectionDirty = true;
    ScheduleFlush();
    NotifySelection(nItem, bSelected);
    NotifyDone();
    return true;
}

unsigned CListCtrl::GetItemState(int nItem, unsigned nMask) const {
    if (!IsRow(nItem) || !m_pModel->IsSelected(nItem))
        return 0;
    return LVIS_SELECTED & nMask;
}

bool CListCtrl::SortItems(PFNLVCOMPARE pfnCompare, quintptr dwData) {
    if (!pfnCompare)
        return false;
    std::vector<quintptr> arrData(GetItemCount());
    for (int nItem = 0; nItem < GetItemCount(); ++nItem)
        arrData[nItem] = m_pModel->RowData(nItem);
    const auto after = [&](int nFirst, int nSecond) {
        return pfnCompare(arrData[nFirst], arrData[nSecond], dwData) > 0;
    };
    // A row goes before another only if the comparison puts the other after
    // it and not also the other way round: a comparison that calls equal
    // texts "after" each other leaves them in their order instead of breaking
    // the sort.
    std::vector<int> arrOrder(arrData.size());
    std::iota(arrOrder.begin(), arrOrder.end(), 0);
    std::stable_sort(arrOrder.begin(), arrOrder.end(), [&](int nFirst, int nSecond) {
        return after(nSecond, nFirst) && !after(nFirst, nSecond);
    });

    PrepareChange();
    const QScopedValueRollback guard(m_bOwnChange, true);
    m_pModel->Reorder(arrOrder);
    m_bSelectionDirty = true;
    if (isVisible())
        PushSelectionToView();
    return true;
}

void CListCtrl::BeginItemChanges() {
    ++m_nItemChangesDepth;
}

void CListCtrl::EndItemChanges() {
    if (m_nItemChangesDepth > 0)
        --m_nItemChangesDepth;
    NotifyDone();
}

void CListCtrl::showEvent(QShowEvent* pEvent) {
    Flush();
    QTableView::showEvent(pEvent);
}

void CListCtrl::mousePressEvent(QMouseEvent* pEvent) {
    Flush();
    QTableView::mousePressEvent(pEvent);
}

void CListCtrl::keyPressEvent(QKeyEvent* pEvent) {
    Flush();
    QTableView::keyPressEvent(pEvent);
}

// Home and End go to the first and last row, as in a list, not to the first
// and last cell of the row.
QModelIndex CListCtrl::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveHome || action == MoveEnd)
        modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(action, modifiers);
}

bool CListCtrl::IsRow(int nItem) const {
    return nItem >= 0 && nItem < GetItemCount();
}

// A hidden control gathers its changes into one batch; a visible one first
// lets the view catch up with a batch left from hidden time, then reports
// each change as it happens.
void CListCtrl::PrepareChange() {
    if (!isVisible()) {
        if (m_pModel->BeginBatch())
            ScheduleFlush();
    } else if (m_pModel->EndBatch()) {
        PushSelectionToView();
    }
}

void CListCtrl::ScheduleFlush() {
    if (m_bFlushPosted)
        return;
    m_bFlushPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bFlushPosted = false;
            Flush();
        },
        Qt::QueuedConnection);
}

void CListCtrl::Flush() {
    if (m_pModel->EndBatch())
        m_bSelectionDirty = true;
    if (m_bSelectionDirty)
        PushSelectionToView();
}

// Gives the view's selection model the model's selection as runs of rows.
void CListCtrl::PushSelectionToView() {
    if (m_pModel->InBatch())
        return;
    m_bSelectionDirty = false;
    QItemSelection selection;
    const int nLastColumn = GetHeaderItemCount() - 1;
    for (int nFirst = m_pModel->NextSelected(-1); nFirst != -1 && nLastColumn >= 0;) {
        int nLast = nFirst;
        while (nLast + 1 < GetItemCount() && m_pModel->IsSelected(nLast + 1))
            ++nLast;
        selection.append(
            QItemSelectionRange(m_pModel->index(nFirst, 0), m_pModel->index(nLast, nLastColumn)));
        nFirst = m_pModel->NextSelected(nLast);
    }
    const QScopedValueRollback guard(m_bOwnChange, true);
    // Clearing first keeps the selection model from comparing the old runs
    // with the new ones.
    selectionModel()->clearSelection();
    selectionModel()->select(selection, QItemSelectionModel::Select);
}

// The user changed the selection in the view: the model follows, and each
// row whose state changed is reported.
void CListCtrl::TakeSelectionFromView(const QItemSelection& selected,
                                      const QItemSelection& deselected) {
    if (m_bOwnChange || m_pModel->InBatch())
        return;
    const std::vector<int> arrSelected = RowsOf(selected);
    std::vector<int> arrTurnedOff;
    for (int nItem : RowsOf(deselected)) {
        if (IsRow(nItem) && m_pModel->IsSelected(nItem) &&
            !std::binary_search(arrSelected.begin(), arrSelected.end(), nItem)) {
            m_pModel->SetSelected(nItem, false);
            arrTurnedOff.push_back(nItem);
        }
    }
    std::vector<int> arrTurnedOn;
    for (int nItem : arrSelected) {
        if (IsRow(nItem) && !m_pModel->IsSelected(nItem)) {
            m_pModel->SetSelected(nItem, true);
            arrTurnedOn.push_back(nItem);
        }
    }
    if (!arrTurnedOff.empty() || !arrTurnedOn.empty())
        NotifyUserChange(arrTurnedOff, arrTurnedOn);
}

// The deselected rows first, then the selected ones, and last the row the
// user clicked or moved to (the view's current row), also when its selection
// stayed: a click on one row of a selection ends at that row.
void CListCtrl::NotifyUserChange(const std::vector<int>& arrTurnedOff,
                                 const std::vector<int>& arrTurnedOn) {
    const int nFocus = currentIndex().row();
    const auto notifyAllButFocus = [&](const std::vector<int>& arrRows, bool bSelected) {
        for (int nItem : arrRows) {
            if (nItem != nFocus)
                NotifySelection(nItem, bSelected);
        }
    };
    notifyAllButFocus(arrTurnedOff, false);
    notifyAllButFocus(arrTurnedOn, true);
    if (IsRow(nFocus)) {
        const bool bTurned = std::binary_search(arrTurnedOff.begin(), arrTurnedOff.end(), nFocus) ||
                             std::binary_search(arrTurnedOn.begin(), arrTurnedOn.end(), nFocus);
        const unsigned nNow = m_pModel->IsSelected(nFocus) ? unsigned(LVIS_SELECTED) : 0u;
        Notify(nFocus, bTurned ? nNow ^ LVIS_SELECTED : nNow, nNow | LVIS_FOCUSED);
    }
    NotifyDone();
}

void CListCtrl::NotifySelection(int nItem, bool bSelected) {
    const unsigned nOld = bSelected ? 0u : unsigned(LVIS_SELECTED);
    const unsigned nNew = bSelected ? unsigned(LVIS_SELECTED) : 0u;
    Notify(nItem, nOld, nNew);
}

void CListCtrl::Notify(int nItem, unsigned nOldState, unsigned nNewState) {
    if (!isVisible())
        return;
    m_bItemChangesPending = true;
    Q_EMIT itemChanged(nItem, nOldState, nNewState);
}

void CListCtrl::NotifyDone() {
    if (m_nItemChangesDepth > 0 || !m_bItemChangesPending)
        return;
    m_bItemChangesPending = false;
    Q_EMIT itemChangesDone();
}
