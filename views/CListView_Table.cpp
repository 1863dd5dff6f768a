#include "views/CListView_Table.h"

#include "engine/merge/CMailTemplate.h"
#include "engine/store/SetField.h"
#include "platform/dao/CDaoRecordset.h"
#include "platform/dao/COleDateTime.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/mfc/CMultiDocTemplate.h"
#include "platform/mfc/CStatusBar.h"
#include "platform/ui/EngineErrorGuard.h"
#include "platform/ui/MessageBoxes.h"
#include "res/Resource.h"
#include "store/CAddressDatabase.h"
#include "store/CProgressIndicator.h"
#include "views/CDia_Record.h"
#include "views/CDia_SetTemplate.h"
#include "views/CFormattedPreview.h"
#include "views/CPreviewTextHandover.h"
#include "views/CSendMailCommand.h"
#include "views/CSendRun.h"
#include "views/Globals.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

constexpr int s_nDefaultColumnWidth = 150;
constexpr int s_nEMailColumn = 2;

// Whether the keyboard focus is on the view within its window, also while
// that window is not active (a modal dialog has just closed, and the window
// manager has not yet given the main window back its activation).
bool HasFocus(const QWidget* pView) {
    return pView->window()->focusWidget() == pView;
}

// Hides a view for a bulk change of its rows and shows it again afterwards,
// also when the change fails. While hidden, the view neither repaints nor
// reports item changes. A view that had the keyboard focus gets it back.
class HiddenView {
public:
    explicit HiddenView(QWidget* pView) : m_pView(pView), m_bHadFocus(HasFocus(pView)) {
        m_pView->hide();
    }
    ~HiddenView() { Show(); }
    HiddenView(const HiddenView&) = delete;
    HiddenView& operator=(const HiddenView&) = delete;

    void Show() {
        if (m_bShown)
            return;
        m_bShown = true;
        m_pView->show();
        if (m_bHadFocus)
            m_pView->setFocus();
    }

private:
    QWidget* m_pView;
    bool m_bHadFocus;
    bool m_bShown = false;
};

// The wait cursor for the length of one piece of work.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void Restore() {
        if (m_bRestored)
            return;
        m_bRestored = true;
        QApplication::restoreOverrideCursor();
    }

private:
    bool m_bRestored = false;
};

// The item changes of one piece of work count as one change of the list.
class ItemChanges {
public:
    explicit ItemChanges(CListCtrl& list) : m_list(list) { m_list.BeginItemChanges(); }
    ~ItemChanges() { m_list.EndItemChanges(); }
    ItemChanges(const ItemChanges&) = delete;
    ItemChanges& operator=(const ItemChanges&) = delete;

private:
    CListCtrl& m_list;
};

// The Date cell: "%x" of a date, and "Invalid DateTime" for anything that is
// no date, a null included.
QString DateText(const QVariant& value) {
    return COleDateTime(value).Format(QStringLiteral("%x"));
}

} // namespace

CListView_Table::CListView_Table(const CViewContext& context) : m_context(context) {
    setObjectName(QStringLiteral("tableView"));
    ON_COMMAND(ID_DELETE_ADDRESS, &CListView_Table::OnDeleteAddress);
    ON_COMMAND(ID_ADD_ADDRESS, &CListView_Table::OnAddAddress);
    ON_COMMAND(ID_SEND_MAIL, &CListView_Table::OnSendMail);
    ON_COMMAND(ID_SHOW_ADDRESS, &CListView_Table::OnShowAddress);
    ON_COMMAND(ID_PREVIEW_MAIL, &CListView_Table::OnPreviewMail);
    ON_COMMAND(ID_SET_TEMPLATE, &CListView_Table::OnSetTemplate);
    ON_COMMAND(ID_PREVIEW_FORMATTED, &CListView_Table::OnPreviewFormatted);
    for (unsigned nID :
         {ID_DELETE_ADDRESS, ID_ADD_ADDRESS, ID_SEND_MAIL, ID_SHOW_ADDRESS, ID_SET_TEMPLATE})
        ON_UPDATE_COMMAND_UI(nID, &CListView_Table::OnUpdateOutsideSendRun);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int nColumn) { Guarded([this, nColumn] { OnLvnColumnclick(nColumn); }); });
    connect(this, &CListCtrl::itemChanged, this,
            [this](int nItem, unsigned, unsigned) { OnLvnItemchanged(nItem); });
    connect(this, &CListCtrl::itemChangesDone, this, &CListView_Table::ShowCurrentItem);
}

