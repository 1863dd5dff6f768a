#include "app/CMainFrame.h"

#include "app/CContactTransfer.h"
#include "app/CContextHelpFilter.h"
#include "app/CCorvaneApp.h"
#include "app/CHelpWindow.h"
#include "app/CStartPanel.h"
#include "engine/merge/CMailTemplate.h"
#include "views/CPreviewTextHandover.h"
#include "views/Globals.h"
#include "engine/store/CFindFilter.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CMultiDocTemplate.h"
#include "platform/mfc/CView.h"
#include "platform/ui/Beep.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "res/CCommandTable.h"
#include "res/CResources.h"
#include "res/Resource.h"
#include "views/CDia_DatabaseSettings.h"
#include "views/CDia_Find.h"
#include "views/CDia_MailSettings.h"
#include "views/CDia_Record.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QScopeGuard>
#include <exception>

namespace {

constexpr unsigned kClipboardWatchTimer = 1;
constexpr int kClipboardWatchMs = 300;

const unsigned indicators[] = {
    ID_SEPARATOR, // status line indicator
    ID_INDICATOR_CAPS,
    ID_INDICATOR_NUM,
    ID_INDICATOR_SCRL,
};

// String 57345: the status bar's idle text.
const QString& IdleText() {
    static const QString strText = QStringLiteral(" ");
    return strText;
}

const QString& IndexPage() {
    static const QString strPage = QStringLiteral("index.html");
    return strPage;
}

} // namespace

CMainFrame::CMainFrame() : CMDIFrameWnd(IDR_MAINFRAME), m_db(this) {
    m_db.OpenOrCreate();

    ON_COMMAND(ID_SHOW_TABLE, &CMainFrame::OnShowTable);
    ON_COMMAND(ID_ADD_ADDRESS, &CMainFrame::OnAddAddress);
    ON_COMMAND(ID_FIND, &CMainFrame::OnFind);
    ON_COMMAND(ID_MAIL_SETTINGS, &CMainFrame::OnMailSettings);
    ON_COMMAND(ID_DATABASE_SETTINGS, &CMainFrame::OnDatabaseSettings);
    ON_COMMAND(ID_IMPORT_ADDRESSES, &CMainFrame::OnImportAddresses);
    ON_COMMAND(ID_EXPORT_ADDRESSES, &CMainFrame::OnExportAddresses);
    ON_COMMAND(ID_SAMPLE_TEMPLATE, &CMainFrame::OnSampleTemplate);
    ON_COMMAND(ID_HELP_FINDER, &CMainFrame::OnHelpFinder);
    ON_COMMAND(ID_DEFAULT_HELP, &CMainFrame::OnHelpFinder);
    ON_COMMAND(ID_HELP, &CMainFrame::OnHelp);
    ON_COMMAND(ID_CONTEXT_HELP, &CMainFrame::OnContextHelp);
}

// Views may still use the status bar and the store while they close.
CMainFrame::~CMainFrame() {
    EndContextHelp();
    delete m_pHelpWindow;
    DestroyChildFrames();
}

bool CMainFrame::LoadFrame(unsigned nIDResource) {
    CCommandTable::CreateActions(this);
    CCommandTable::CreateMenuBar(nIDResource, this);
    CCommandTable::CreateMenuBar(IDR_CorvaneTYPE, this);
    setWindowIcon(CResources::Icon(nIDResource));
    SetTitle(QApplication::applicationName());
    resize(900, 640);
    return OnCreate() == 0;
}

int CMainFrame::OnCreate() {
    m_wndToolBar.setObjectName(QStringLiteral("toolBar"));
    m_wndToolBar.setAllowedAreas(Qt::AllToolBarAreas);
    CCommandTable::CreateToolBar(&m_wndToolBar, this);
    addToolBar(Qt::TopToolBarArea, &m_wndToolBar);

    m_wndStatusBar.setObjectName(QStringLiteral("statusBar"));
    if (!m_wndStatusBar.SetIndicators(indicators, std::size(indicators)))
        return -1;
    SetStatusBar(&m_wndStatusBar);
    SetIdleText(IdleText());
    SetMessageText(IdleText());

    new CStartPanel(this);

    g_strStartDir = QDir::currentPath();
    SetTimer(kClipboardWatchTimer, kClipboardWatchMs);
    UpdateCommandUI();
    return 0;
}

void CMainFrame::OnTimer(unsigned) {
    if (!g_bNoTwins)
        return;
    const QString strEMail = m_db.ExtractEMail(m_db.GetClipboardText());
    if (strEMail.isEmpty())
        return;
    if (IsStored(strEMail))
        Beep(100, 1);
}

// A lookup the store cannot answer counts as a miss: the watch runs every
// 300 ms and must not raise a box on each tick.
bool CMainFrame::IsStored(const QString& strEMail) {
    try {
        return m_db.FindByEMail(strEMail);
    } catch (const std::exception&) {
        return false;
    }
}

void CMainFrame::OnShowTable() {
    if (CDocument* pDocument = TableTemplate()->OpenDocumentFile(QString(), true))
        pDocument->SetTitle(QStringLiteral("Addresses"));
}

// From the main frame the dialog refreshes no table window.
void CMainFrame::OnAddAddress() {
    CDia_Record dialog(m_db, this);
    dialog.DoModal();
}

