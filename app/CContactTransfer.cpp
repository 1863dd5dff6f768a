#include "app/CContactTransfer.h"

#include "app/CMainFrame.h"
#include "engine/contacts/CContactError.h"
#include "engine/contacts/CContactExport.h"
#include "engine/contacts/CContactImport.h"
#include "engine/contacts/CContactSource.h"
#include "platform/dao/CDaoException.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CMultiDocTemplate.h"
#include "platform/ui/MessageBoxes.h"
#include "res/Resource.h"
#include "views/CDia_ImportMapping.h"
#include "views/CDia_ImportSummary.h"
#include "views/CListView_Table.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>

namespace {

constexpr int kPreviewRows = 5;
constexpr int kMaxListed = 200;

// While an import runs, Esc cancels it and other input waits: the windows
// stay drawn, but no command can start on the store meanwhile.
class EscapeWatch : public QObject {
public:
    EscapeWatch() { qApp->installEventFilter(this); }
    ~EscapeWatch() override { qApp->removeEventFilter(this); }
    bool Cancelled() const { return m_bCancelled; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        switch (pEvent->type()) {
        case QEvent::KeyPress:
            m_bCancelled = m_bCancelled || static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Escape;
            return true;
        case QEvent::ShortcutOverride:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Close:
            return true;
        default:
            return QObject::eventFilter(pWatched, pEvent);
        }
    }

private:
    bool m_bCancelled = false;
};

bool IsTableWindow(const CMDIChildWnd* pChild) {
    return pChild != nullptr && pChild->GetDocTemplate() != nullptr &&
           pChild->GetDocTemplate()->GetResourceID() == IDR_TABLE;
}

QString ExportPath(QString strPath, const QString& strFilter) {
    const QString strSuffix = QFileInfo(strPath).suffix().toLower();
    if (strSuffix == u"csv" || strSuffix == u"txt" || CContactSource::IsVCardPath(strPath))
        return strPath;
    return strPath + (strFilter.contains(QStringLiteral("vcf")) ? QStringLiteral(".vcf")
                                                                 : QStringLiteral(".csv"));
}

} // namespace

CContactTransfer::CContactTransfer(CMainFrame* pFrame) : m_pFrame(pFrame) {}

void CContactTransfer::OnImportAddresses() {
    const QString strPath = QFileDialog::getOpenFileName(
        m_pFrame, QStringLiteral("Choose the Addresses to Import"), QString(),
        QStringLiteral("Addresses (*.csv *.txt *.vcf *.vcard);;All files (*)"));
    if (!strPath.isEmpty())
        ImportFile(strPath);
}

void CContactTransfer::OnExportAddresses() {
    QString strFilter;
    const QString strPath = QFileDialog::getSaveFileName(
        m_pFrame, QStringLiteral("Export Addresses"), QStringLiteral("Addresses.csv"),
        QStringLiteral("CSV, UTF-8 (*.csv);;vCard 3.0 (*.vcf)"), &strFilter);
    if (!strPath.isEmpty())
        ExportFile(ExportPath(strPath, strFilter));
}

bool CContactTransfer::ImportFile(const QString& strPath) {
    QStringList headers;
    QList<QStringList> preview;
    try {
        const std::unique_ptr<CContactSource> pSource = CContactSource::Open(strPath);
        headers = pSource->Headers();
        CContactRow row;
        while (preview.size() < kPreviewRows && pSource->ReadRow(&row))
            preview.append(row.fields);
    } catch (const CContactError& e) {
        AfxMessageBox(e.Message());
        return false;
    }
    QStringList templates;
    m_pFrame->m_db.ListFiles(QStringLiteral("."), &templates, QStringLiteral("txt"));
    templates.sort(Qt::CaseInsensitive);
    CDia_ImportMapping dialog(headers, preview, CContactMapping::ForHeaders(headers), templates,
                              m_pFrame);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const CImportOptions options = dialog.Options();
    options.mapping.Remember(headers);
    CImportSummary summary;
    if (!RunImport(strPath, options, &summary))
        return false;
    if (summary.AnythingDone())
        RefillTableWindows();
    ShowSummary(summary);
    return summary.AnythingDone();
}