CListView_Table::~CListView_Table() {
    if (m_context.m_pFrame != nullptr)
        m_context.m_pFrame->SetMessageText(QString());
}

// A fill that the engine refuses is reported; the window stays open, empty.
void CListView_Table::OnInitialUpdate() {
    CListView::OnInitialUpdate();
    m_pList = this;
    Guarded([this] { FillTable(); });
}

void CListView_Table::FillTable() {
    FillWith(g_strFindFilter);
}

// The window's own query again: a Find window stays filtered, and the rows
// come in the order of the window's latest header click.
void CListView_Table::Refill() {
    FillWith(m_strFilter);
    if (m_nSortedColumn >= 0)
        SortBy(m_nSortedColumn);
}

void CListView_Table::FillWith(const QString& strFilter) {
    const CTableSchema& schema = Store().m_schema;
    int nCount = Store().CountRecords(schema.m_strTable);

    CProgressIndicator progress(Store(), QStringLiteral("Filling the Table: "));
    WaitCursor waitCursor;
    HiddenView hidden(this);
    DeleteAllItems();
    m_strFilter = strFilter;
    // The rows come in the order of the statement, no longer by a column.
    horizontalHeader()->setSortIndicatorShown(false);
    m_strText = FillStatement();

    CDaoRecordset recordset(Store().m_pCDaoDatabase.get());
    recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, m_strText, 0);
    if (GetHeaderItemCount() == 0)
        InsertColumns();
    if (m_strFilter.isEmpty()) {
        for (int nItem = 0; !recordset.IsEOF(); ++nItem) {
            AddRow(nItem, RecordTexts(recordset));
            recordset.MoveNext();
            progress.SetPos(nItem, nCount);
        }
    } else {
        // The matches are read before they are listed, so that their number
        // is known without testing the filter on every record twice.
        QList<QStringList> records;
        for (; !recordset.IsEOF(); recordset.MoveNext())
            records.append(RecordTexts(recordset));
        nCount = int(records.size());
        for (int nItem = 0; nItem < nCount; ++nItem) {
            AddRow(nItem, records[nItem]);
            progress.SetPos(nItem, nCount);
        }
    }

    waitCursor.Restore();
    hidden.Show();
    progress.Destroy();
    if (HasFocus(this))
        m_context.m_pFrame->SetMessageText(QString());
}

QString CListView_Table::FillStatement() const {
    const CTableSchema& schema = Store().m_schema;
    const QString& strSort1 = schema.m_arrName.at(schema.m_nSortField1);
    const QString& strSort2 = schema.m_arrName.at(schema.m_nSortField2);
    if (m_strFilter.isEmpty()) {
        return QStringLiteral("SELECT * FROM %1 ORDER BY %2, %3;")
            .arg(schema.m_strTable, strSort1, strSort2);
    }
    return QStringLiteral("SELECT * FROM %1 WHERE %2 ORDER BY %3, %4;")
        .arg(schema.m_strTable, m_strFilter, strSort1, strSort2);
}

// Built at the first fill only, so widths the user changed survive refills.
// The Date column grows beyond its field's size where the font in use needs
// more room for a date.
void CListView_Table::InsertColumns() {
    const CTableSchema& schema = Store().m_schema;
    for (int nColumn = 0; nColumn < schema.m_nFields; ++nColumn) {
        int nWidth = schema.m_arrSize.at(nColumn);
        if (nWidth == 0)
            nWidth = s_nDefaultColumnWidth;
        if (schema.m_arrType.at(nColumn) == dbDate)
            nWidth = qMax(nWidth, DateColumnWidth());
        InsertColumn(nColumn, schema.m_arrName.at(nColumn), schema.m_arrFormat.at(nColumn), nWidth,
                     nColumn);
    }
}

// The room a cell needs for the widest date text: a date as the cells show
// it, each digit made the font's widest, with the cell's margins and its
// grid line.
int CListView_Table::DateColumnWidth() const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    QChar widestDigit = u'0';
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (option.fontMetrics.horizontalAdvance(QChar(digit)) >
            option.fontMetrics.horizontalAdvance(widestDigit))
            widestDigit = QChar(digit);
    }
    option.text = COleDateTime::GetCurrentTime().Format(QStringLiteral("%x"));
    for (QChar& character : option.text) {
        if (character.isDigit())
            character = widestDigit;
    }
    const QSize cell = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    return cell.width() + (showGrid() ? 1 : 0);
}

