#include "platform/mfc/CDocument.h"

#include "platform/mfc/AfxRes.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CView.h"
#include "platform/ui/MessageBoxes.h"

#include <QFileInfo>

CDocument::CDocument(QObject* pParent) : QObject(pParent) {
    ON_COMMAND(ID_FILE_CLOSE, &CDocument::OnCloseDocument);
}

CDocument::~CDocument() {
    for (CView* pView : std::as_const(m_views))
        pView->SetDocument(nullptr);
}

bool CDocument::OnNewDocument() {
    m_strPathName.clear();
    return true;
}

bool CDocument::OnOpenDocument(const QString& strPathName) {
    const QFileInfo file(strPathName);
    if (file.isFile() && file.isReadable())
        return true;
    AfxMessageBox(QStringLiteral("Cannot open the file %1.").arg(strPathName));
    return false;
}

void CDocument::OnCloseDocument() {
    for (CView* pView : QList<CView*>(m_views)) {
        if (CMDIChildWnd* pFrame = pView->GetParentFrame())
            pFrame->close();
    }
}

void CDocument::SetTitle(const QString& strTitle) {
    if (m_strTitle == strTitle)
        return;
    m_strTitle = strTitle;
    Q_EMIT titleChanged(m_strTitle);
}

void CDocument::SetPathName(const QString& strPathName) {
    m_strPathName = QFileInfo(strPathName).absoluteFilePath();
    SetTitle(QFileInfo(strPathName).fileName());
}

void CDocument::AddView(CView* pView) {
    if (m_views.contains(pView))
        return;
    m_views.append(pView);
    Q_EMIT viewsChanged();
}

// A document lives as long as it has views.
void CDocument::RemoveView(CView* pView) {
    if (m_views.removeAll(pView) == 0)
        return;
    if (m_views.isEmpty())
        deleteLater();
    else
        Q_EMIT viewsChanged();
}