// The find text's single quotes are doubled, so that a quote is just a
// character of the text; the LIKE wildcards keep their meaning.
void CMainFrame::OnFind() {
    CDia_Find dialog;
    if (dialog.DoModal() != IDOK)
        return;
    const auto clearFilter = qScopeGuard([] { g_strFindFilter.clear(); });
    const QString strFind = g_strFindFilter;
    g_strFindFilter = CFindFilter::Criteria(strFind);
    CDocument* pDocument = TableTemplate()->OpenDocumentFile(QString(), true);
    if (pDocument == nullptr)
        return;
    pDocument->SetTitle(QStringLiteral("%1 \"%2\" in %3")
                            .arg(RowsListed(pDocument))
                            .arg(strFind, m_db.m_schema.m_strTable));
}

CMultiDocTemplate* CMainFrame::TableTemplate() const {
    return static_cast<CCorvaneApp*>(AfxGetApp())->m_pTableTemplate;
}

// The number of rows the document's table window lists.
int CMainFrame::RowsListed(const CDocument* pDocument) {
    const QList<CView*>& views = pDocument->GetViews();
    auto* pList = views.isEmpty() ? nullptr : qobject_cast<CListCtrl*>(views.front()->GetWidget());
    return pList ? pList->GetItemCount() : 0;
}

void CMainFrame::OnMailSettings() {
    CDia_MailSettings dialog(&m_db, this);
    dialog.exec();
}

void CMainFrame::OnDatabaseSettings() {
    CDia_DatabaseSettings dialog(m_db.m_schema.m_strTable, this);
    dialog.exec();
}

void CMainFrame::OnImportAddresses() {
    CContactTransfer(this).OnImportAddresses();
}

void CMainFrame::OnExportAddresses() {
    CContactTransfer(this).OnExportAddresses();
}

// The sample shows how a template is written. It goes into the start folder
// when that has no file of its name, so that it can be chosen and changed
// there; a file of the user's own is never replaced, and is what is shown.
void CMainFrame::OnSampleTemplate() {
    const QString strName = QStringLiteral("Offer.txt");
    const QString strPath = QDir(g_strStartDir).filePath(strName);
    QFile sample(QStringLiteral(":/res/demo/") + strName);
    if (!sample.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = sample.readAll();
    QFile file(strPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (file.write(bytes) != bytes.size() || !file.flush())
            file.remove();
    } else if (file.open(QIODevice::ReadOnly)) {
        bytes = file.read(CMailTemplate::kByteLimit);
    }
    file.close();
    const QString strStatus =
        QFile::exists(strPath)
            ? QStringLiteral("The sample template is %1; change it with any text editor.")
                  .arg(QDir::toNativeSeparators(strPath))
            : QStringLiteral("The sample template could not be put into %1.")
                  .arg(QDir::toNativeSeparators(g_strStartDir));
    ShowText(strName, CMailTemplate::Decode(bytes));
    SetMessageText(strStatus);
}

// A new text window that shows strText instead of the clipboard.
void CMainFrame::ShowText(const QString& strTitle, const QString& strText) {
    CDocument* pDocument = nullptr;
    {
        CPreviewTextHandover handover;
        g_strPreviewText = strText;
        pDocument = static_cast<CCorvaneApp*>(AfxGetApp())
                        ->m_pTextTemplate->OpenDocumentFile(QString(), true);
    }
    if (pDocument != nullptr)
        pDocument->SetTitle(strTitle);
}

void CMainFrame::OnHelpFinder() {
    ShowHelpPage(IndexPage());
}

void CMainFrame::OnHelp() {
    ShowHelpPage(HelpPageFor(MDIGetActive()));
}

// Context help: the next click names the object to explain; Esc cancels.
void CMainFrame::OnContextHelp() {
    if (m_pContextHelp)
        return;
    m_pContextHelp = new CContextHelpFilter([this] { EndContextHelp(); },
                                            [this](QWidget* pWidget) {
                                                EndContextHelp();
                                                ShowHelpPage(HelpPageFor(pWidget));
                                            },
                                            this);
    SetMessageText(QStringLiteral("Select an object on which to get Help"));
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
}

// Called from inside the filter's own event handling: it is deleted later.
void CMainFrame::EndContextHelp() {
    if (!m_pContextHelp)
        return;
    QCoreApplication::instance()->removeEventFilter(m_pContextHelp);
    m_pContextHelp->deleteLater();
    m_pContextHelp = nullptr;
    QApplication::restoreOverrideCursor();
    SetMessageText(IdleText());
}

void CMainFrame::ShowHelpPage(const QString& strPage) {
    if (!m_pHelpWindow)
        m_pHelpWindow = new CHelpWindow(this);
    m_pHelpWindow->ShowPage(strPage);
}

// The page that explains the part of the window pWidget belongs to.
QString CMainFrame::HelpPageFor(QWidget* pWidget) const {
    for (QWidget* pPart = pWidget; pPart != nullptr; pPart = pPart->parentWidget()) {
        if (auto* pFrame = qobject_cast<CMDIChildWnd*>(pPart)) {
            const bool bTable = pFrame->GetDocTemplate() != nullptr &&
                                pFrame->GetDocTemplate()->GetResourceID() == IDR_TABLE;
            return bTable ? QStringLiteral("addressbook.html") : QStringLiteral("clipboard.html");
        }
        if (pPart == &m_wndToolBar || pPart == menuBar() || pPart == &m_wndStatusBar)
            return QStringLiteral("mainwindow.html");
    }
    return IndexPage();
}