// The texts of the recordset's current record, as the list shows them.
QStringList CListView_Table::RecordTexts(CDaoRecordset& recordset) const {
    const CTableSchema& schema = Store().m_schema;
    QStringList texts;
    texts.reserve(schema.m_nFields);
    texts << QString::number(recordset.GetFieldValue(schema.m_arrName.at(0)).toLongLong())
          << DateText(recordset.GetFieldValue(schema.m_arrName.at(1)));
    for (int nField = 2; nField < schema.m_nFields; ++nField)
        texts << recordset.GetFieldValue(nField).toString();
    return texts;
}

// A new row at nItem, numbered by its position.
void CListView_Table::AddRow(int nItem, const QStringList& texts) {
    InsertItem(nItem, texts.value(0));
    SetItemData(nItem, quintptr(nItem));
    for (int nColumn = 1; nColumn < texts.size(); ++nColumn)
        SetItemText(nItem, nColumn, texts[nColumn]);
}

// Every click turns the direction round, in whichever table window, and
// sorts by the clicked column's texts as they stand now.
void CListView_Table::OnLvnColumnclick(int nColumn) {
    g_bSortDescending = !g_bSortDescending;
    g_nSortColumn = nColumn;
    m_bSortedDescending = g_bSortDescending;
    SortBy(nColumn);
}

// Sorts by the column in this window's latest direction.
void CListView_Table::SortBy(int nColumn) {
    HiddenView hidden(this);
    m_nSortedColumn = nColumn;
    WaitCursor waitCursor;
    m_arrSortTexts.resize(GetItemCount());
    for (int nItem = 0; nItem < GetItemCount(); ++nItem)
        m_arrSortTexts[nItem] = ItemTextView(nItem, nColumn);
    SortItems(&CListView_Table::CompareItems, reinterpret_cast<quintptr>(m_pList));
    m_arrSortTexts.clear();
    Renumber();
    horizontalHeader()->setSortIndicator(nColumn, m_bSortedDescending ? Qt::DescendingOrder
                                                                      : Qt::AscendingOrder);
    horizontalHeader()->setSortIndicatorShown(true);
}

// Strict in both directions: equal texts are never "after" each other, so
// they keep their order and the sort stays well defined.
int CListView_Table::CompareItems(quintptr lParam1, quintptr lParam2, quintptr lParamSort) {
    const auto* pView =
        static_cast<const CListView_Table*>(reinterpret_cast<CListCtrl*>(lParamSort));
    const std::vector<QStringView>& texts = pView->m_arrSortTexts;
    if (lParam1 >= texts.size() || lParam2 >= texts.size())
        return 0;
    const int nOrder = texts[lParam1].compare(texts[lParam2], Qt::CaseSensitive);
    return (pView->m_bSortedDescending ? nOrder < 0 : nOrder > 0) ? 1 : 0;
}

void CListView_Table::Renumber() {
    for (int nItem = 0; nItem < GetItemCount(); ++nItem)
        SetItemData(nItem, quintptr(nItem));
}

// Every reported row becomes the current row; the status text follows once
// the change is done, so that a change of 100,000 rows paints it once.
void CListView_Table::OnLvnItemchanged(int nItem) {
    if (!isVisible())
        return;
    m_nCurrentItem = nItem;
}

void CListView_Table::ShowCurrentItem() {
    if (!isVisible() || m_nCurrentItem < 0)
        return;
    m_strText = QString::asprintf(" Record: %6d / %6d", m_nCurrentItem + 1, GetItemCount());
    if (CStatusBar* pStatusBar = m_context.m_pFrame->GetMessageBar())
        pStatusBar->SetPaneText(0, m_strText, true);
}

void CListView_Table::keyPressEvent(QKeyEvent* pEvent) {
    Guarded([this, pEvent] { OnKeyDown(pEvent); });
    CListView::keyPressEvent(pEvent);
}

void CListView_Table::OnKeyDown(QKeyEvent* pEvent) {
    const bool bControl = pEvent->modifiers() & Qt::ControlModifier;
    switch (pEvent->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OnShowAddress();
        break;
    case Qt::Key_Delete:
        OnDeleteAddress();
        break;
    case Qt::Key_A:
        if (bControl)
            SelectAll();
        break;
    case Qt::Key_F:
        if (bControl && m_context.m_find)
            m_context.m_find();
        break;
    default:
        break;
    }
}