bool CContactTransfer::RunImport(const QString& strPath, const CImportOptions& options,
                                 CImportSummary* pSummary) {
    CAddressDatabase& db = m_pFrame->m_db;
    EscapeWatch watch;
    db.StartProgress(QStringLiteral("Importing addresses (Esc cancels)"));
    const auto progress = [&db, &watch](qint64 nRead, qint64 nTotal) {
        db.m_wndProgress.SetPos(nTotal > 0 ? int(nRead * 100 / nTotal) : 0);
        QCoreApplication::processEvents();
        return !watch.Cancelled();
    };
    QString strError;
    try {
        const std::unique_ptr<CContactSource> pSource = CContactSource::Open(strPath);
        *pSummary = CContactImport(db.m_pCDaoDatabase.get(), db.m_schema).Run(*pSource, options, progress);
    } catch (const CContactError& e) {
        strError = e.Message();
    } catch (const CDaoException& e) {
        strError = e.m_pErrorInfo->m_strDescription;
    }
    db.m_wndProgress.DestroyWindow();
    m_pFrame->SetMessageText(QString());
    if (!strError.isEmpty()) {
        AfxMessageBox(QStringLiteral("The import stopped, and no address was changed:\n\n%1").arg(strError));
        return false;
    }
    if (pSummary->m_bCancelled)
        m_pFrame->SetMessageText(QStringLiteral("The import was cancelled; no address was changed."));
    return !pSummary->m_bCancelled;
}

void CContactTransfer::ShowSummary(const CImportSummary& summary) {
    CDia_ImportSummary dialog(summary.Text(kMaxListed), summary.RefusedCount() > 0, m_pFrame);
    if (dialog.exec() != CDia_ImportSummary::kSaveRefused)
        return;
    const QString strPath = QFileDialog::getSaveFileName(
        m_pFrame, QStringLiteral("Save Refused Rows"), QStringLiteral("Refused.csv"),
        QStringLiteral("CSV, UTF-8 (*.csv)"));
    if (strPath.isEmpty())
        return;
    try {
        summary.SaveRefused(strPath);
    } catch (const CContactError& e) {
        AfxMessageBox(e.Message());
    }
}

// Each table window lists what its own query finds now, in its own order: a
// Find window shows the new matches too, and no more.
void CContactTransfer::RefillTableWindows() {
    for (CMDIChildWnd* pChild : m_pFrame->GetChildFrames()) {
        if (auto* pView = IsTableWindow(pChild)
                              ? dynamic_cast<CListView_Table*>(pChild->GetActiveView())
                              : nullptr)
            pView->Refill();
    }
}

// The selected rows of the active table window; none when another window is
// active or nothing is selected, and then every record is exported.
QList<qlonglong> CContactTransfer::SelectedKeys() const {
    CMDIChildWnd* pChild = m_pFrame->MDIGetActive();
    auto* pView = IsTableWindow(pChild) ? dynamic_cast<CListView_Table*>(pChild->GetActiveView())
                                        : nullptr;
    QList<qlonglong> keys;
    if (pView == nullptr)
        return keys;
    const int nKeyColumn = m_pFrame->m_db.m_schema.m_nKeyField;
    for (int nItem = pView->GetNextItem(-1, LVNI_SELECTED); nItem >= 0;
         nItem = pView->GetNextItem(nItem, LVNI_SELECTED))
        keys.append(pView->GetItemText(nItem, nKeyColumn).toLongLong());
    return keys;
}

bool CContactTransfer::ExportFile(const QString& strPath) {
    const QList<qlonglong> keys = SelectedKeys();
    int nWritten = 0;
    try {
        nWritten = CContactExport(m_pFrame->m_db.m_pCDaoDatabase.get(), m_pFrame->m_db.m_schema)
                       .Run(strPath, keys);
    } catch (const CContactError& e) {
        AfxMessageBox(e.Message());
        return false;
    } catch (const CDaoException& e) {
        AfxMessageBox(e.m_pErrorInfo->m_strDescription);
        return false;
    }
    m_pFrame->SetMessageText(
        QStringLiteral("%1 addresses exported to %2").arg(nWritten).arg(QDir::toNativeSeparators(strPath)));
    return true;
}
