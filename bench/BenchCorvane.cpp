#include "BenchCorvane.h"

#include "BenchAddressFile.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/ui/MessageBoxes.h"
#include "views/CListView_Table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

BenchCorvane::BenchCorvane() {
    QDir::setCurrent(m_folder.path());
    SetMessageBoxHandler(
        [](const MessageBoxCall& call) { return int(call.nType == MB_YESNO ? IDYES : IDOK); });
}

// The windows go before the folder they work in.
BenchCorvane::~BenchCorvane() {
    m_pApp.reset();
    SetMessageBoxHandler(nullptr);
    QDir::setCurrent(QDir::tempPath());
}

bool BenchCorvane::Start(int nRecords, const QByteArray& rareText) {
    m_pApp = std::make_unique<CCorvaneApp>();
    return m_pApp->InitInstance() && FillAddressFile(Path(), nRecords, rareText) &&
           QFile::copy(Path(), PlainPath());
}

CMainFrame* BenchCorvane::Frame() const {
    return m_pApp ? static_cast<CMainFrame*>(m_pApp->m_pMainWnd) : nullptr;
}

CListView_Table* BenchCorvane::ActiveTable() const {
    CMDIChildWnd* pChild = Frame()->MDIGetActive();
    return pChild ? dynamic_cast<CListView_Table*>(pChild->GetActiveView()) : nullptr;
}

CListView_Table* BenchCorvane::OpenTable(unsigned nCommand) const {
    Frame()->ExecuteCommand(nCommand);
    CListView_Table* pView = ActiveTable();
    if (pView != nullptr && !QTest::qWaitForWindowExposed(pView))
        return nullptr;
    QCoreApplication::processEvents();
    return pView;
}