// Row by row from the top, so that each row whose state changes is reported,
// as one change.
void CListView_Table::SelectAll() {
    const ItemChanges changes(*this);
    for (int nItem = 0; nItem < GetItemCount(); ++nItem)
        SetItemState(nItem, LVIS_SELECTED, LVIS_SELECTED);
}

void CListView_Table::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    CListView::mouseDoubleClickEvent(pEvent);
    const QModelIndex index = indexAt(pEvent->position().toPoint());
    const int nItem = index.isValid() ? index.row() : -1;
    Guarded([this, nItem] { OnNMDblclk(nItem); });
}

void CListView_Table::OnNMDblclk(int nItem) {
    ShowRecord(nItem);
}

void CListView_Table::ShowRecord(int nItem) {
    if (CSendRun::Active() != nullptr)
        return;
    CDia_Record dialog(Store(), m_context.m_pFrame);
    QStringList record;
    if (nItem != -1) {
        for (int nColumn = 0; nColumn < Store().m_schema.m_nFields; ++nColumn)
            record << GetItemText(nItem, nColumn);
        dialog.m_pRecord = &record;
    }
    const int nResult = dialog.DoModal();
    if (nItem == -1) {
        if (nResult == IDOK)
            FillTable();
        return;
    }
    // The list holds the texts last stored, or the row's own when nothing
    // was: however the dialog was closed, the row shows what is stored, and
    // the next edit from it starts from there.
    for (int nColumn = 0; nColumn < Store().m_schema.m_nFields; ++nColumn)
        SetItemText(nItem, nColumn, record.value(nColumn));
}

int CListView_Table::CurrentItem() const {
    if (m_nCurrentItem >= 0 && m_nCurrentItem < GetItemCount())
        return m_nCurrentItem;
    return GetNextItem(-1, LVNI_SELECTED);
}

void CListView_Table::OnAddAddress() {
    ShowRecord(-1);
}

void CListView_Table::OnShowAddress() {
    const int nItem = CurrentItem();
    if (nItem != -1)
        ShowRecord(nItem);
}

void CListView_Table::OnDeleteAddress() {
    if (CSendRun::Active() != nullptr)
        return;
    HiddenView hidden(this);
    Store().DeleteSelected(m_pList);
    Renumber();
}

void CListView_Table::ForEachSelected(const std::function<void(int)>& work) const {
    for (int nItem = GetNextItem(-1, LVNI_SELECTED); nItem != -1;) {
        const int nNext = GetNextItem(nItem, LVNI_SELECTED);
        work(nItem);
        nItem = nNext;
    }
}

bool CListView_Table::HasRowsToPreview() {
    if (GetNextItem(-1, LVNI_SELECTED) != -1)
        return true;
    WindowMessageBox(this, QStringLiteral("Please select address(es) for previewing EMail(s)."),
                     MB_OK);
    return false;
}

QList<int> CListView_Table::SelectedItems() const {
    QList<int> items;
    ForEachSelected([&items](int nItem) { items << nItem; });
    return items;
}

int CListView_Table::TemplateColumn() const {
    return int(Store().m_schema.m_arrName.indexOf(QStringLiteral("Template")));
}

// One row shows a box when its template cannot be opened; a walk over
// several rows lists such rows once, at the top of the preview, instead of a
// box for each.
void CListView_Table::OnPreviewMail() {
    if (!HasRowsToPreview())
        return;
    int nWalked = 0;
    int nLastWalked = -1;
    CDocument* pDocument = nullptr;
    {
        CPreviewTextHandover handover;
        {
            CProgressIndicator progress(Store(), QStringLiteral("Preiewing EMails: "));
            const int nSelected = GetSelectedCount();
            QList<int> unopened;
            ForEachSelected([&](int nItem) {
                if (nSelected == 1) {
                    QString strBlock;
                    Store().AssembleMail(*m_pList, nItem, &strBlock, false);
                    g_strPreviewText += strBlock;
                } else if (const auto mail = Store().MergeMail(*m_pList, nItem, g_strStartDir)) {
                    g_strPreviewText += mail->PreviewBlock();
                } else {
                    unopened << nItem;
                }
                ++nWalked;
                nLastWalked = nItem;
                Store().m_wndProgress.SetPos(100 * nWalked / nSelected);
            });
            g_strPreviewText.prepend(UnopenedTemplatesText(unopened, nSelected));
        }
        m_context.m_pFrame->SetMessageText(QString());
        pDocument = m_context.m_pTextTemplate->OpenDocumentFile(QString(), true);
    }
    if (pDocument == nullptr)
        return;
    // One row: the title names the row that was walked, which need not be
    // the current one (a Ctrl+click that deselects a row makes it current).
    if (nWalked == 1) {
        pDocument->SetTitle(QStringLiteral("Mail Preview for \"%1\"")
                                .arg(GetItemText(nLastWalked, s_nEMailColumn)));
    } else {
        pDocument->SetTitle(QStringLiteral("Mail Preview for %1 addresses").arg(nWalked));
    }
}

