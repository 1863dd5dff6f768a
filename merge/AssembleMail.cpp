#include "app/Globals.h"
#include "engine/merge/CMailTemplate.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QDir>

namespace {

// Columns of the table row, in field order; MY_1 to MY_5 follow one another.
enum Column : int { ColDate = 1, ColEMail, ColPrefix, ColName, ColTemplate, ColMy1 };

CMailRow RowOf(CListCtrl& list, int nItem) {
    CMailRow row;
    row.m_strDate = list.GetItemText(nItem, ColDate);
    row.m_strEMail = list.GetItemText(nItem, ColEMail);
    row.m_strPrefix = list.GetItemText(nItem, ColPrefix);
    row.m_strName = list.GetItemText(nItem, ColName);
    row.m_strTemplate = list.GetItemText(nItem, ColTemplate);
    for (int i = 0; i < int(row.m_arrMy.size()); ++i)
        row.m_arrMy[i] = list.GetItemText(nItem, ColMy1 + i);
    return row;
}

} // namespace

void CAddressDatabase::AssembleMail(CListCtrl& list, int nItem, QString* pPreview, bool bSend) {
    const CMailRow row = RowOf(list, nItem);
    const QString strToday = CMailTemplate::Today();

    // The mail library opens the attachments from the current folder.
    QDir::setCurrent(g_strStartDir);
    const std::optional<QByteArray> bytes = CMailTemplate::ReadFile(g_strStartDir, row.m_strTemplate);
    if (!bytes) {
        AfxMessageBox(QStringLiteral("Can not open a template file \"%1\"").arg(row.m_strTemplate));
        return;
    }
    const CMergedMail mail = CMailTemplate::Merge(row, *bytes, strToday);
    if (pPreview)
        *pPreview = mail.PreviewBlock();
    if (bSend)
        SendMapiMail(QString(), mail.m_strEMail, mail.m_strSubject, mail.m_strBody,
                     mail.m_strAttachments);
}