// The rows without a mail, by template in the order met, each with its
// position and address; nothing when every template opened.
QString CListView_Table::UnopenedTemplatesText(const QList<int>& items, int nSelected) const {
    if (items.isEmpty())
        return QString();
    QStringList templates;
    QHash<QString, QStringList> rows;
    for (int nItem : items) {
        const QString strTemplate = GetItemText(nItem, TemplateColumn());
        if (!rows.contains(strTemplate))
            templates << strTemplate;
        rows[strTemplate] << QStringLiteral("    Row %1, %2\n")
                                 .arg(nItem + 1)
                                 .arg(GetItemText(nItem, s_nEMailColumn));
    }
    QString strText = QStringLiteral("No mail for %1 of the %2 addresses: their template cannot be "
                                     "opened.\n")
                          .arg(items.size())
                          .arg(nSelected);
    for (const QString& strTemplate : std::as_const(templates))
        strText += CMailTemplate::CannotOpenText(strTemplate) + u":\n" +
                   rows.value(strTemplate).join(QString());
    return strText + u"\n\n";
}

// The template is one of the start folder's; the selected records get it in
// one transaction, so a refusal changes none of them.
void CListView_Table::OnSetTemplate() {
    const QList<int> items = SelectedItems();
    if (items.isEmpty()) {
        WindowMessageBox(this, QStringLiteral("Please select the addresses whose template to set."),
                         MB_OK);
        return;
    }
    QStringList templates;
    Store().ListFiles(g_strStartDir, &templates, QStringLiteral("txt"));
    if (templates.isEmpty()) {
        WindowMessageBox(this,
                         QStringLiteral("There is no template (a .txt file) in %1. Help > Sample "
                                        "Template puts one there.")
                             .arg(QDir::toNativeSeparators(g_strStartDir)),
                         MB_OK);
        return;
    }
    templates.sort(Qt::CaseInsensitive);
    CDia_SetTemplate dialog(templates, int(items.size()), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CTableSchema& schema = Store().m_schema;
    QList<qlonglong> keys;
    for (int nItem : items)
        keys << GetItemText(nItem, schema.m_nKeyField).toLongLong();
    const int nChanged =
        SetField(Store().m_pCDaoDatabase.get(), schema, TemplateColumn(), keys, dialog.Template());
    for (int nItem : items)
        SetItemText(nItem, TemplateColumn(), dialog.Template());
    m_context.m_pFrame->SetMessageText(QStringLiteral("%1 addresses now have the template %2.")
                                           .arg(nChanged)
                                           .arg(dialog.Template()));
}

// The window opens over the main window and lives on its own.
void CListView_Table::OnPreviewFormatted() {
    if (!HasRowsToPreview())
        return;
    const QList<int> items = SelectedItems();
    auto* pPreview =
        new CFormattedPreview(window(), CFormattedPreview::PagesOf(*m_pList, items, g_strStartDir));
    pPreview->show();
}

// The selected rows are checked, the user confirms, and a run sends one mail
// per row while the window goes on answering. One run at a time.
void CListView_Table::OnSendMail() {
    if (CSendRun::Active() != nullptr)
        return;
    const QList<int> items = SelectedItems();
    if (!items.isEmpty())
        CSendMailCommand::Run(Store(), m_context.m_pFrame, *m_pList, items, this);
}

// While mails are being sent, the table keeps its rows and no second run starts.
void CListView_Table::OnUpdateOutsideSendRun(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CSendRun::Active() == nullptr);
}

CAddressDatabase& CListView_Table::Store() const {
    return *m_context.m_pDb;
}

void CListView_Table::Guarded(const std::function<void()>& work) {
    EngineErrorGuard(work);
}
